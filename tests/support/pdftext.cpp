#include "pdftext.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>

#include <unistd.h>

namespace zest::richedit::test
{

std::unique_ptr<QPrinter> PdfPrinter(const QString& name)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    // Tests run in parallel processes: the process id keeps their files apart.
    const QString file = QDir(QStringLiteral(ZEST_TEST_TMP)).filePath(QStringLiteral("%1-%2.pdf").arg(name).arg(getpid()));
    QFile::remove(file);
    printer->setOutputFileName(file);
    return printer;
}

namespace
{

QString PdfToText(const QString& option, const QString& file)
{
    if (!QFile::exists(file))
        return {};
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), { option, file, QStringLiteral("-") });
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

std::vector<PdfPage> PdfWords(const QString& file)
{
    static const QRegularExpression element(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<PdfPage> pages;
    const QString html = PdfToText(QStringLiteral("-bbox"), file);
    for (auto it = element.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            pages.push_back({ m.captured(1).toDouble(), m.captured(2).toDouble(), {} });
        } else if (!pages.empty()) {
            pages.back().Words.push_back({ m.captured(7), m.captured(3).toDouble(), m.captured(4).toDouble(),
                m.captured(5).toDouble(), m.captured(6).toDouble() });
        }
    }
    return pages;
}

QStringList PdfPages(const QString& file)
{
    QStringList pages = PdfToText(QStringLiteral("-layout"), file).split(QChar(u'\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast(); // after the last page's form feed
    return pages;
}

QStringList TextLines(const QString& page)
{
    QStringList lines;
    for (const QString& line : page.split(QChar(u'\n')))
        if (!line.trimmed().isEmpty())
            lines.append(line);
    return lines;
}

} // namespace zest::richedit::test
