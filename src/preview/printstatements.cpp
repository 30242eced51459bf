#include "preview/printstatements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "richedit/oleriche.h"
#include "richedit/printpages.h"
#include "widgets/wintext.h"

namespace zest::preview
{

void SetUpStatementControl(richedit::TOLEEdit& rich)
{
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    rich.Window().Widget()->setFont(font);

    rich.Margins.SetUnits(richedit::muMillimeters);
    rich.Margins.SetTop(20);
    rich.Margins.SetBottom(20);
    rich.Margins.SetLeft(25);
    rich.Margins.SetRight(20);

    rich.Naglowek.Linia = false;
    QFont header(QStringLiteral("MS Sans Serif"));
    header.setStyleHint(QFont::SansSerif);
    header.setPixelSize(11);
    rich.Naglowek.Font = header;
}

bool PrintStatements(richedit::TOLEEdit& rich, QPrinter& printer, bool pageNumbers)
{
    richedit::BuildSpisFromFormFeeds(rich.Window(), rich.Spis);
    rich.Spis.SectionRestart = true;
    rich.Naglowek.CenteredNumber = true;
    std::int32_t pageNumber = pageNumbers ? 1 : 0;
    const QString title = QString::fromLatin1(PrintJobTitle);
    printer.setDocName(title);
    return rich.PrintPages(printer, title, pageNumber, true, false);
}

QPageLayout DefaultPdfLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

void PrintStatementsToPdf(richedit::TOLEEdit& rich, const QString& file, bool pageNumbers, const QPageLayout& layout,
    const std::function<void()>& beforeReplace)
{
    const auto cannotCreate
        = [&] { return std::runtime_error(ui::ToWin1250("Cannot create file " + file, cp1250::Substitute)); };
    const QFileInfo target(file);
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + ".XXXXXX"));
    if (!temp.open())
        throw cannotCreate();
    temp.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(layout);
    printer.setOutputFileName(temp.fileName());
    if (!PrintStatements(rich, printer, pageNumbers))
        throw richedit::PrintError("The margins leave no room for the text on the page");
    if (beforeReplace)
        beforeReplace();

    // A new file gets the permissions a file made by the user would get; one that is
    // replaced keeps its own.
    std::error_code error;
    const std::filesystem::path from = QFile::encodeName(temp.fileName()).toStdString();
    const std::filesystem::path to = QFile::encodeName(target.absoluteFilePath()).toStdString();
    const auto status = std::filesystem::status(to, error);
    if (!error && std::filesystem::is_regular_file(status))
        std::filesystem::permissions(from, status.permissions(), error);
    else
        QFile::setPermissions(temp.fileName(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup
                | QFile::ReadOther);
    std::filesystem::rename(from, to, error);
    if (error)
        throw cannotCreate();
    temp.setAutoRemove(false);
}

} // namespace zest::preview
