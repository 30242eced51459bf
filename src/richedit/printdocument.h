#pragma once
// One print document on a printer: begun here for a new document (job title, painter)
// or the caller's open one. Unless Finish is reached, the job is aborted: a PDF that
// was being written is removed rather than left half done.

#include "richedit/printpages.h"

#include <QPainter>
#include <optional>

namespace zest::richedit
{

class PrintDocument
{
public:
    // Throws PrintError when the printer cannot start the document or is printing
    // already, and std::invalid_argument for a missing open document.
    PrintDocument(const PrintTarget& target, bool newDocument, const QString& title);
    ~PrintDocument();
    PrintDocument(const PrintDocument&) = delete;
    PrintDocument& operator=(const PrintDocument&) = delete;

    QPainter& Painter() noexcept { return *painter_; }
    QPrinter& Printer() noexcept { return *printer_; }
    void NewPage();
    // Ends a document begun here; the caller's document stays open.
    void Finish();

private:
    QPrinter* printer_;
    std::optional<QPainter> own_;
    QPainter* painter_;
    bool finished_ = false;
};

} // namespace zest::richedit
