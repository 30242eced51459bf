// Load time and memory of the printable control for large statements, offscreen:
// stream in, append, find near the end, stream out.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <string>

#include "richedit/oleriche.h"

namespace
{

long RssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Statement-like text: 80-column lines with Polish letters, CR LF, a form feed line
// every 60 lines.
std::string Statement(std::size_t bytes)
{
    // Windows-1250: ł 0xB3, ż 0xBF, ó 0xF3, ś 0x9C, ą 0xB9.
    const std::string rows[] = {
        "| Kowalski Jan         | obr. 12 Wola \xbf\xf3\xb3ta   | dz. 123/4   | RIIIa  |   0.4512 ha |",
        "| W\xb3odzimierz Nowak     | obr. 3 \x9cwi\xeatokrzyska  | dz. 77      | \xa3Pn    |   1.0020 ha |",
        "+----------------------+-----------------------+-------------+--------+-------------+",
    };
    std::string text;
    text.reserve(bytes + 200);
    for (std::size_t line = 0; text.size() < bytes; ++line) {
        std::string row = rows[line % 3];
        row.resize(80, ' ');
        text += row;
        text += "\r\n";
        if (line % 60 == 59)
            text += "\f\r\n";
    }
    return text;
}

void Run(std::size_t megabytes)
{
    const std::string text = Statement(megabytes << 20);
    const std::string more = Statement(1 << 20);
    const long before = RssKb();
    zest::richedit::TOLEEdit edit;
    edit.resize(700, 440);
    edit.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    edit.Window().StreamIn(text, false);
    QApplication::processEvents();
    const qint64 load = timer.restart();
    const long loaded = RssKb();

    auto& window = edit.Window();
    window.SetSelection(window.TextLength(), 0);
    window.StreamIn(more, true);
    QApplication::processEvents();
    const qint64 append = timer.restart();

    const auto found = window.FindText(QString::fromUtf8("ŁPn"), window.TextLength() - 2000, -1, { true, true });
    const qint64 find = timer.restart();
    const auto absent = window.FindText(QStringLiteral("nie ma"), 0, -1, {});
    const qint64 scan = timer.restart();

    const std::string out = window.StreamOut(false);
    const qint64 save = timer.restart();

    std::printf("%zu MB: stream in %lld ms, RSS +%ld MB (%ld MB total); append 1 MB %lld ms; "
                "find near end %lld ms (at %lld); whole-text miss %lld ms (%lld); stream out %lld ms (%zu bytes, %s)\n",
        megabytes, static_cast<long long>(load), (loaded - before) / 1024, loaded / 1024,
        static_cast<long long>(append), static_cast<long long>(find), static_cast<long long>(found),
        static_cast<long long>(scan), static_cast<long long>(absent), static_cast<long long>(save), out.size(),
        out == text + more ? "same bytes" : "DIFFERENT bytes");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            Run(std::stoul(argv[i]));
    } else {
        Run(20);
        Run(100);
    }
    return 0;
}
