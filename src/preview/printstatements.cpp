#include "preview/printstatements.h"

#include <QByteArray>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "richedit/oleriche.h"
#include "richedit/printpages.h"
#include "statement/atomicfile.h"
#include "statement/statementfile.h"
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

void PrintStatementsToPdf(richedit::TOLEEdit& rich, const QString& file, bool pageNumbers, const QPageLayout& layout)
{
    // The printer opens the file by name: the atomic file's new one, or the target
    // itself when that is a pipe or a device.
    std::optional<AtomicFile> pdf;
    try {
        pdf.emplace(QFile::encodeName(file).toStdString());
    } catch (const FileError&) {
        throw std::runtime_error(ui::ToWin1250("Cannot create file " + file, cp1250::Substitute));
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(layout);
    printer.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(pdf->writePath())));
    if (!PrintStatements(rich, printer, pageNumbers))
        throw richedit::PrintError("The margins leave no room for the text on the page");
    try {
        pdf->Commit();
    } catch (const FileError&) {
        throw std::runtime_error(ui::ToWin1250("Cannot create file " + file, cp1250::Substitute));
    }
}

} // namespace zest::preview
