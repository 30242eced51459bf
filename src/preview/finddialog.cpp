#include "preview/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zest::preview
{

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent)
    , text_(new QLineEdit(this))
    , matchCase_(new QCheckBox(QString::fromUtf8("Uwzględniaj wielkość liter"), this))
    , wholeWord_(new QCheckBox(QString::fromUtf8("Tylko całe wyrazy"), this))
    , findNext_(new QPushButton(QString::fromUtf8("Znajdź następny"), this))
{
    setWindowTitle(QString::fromUtf8("Znajdź"));
    setModal(false);

    auto* label = new QLabel(QString::fromUtf8("Znajdź:"), this);
    label->setBuddy(text_);
    auto* cancel = new QPushButton(QString::fromUtf8("Anuluj"), this);
    findNext_->setDefault(true);
    findNext_->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(text_, 0, 1);
    grid->addWidget(matchCase_, 1, 0, 1, 2);
    grid->addWidget(wholeWord_, 2, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext_);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 3, 1);

    connect(text_, &QLineEdit::textChanged, this, [this](const QString& t) { findNext_->setEnabled(!t.isEmpty()); });
    connect(findNext_, &QPushButton::clicked, this, &FindDialog::Find);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString FindDialog::FindText() const
{
    return text_->text();
}

void FindDialog::SetFindText(const QString& text)
{
    text_->setText(text);
}

bool FindDialog::MatchCase() const
{
    return matchCase_->isChecked();
}

void FindDialog::SetMatchCase(bool on)
{
    matchCase_->setChecked(on);
}

bool FindDialog::WholeWord() const
{
    return wholeWord_->isChecked();
}

void FindDialog::SetWholeWord(bool on)
{
    wholeWord_->setChecked(on);
}

void FindDialog::Execute(const QPoint& screenPos)
{
    if (!isVisible())
        move(screenPos);
    show();
    raise();
    activateWindow();
    text_->setFocus();
    text_->selectAll();
}

} // namespace zest::preview
