#include "richedit/printdocument.h"

#include "widgets/wintext.h"

#include <QFile>
#include <QPrinter>

namespace zest::richedit
{

PrintDocument::PrintDocument(const PrintTarget& target, bool newDocument, const QString& title)
    : printer_(&target.Printer)
    , painter_(target.Document)
{
    if (!newDocument) {
        if (painter_ == nullptr || !painter_->isActive())
            throw std::invalid_argument("No open print document to print into");
        return;
    }
    if (printer_->printerState() == QPrinter::Active)
        throw PrintError("Printing in progress");
    // Without a print system the printer is a PDF writer; with no file named it has
    // nowhere to write, and a start on it would leave it marked active for good, so
    // that no later job could start.
    if (printer_->outputFormat() == QPrinter::PdfFormat && printer_->outputFileName().isEmpty())
        throw PrintError("No printer is available to print on");
    printer_->setDocName(title);
    own_.emplace();
    if (!own_->begin(printer_)) {
        own_.reset();
        throw PrintError(
            "Cannot start printing on printer \"" + ui::ToWin1250(printer_->printerName(), cp1250::Substitute) + "\"");
    }
    painter_ = &*own_;
}

PrintDocument::~PrintDocument()
{
    if (finished_)
        return;
    printer_->abort();
    if (own_ && own_->isActive()) {
        // The PDF engine cannot abort: it would finish the file on end.
        own_->end();
        if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty())
            QFile::remove(printer_->outputFileName());
    }
}

void PrintDocument::NewPage()
{
    if (!printer_->newPage())
        throw PrintError("Cannot start a new page on the printer");
}

void PrintDocument::Finish()
{
    finished_ = true;
    if (own_ && own_->isActive() && !own_->end())
        throw PrintError("Cannot finish the print document");
}

} // namespace zest::richedit
