#pragma once
// Prints into a PDF file under the test directory and reads the pages back as text
// laid out as on paper (pdftotext -layout).

#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace zest::richedit::test
{

// An A4 PDF printer at 1200 dots per inch writing `name`.pdf in the test directory.
std::unique_ptr<QPrinter> PdfPrinter(const QString& name);

// The pages of the PDF, as pdftotext lays them out; empty when the file is missing.
QStringList PdfPages(const QString& file);

// A word on a PDF page and its box in points from the page's top left corner.
struct PdfWord {
    QString Text;
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};
struct PdfPage {
    double Width = 0, Height = 0;
    std::vector<PdfWord> Words;
};

// The words of each page with their boxes (pdftotext -bbox).
std::vector<PdfPage> PdfWords(const QString& file);

// The lines of a page with text on them.
QStringList TextLines(const QString& page);

} // namespace zest::richedit::test
