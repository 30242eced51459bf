// The result preview window.
#include "twiz.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <fstream>
#include <stdexcept>

#include "statement/windowowner.h"
#include "statement/wintext.h"
#include "ui_twiz.h"

Twiz::Twiz(QWidget* owner)
    : ui(std::make_unique<Ui::Twiz>())
{
    ui->setupUi(this);
    zest::ui::MakeOwnedWindow(this, owner);
    move(267, 152);

    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    ui->rich->setFont(font);
}

Twiz::~Twiz() = default;

void Twiz::LoadResults(const std::string& fileName, bool append)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot open file " + fileName);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad())
        throw std::runtime_error("Cannot open file " + fileName);

    QString text = zest::ui::FromWin1250(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!append) {
        ui->rich->setPlainText(text);
        return;
    }
    QTextCursor end(ui->rich->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
}

std::string Twiz::Text() const
{
    QString text = ui->rich->toPlainText();
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return zest::ui::ToWin1250(text);
}
