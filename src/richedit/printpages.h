#pragma once
// Prints the text of a text window page by page: margins, a header band with the title,
// the page number and a rule (or a centred "- N -"), a new page for every section of
// the contents list, the page on which each entry starts, and a contents page.

#include "richedit/pagesetup.h"
#include "richedit/richeditwindow.h"

#include <QString>
#include <cstdint>
#include <stdexcept>

class QPainter;
class QPrinter;

namespace zest::richedit
{

// A printer that cannot start a document or a page, or a document already open.
class PrintError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What is printed: the text window with the page setup of its control. The contents
// list gets the page of each entry and the text rectangle of the print.
struct PrintedText {
    RichEditWindow& Window;
    const TMargin& Margins;
    const TNaglowek& Naglowek;
    TSpis& Spis;
};

// Where it is printed. With a new document the printer gets a print job of its own;
// without, `Document` is the painter of the job the caller has open on `Printer`,
// standing on a fresh page.
struct PrintTarget {
    QPrinter& Printer;
    QPainter* Document = nullptr;
};

// Prints the text. `pageNumber` is the number of the first page (0: no numbers) and
// comes back as the number of the last page printed. `title` names the job when
// `newDocument`. `printContents` adds the contents page after the text.
//
// With an empty contents list the whole text prints as one run of pages; otherwise
// from the first entry's StartPos to the last entry's EndPos, each entry with NewPage
// starting a page.
//
// Returns false when some page had no room for a single line (margins larger than the
// paper, say): its section was cut off there. A failure while printing aborts the job
// and propagates; the window's print cache, the painter and the cursor are restored.
bool PrintPages(const PrintedText& text, const PrintTarget& target, const QString& title, std::int32_t& pageNumber,
    bool newDocument, bool printContents);

// The preview's print step: one contents entry per form feed (a section from the end
// of the previous form feed to the character before this one, NewPage, level 1, no
// text), and, when some form feed is followed by more than line breaks, a last entry
// for that text so that it is printed too. A text without form feeds gets no entries
// and prints as one run. The window's selection is used to read the text after the
// last form feed and is put back.
void BuildSpisFromFormFeeds(RichEditWindow& window, TSpis& spis);

} // namespace zest::richedit
