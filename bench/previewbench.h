#pragma once
// The preview's side of a run: loading a statement file into the printable control,
// finding a word near its end, appending to it, and printing statements to PDF. Every
// figure is taken through the control (TOLEEdit) and whatever text window it stands on.
// A QApplication must exist.

#include <filesystem>
#include <string>

#include "stats.h"

namespace zest::bench
{

// Statement-shaped Windows-1250 text with CR LF: about 40 lines per statement, each
// ended by a form feed line so that it prints on a page of its own; every tenth is long
// enough to take two pages.
std::string StatementText(int statements);
// At least `bytes` of the same text; `marker` is put on a name line of the last
// statement, and nowhere else, when not empty.
std::string StatementTextOfSize(std::size_t bytes, const std::string& marker);

// The word placed near the end of the generated preview file.
extern const char* const EndMarker;

struct PreviewFigures {
    double fileMb = 0;
    Stats readDecode; // s: the file's bytes read and decoded to text, nothing else
    Stats load; // s: LoadFromFile on a fresh control, until the events are processed
    Stats loadOverRead; // load ÷ read and decode of each repetition
    Stats peakMb; // MB: the peak resident memory the load added
    Stats findMs; // ms: FindText from the start for a word near the end
    Stats appendMs; // ms: 1 MB appended at the end through the selection
    bool peakReset = true; // false: the kernel would not reset the peak, so peakMb is an upper bound
};

// Loads `file` `reps` times. With `findAndAppend` also the find and the append.
PreviewFigures MeasurePreview(const std::filesystem::path& file, int reps, bool findAndAppend);

struct PrintFigures {
    Stats seconds;
    int pages = 0; // pages in the PDF
    std::uintmax_t pdfBytes = 0;
};

// Prints about `pages` pages of statements to a PDF file in `dir` as the preview's print
// button does (its page setup, one section per form feed, centred page numbers).
PrintFigures MeasurePrint(int pages, int reps, const std::filesystem::path& dir);

} // namespace zest::bench
