#pragma once
// The command lines of the tools read by QCommandLineParser, with the tools' own
// messages. The arguments keep their bytes: each byte is one Latin-1 character for
// the parser, so that a file name or a text that is no UTF-8 comes back unchanged, and
// the option names (ASCII) match as they are.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace zest::tools
{

// The first argument the parser refused, as it was typed.
struct Refusal {
    enum Kind {
        Unknown, // an unknown option, or a positional argument where none is taken
        NeedsValue, // the last argument, an option whose value is missing
        TakesNoValue, // a switch given a value ("--name=..."); `option` is "--name"
    };
    Kind kind;
    std::string argument;
    std::string option;
};

// Parses `args` (without the program name). Returns the first refusal, in the order
// of the arguments, or nothing when every argument was read.
std::optional<Refusal> Parse(QCommandLineParser& parser, const std::vector<std::string>& args, bool takesPositional);

QString ToParser(const std::string& bytes);
std::string FromParser(const QString& text);

} // namespace zest::tools
