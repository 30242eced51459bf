#pragma once
// The result preview window "Wizualizacja wyników analizy". It belongs to a statement
// window, which creates it hidden and destroys it; closing it only hides it.

#include <QWidget>
#include <memory>
#include <string>

namespace Ui
{
class Twiz;
}

class Twiz : public QWidget
{
    Q_OBJECT
public:
    // `owner`: the host's window that owns the library's windows, or none.
    explicit Twiz(QWidget* owner = nullptr);
    ~Twiz() override;

    // Loads a plain Windows-1250 text file (CR LF line ends, form feeds kept) into the
    // text control: in place of its text, or after it when `append` is true. A file
    // that cannot be read throws "Cannot open file %s" and changes nothing.
    void LoadResults(const std::string& fileName, bool append);

    // The text as the control holds it, as Windows-1250 bytes with CR LF line ends.
    std::string Text() const;

private:
    std::unique_ptr<Ui::Twiz> ui;
};
