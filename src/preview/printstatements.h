#pragma once
// Printing the statements as the preview's print button does: every block between two
// form feeds on pages of its own, the pages numbered "- N -" in the middle above the
// text when asked, the job called "Dedavi". The command-line tool prints its PDF files
// with the same code, so the two give the same pages.

#include <QPageLayout>
#include <QString>

class QPrinter;

namespace zest::richedit
{
class TOLEEdit;
}

namespace zest::preview
{

// The print job's name and the title handed to the page printer.
inline constexpr const char* PrintJobTitle = "Dedavi";

// The preview's settings of the text control: "Courier" 13 pixels, margins 20/20/25/20
// millimetres (top, bottom, left, right), a header without a rule in "MS Sans Serif"
// 11 pixels.
void SetUpStatementControl(richedit::TOLEEdit& rich);

// A section per form feed (and one for text after the last form feed), each starting
// a page; numbers from 1 when `pageNumbers`, else none. The printer is used as it is
// set up. Returns false when some page had no room for a single line, so that part of
// the text is missing from the print. Printer failures throw (richedit::PrintError).
bool PrintStatements(richedit::TOLEEdit& rich, QPrinter& printer, bool pageNumbers);

// Prints as above into a PDF file with the given page layout. The file appears only
// when the print is whole (statement/atomicfile.h): the pages go to a new file next to
// it, which then replaces it; a pipe or a device is written in place. Throws "Cannot
// create file %s" when that file cannot be made, and a richedit::PrintError when some
// page had no room (nothing is written then).
void PrintStatementsToPdf(richedit::TOLEEdit& rich, const QString& file, bool pageNumbers, const QPageLayout& layout);

// A4 portrait without printer margins of its own, the layout the PDF files get.
QPageLayout DefaultPdfLayout();

} // namespace zest::preview
