#pragma once
// The command line of zestawienia-cli. Its interface is fixed: other programs call it.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zest::cli
{

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class Marks { Default, All, None };
enum class Encoding { Cp1250, Utf8 };

struct Options {
    std::string database;
    // As given; see ResolveCredentials for the environment and the defaults.
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::string passwordFile; // "-": standard input
    std::string role;
    int kind = 0; // 0 fizyczne, 1 instytucje, 2 grupowe
    std::string from; // as given (UTF-8)
    std::string to;
    std::optional<std::int32_t> subject;
    std::string subjectsFile; // ids one per line, in this order ("-": standard input)
    std::optional<std::int32_t> precinct; // subjects with a current share there
    std::int32_t threshold = 10000;
    Marks marks = Marks::Default;
    std::vector<std::string> toggles; // "OZU/OZK/OFU"
    bool noPaging = false;
    bool training = false;
    bool onlyHusband = false;
    bool onlyWomen = false;
    std::string output; // empty: standard output
    Encoding encoding = Encoding::Cp1250;
    std::string summaryCsv;
    bool progress = false;
    std::string pdf; // empty: no PDF
    bool pageNumbers = false;
    int readAhead = 1000; // subjects read ahead at a time; 0: a statement per question
    std::optional<bool> wireCompression; // none: ZESTAWIENIA_WIRE_COMPRESSION, else the default
    bool help = false;
    bool version = false;
};

// Throws UsageError with a message naming the offending argument.
Options ParseArguments(const std::vector<std::string>& args);

// The three codes of a --toggle value; throws UsageError unless there are exactly three.
struct ClassCodes {
    std::string ozu, ozk, ofu;
};
ClassCodes SplitToggle(const std::string& value);

extern const char* const HelpText;

// `zestawienia-cli disclosures [options]`: the register of disclosures read or purged.
struct DisclosuresOptions {
    std::optional<std::int32_t> subject;
    std::optional<std::string> user; // UTF-8, as typed
    std::optional<std::string> account; // UTF-8, as typed
    std::optional<std::string> since, until; // YYYY-MM-DD, inclusive
    std::string csv; // empty: standard output
    std::optional<std::string> purgeBefore; // YYYY-MM-DD
    bool force = false; // a purge of the last year
    bool help = false;
};

// The arguments after "disclosures"; throws UsageError.
DisclosuresOptions ParseDisclosuresArguments(const std::vector<std::string>& args);

extern const char* const DisclosuresHelpText;

} // namespace zest::cli
