#include "commandline.h"

namespace zest::tools
{

namespace
{

const QString Filler(QChar(u'\0'));

// The parser's answer for the first `count` arguments followed by a filler value, so
// that an option left without its value at the cut takes the filler instead of
// failing. The filler holds a NUL, which no argument of a command line can.
bool Refuses(QCommandLineParser& parser, const QStringList& qtArgs, qsizetype count, bool takesPositional)
{
    QStringList prefix = qtArgs.first(count + 1);
    prefix.append(Filler);
    if (!parser.parse(prefix))
        return true;
    if (takesPositional)
        return false;
    const QStringList positional = parser.positionalArguments();
    return positional.size() > (!positional.isEmpty() && positional.back() == Filler ? 1 : 0);
}

} // namespace

QString ToParser(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromParser(const QString& text)
{
    return text.toLatin1().toStdString();
}

std::optional<Refusal> Parse(QCommandLineParser& parser, const std::vector<std::string>& args, bool takesPositional)
{
    QStringList qtArgs { QStringLiteral("program") };
    for (const std::string& a : args)
        qtArgs.append(ToParser(a));
    const bool read = parser.parse(qtArgs);
    if (read && (takesPositional || parser.positionalArguments().isEmpty()))
        return std::nullopt;

    // What the parser reads of the first arguments does not depend on the ones after
    // them, so the arguments before the first refused one are all read: a binary search.
    const auto n = static_cast<qsizetype>(args.size());
    std::optional<Refusal> refusal;
    if (!Refuses(parser, qtArgs, n, takesPositional)) {
        // Only the filler was missing: the last option has no value.
        refusal = Refusal { Refusal::NeedsValue, args.back(), args.back() };
    } else {
        qsizetype low = 0, high = n; // refuses with `high` arguments, not with `low`
        while (high - low > 1) {
            const qsizetype mid = low + (high - low) / 2;
            (Refuses(parser, qtArgs, mid, takesPositional) ? high : low) = mid;
        }
        const std::string& a = args[static_cast<std::size_t>(high - 1)];
        refusal = Refusal { Refusal::Unknown, a, a };
        const std::size_t eq = a.find('=');
        // A known option refused with "=value" is a switch: the others take the value.
        if (a.starts_with("--") && eq != std::string::npos && eq > 2
            && parser.parse({ qtArgs.front(), ToParser(a.substr(0, eq)), Filler }))
            refusal = Refusal { Refusal::TakesNoValue, a, a.substr(0, eq) };
    }
    parser.parse(qtArgs); // the parser's state for the whole line again
    return refusal;
}

} // namespace zest::tools
