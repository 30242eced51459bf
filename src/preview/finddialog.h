#pragma once
// The preview's find dialog: the text to find, match case, whole words, and a button
// asking for the next match. It searches forward only and has no direction choice.
// Modeless: it stays open while the user looks at each match.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zest::preview
{

class FindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    bool MatchCase() const;
    void SetMatchCase(bool on);
    bool WholeWord() const;
    void SetWholeWord(bool on);

    // Shows the dialog at `screenPos`, or raises it when it is open already, with the
    // text to find selected for typing over.
    void Execute(const QPoint& screenPos);

signals:
    // "Znajdź następny" was pressed (or Enter in the text box).
    void Find();

private:
    QLineEdit* text_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QPushButton* findNext_;
};

} // namespace zest::preview
