// Load time and memory of the printable control for large statements, offscreen,
// against the bare cost of reading the file and decoding it: load from a file, find
// near the end (from a position near it and from the top), append 1 MB, stream out.
//
//   bench-richedit [--reps N] [MB ...]     (default: 20 100)
//
// Every figure is the median of N runs (default 5) with min-max.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "richedit/oleriche.h"
#include "widgets/wintext.h"

namespace
{

using zest::richedit::Position;

long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

long RssKb()
{
    return StatusKb("VmRSS:");
}

// The peak resident size since the last reset.
long PeakKb()
{
    return StatusKb("VmHWM:");
}

void ResetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Statement-like text: 80-column lines with Polish letters, CR LF, a form feed line
// every 60 lines; `marker` stands once, about 500 bytes before the end.
std::string Statement(std::size_t bytes, const std::string& marker = {})
{
    // Windows-1250: ł 0xB3, ż 0xBF, ó 0xF3, ś 0x9C, ą 0xB9.
    const std::string rows[] = {
        "| Kowalski Jan         | obr. 12 Wola \xbf\xf3\xb3ta   | dz. 123/4   | RIIIa  |   0.4512 ha |",
        "| W\xb3odzimierz Nowak     | obr. 3 \x9cwi\xeatokrzyska  | dz. 77      | \xa3Pn    |   1.0020 ha |",
        "+----------------------+-----------------------+-------------+--------+-------------+",
    };
    std::string text;
    text.reserve(bytes + 200);
    bool marked = marker.empty();
    for (std::size_t line = 0; text.size() < bytes; ++line) {
        std::string row = rows[line % 3];
        if (!marked && text.size() + 600 > bytes) {
            row = "| " + marker;
            marked = true;
        }
        row.resize(80, ' ');
        text += row;
        text += "\r\n";
        if (line % 60 == 59)
            text += "\f\r\n";
    }
    return text;
}

struct Series {
    std::vector<double> Values;
    void Add(double v) { Values.push_back(v); }
    double Median() const
    {
        std::vector<double> v = Values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    double Min() const { return Values.empty() ? 0 : *std::min_element(Values.begin(), Values.end()); }
    double Max() const { return Values.empty() ? 0 : *std::max_element(Values.begin(), Values.end()); }
};

void Print(const char* name, const Series& s, const char* unit)
{
    std::printf("  %-34s %9.1f %s  (%.1f-%.1f)\n", name, s.Median(), unit, s.Min(), s.Max());
}

double Ms(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void Run(std::size_t megabytes, int reps)
{
    // "Zakończenie" in Windows-1250 (ń 0xF1), once, near the end.
    const QString word = QString::fromUtf8("Zakończenie");
    const std::string text = Statement(megabytes << 20,
        "Zako\xf1"
        "czenie zestawienia");
    const std::string more = Statement(1 << 20);
    const QString path
        = QDir::temp().filePath(QStringLiteral("bench-richedit-%1.txt").arg(QCoreApplication::applicationPid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
            throw std::runtime_error("Cannot write " + path.toStdString());
    }

    Series read, readRss, load, ratio, extra, peak, findNear, findTop, append, out;
    bool same = true;
    Position foundNear = -1, foundTop = -1;
    for (int rep = 0; rep < reps; ++rep) {
        {
            // The bare cost: the file's bytes and their text.
            ResetPeak();
            const long before = RssKb();
            QElapsedTimer timer;
            timer.start();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("Cannot read " + path.toStdString());
            const QByteArray bytes = file.readAll();
            const QString decoded
                = zest::ui::FromWin1250(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            read.Add(Ms(timer));
            readRss.Add((PeakKb() - before) / 1024.0);
            if (decoded.size() != bytes.size())
                std::printf("  decoded length differs\n");
        }

        auto edit = std::make_unique<zest::richedit::TOLEEdit>();
        edit->resize(700, 440);
        edit->show();
        QApplication::processEvents();
        ResetPeak();
        const long before = RssKb();

        QElapsedTimer timer;
        timer.start();
        edit->LoadFromFile(path);
        QApplication::processEvents();
        load.Add(Ms(timer));
        ratio.Add(load.Values.back() / read.Values.back());
        extra.Add((RssKb() - before) / 1024.0);
        peak.Add((PeakKb() - before) / 1024.0);

        auto& window = edit->Window();
        timer.restart();
        foundNear = window.FindText(word, window.TextLength() - 2000, -1, {});
        findNear.Add(Ms(timer));
        timer.restart();
        foundTop = window.FindText(word, 0, -1, {});
        findTop.Add(Ms(timer));

        timer.restart();
        window.SetSelection(window.TextLength(), 0);
        window.StreamIn(more, true);
        QApplication::processEvents();
        append.Add(Ms(timer));

        timer.restart();
        const std::string saved = window.StreamOut(false);
        out.Add(Ms(timer));
        same = same && saved == text + more;
    }
    QFile::remove(path);

    std::printf("%zu MB over LineTextWindow, %d runs (median, min-max):\n", megabytes, reps);
    Print("read + decode", read, "ms");
    Print("read + decode peak RSS", readRss, "MB");
    Print("load from file", load, "ms");
    Print("load / (read + decode)", ratio, "x");
    Print("extra RSS after load", extra, "MB");
    Print("peak extra RSS during load", peak, "MB");
    Print("find near end (from end - 2000)", findNear, "ms");
    Print("find from the top, match near end", findTop, "ms");
    Print("append 1 MB", append, "ms");
    Print("stream out", out, "ms");
    std::printf("  found at %lld and %lld; stream out gives %s\n", static_cast<long long>(foundNear),
        static_cast<long long>(foundTop), same ? "the same bytes" : "DIFFERENT bytes");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int reps = 5;
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc)
            reps = std::max(1, std::stoi(argv[++i]));
        else
            sizes.push_back(std::stoul(arg));
    }
    if (sizes.empty())
        sizes = { 20, 100 };
    try {
        for (const std::size_t mb : sizes)
            Run(mb, reps);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
