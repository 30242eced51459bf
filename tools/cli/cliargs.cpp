#include "cliargs.h"

#include <QCommandLineParser>
#include <algorithm>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <utility>

#include "commandline.h"
#include "database/numbertext.h"
#include "disclosures/register.h"

namespace zest::cli
{

const char* const HelpText = R"(Usage: zestawienia-cli --database DB [options]
       zestawienia-cli disclosures [options]
Writes the holdings statements of a register's subjects, as the statement window does.

  --database DB          register database (path, or host[/port]:path for a server)
  --user U               user name (default: $ISC_USER)
  --password P           password (default: $ISC_PASSWORD); it can be seen in the
                         process list: prefer --password-file or ISC_PASSWORD
  --password-file FILE   read the password from the first line of FILE ("-": standard
                         input), without its line end; a warning when other users may
                         read FILE
  --role R               SQL role
  --kind K               fizyczne (default), instytucje or grupowe
  --from TEXT            lower end of the name range ("od")
  --to TEXT              upper end of the name range ("do")
  --subject ID_PDM       only the listed subject with this id ("tylko dla wskazanej osoby")
  --subjects-file FILE   the subjects with the ids in FILE ("-": standard input), one id
                         per line, blank lines and '#' comments allowed, in the file's
                         order; ids not in the register or of another kind than --kind
                         (and ids listed again) go to standard error and the summary,
                         and the tool ends with status 3 after writing the others
  --precinct N           only subjects with a current share in a unit of precinct N
                         (OBREBY.ID); a person also through a marriage
  --threshold N          area threshold in m2 (default 10000)
  --marks M              default (default), all or none: the class marks
  --toggle OZU/OZK/OFU   toggle the mark of that class row (may be repeated)
  --no-paging            no form feed after each block ("stronicowanie" off)
  --training             training title ("Do celow szkoleniowych")
  --only-husband         wives in their husbands' statements ("zestawienie tylko przy mezu")
  --only-women           men get no statement ("Tylko kobiety")
  --output FILE          write the statements to FILE instead of standard output
  --encoding E           cp1250 (default: the bytes of the statement file) or utf-8
  --summary-csv FILE     one row per reported subject, UTF-8 with BOM, ';'-separated
  --progress             a progress line on standard error
  --pdf FILE             also print the statements into the PDF file FILE (A4), as the
                         preview's print button does: each block on pages of its own
  --page-numbers         number the PDF's pages "- 1 -", "- 2 -", ... (with --pdf)
  --read-ahead N         subjects whose rows are read ahead together, a few statements
                         per batch (default 1000); 0 reads subject after subject, with
                         a statement per block, address and marriage list (slow on a
                         network; the same bytes)
  --wire-compression W   on or off: compress the connection to a server (default:
                         $ZESTAWIENIA_WIRE_COMPRESSION, else off); on pays over a narrow
                         link (a VPN), costs CPU on a fast one; no effect on a register file
  --help                 this text
  --version              the tool's version and that of the database client library

Every statement written is recorded in the register of disclosures (see
"zestawienia-cli disclosures --help"); when it cannot be written, nothing is output.
A database on a server is named host:path or host/port:path (for instance
registry.office/3050:/srv/registers/gmina.fdb); it needs a user name and a
password (status 2 without them). A register file opened by the embedded engine
needs neither: without a user, the login name of the process. A user name, password
or role holding a line break or another control character is refused (status 2).
ZESTAWIENIA_WIRE_CRYPT=Required, Enabled or Disabled sets the encryption of the
connection to a server (Required refuses a server that does not encrypt);
ZESTAWIENIA_WIRE_COMPRESSION=on or off its compression, as --wire-compression does.
The output, summary and PDF files appear only when the run succeeds.
Exit status: 0 success, 1 database or file error, 2 usage error, 3 some subjects
of --subjects-file set aside (the others written), 128 + N when stopped by signal N.
)";

const char* const DisclosuresHelpText = R"(Usage: zestawienia-cli disclosures [options]
Prints the register of disclosures: who was handed whose data, when and how. One line
per subject per output, newest last, ';'-separated UTF-8 under the header
time;user;account;machine;database;subject;name;output;status;options
(user: the register login; account and machine: the system account of the process and
the machine's name; status: delivered, failed: <reason>, or unconfirmed when the
output was begun and its process ended before saying how it went, which counts as
disclosed).

  --subject ID_PDM           only the rows of this subject
  --user U                   only the rows of this register user
  --account A                only the rows of this system account
  --since YYYY-MM-DD         only rows of this day (UTC) or later
  --until YYYY-MM-DD         only rows of this day (UTC) or earlier
  --csv FILE                 write the lines to FILE (with a byte order mark and CRLF
                             line ends, for a spreadsheet) instead of standard output
  --purge-before YYYY-MM-DD  delete the rows of the days before this one (retention);
                             a day less than a year before today is refused without
                             --force; the register keeps a note of every purge
  --force                    purge rows of the last year too
  --help                     this text

The register is the file ZESTAWIENIA_DISCLOSURES names, else disclosures.sqlite in
~/.local/share/zestawienia; ZESTAWIENIA_DISCLOSURES=off turns it off. A listing only
reads the file: it never changes it, nor upgrades an older one.
Exit status: 0 success, 1 the register cannot be read or written, 2 usage error (and
a purge of the last year without --force).
)";

namespace
{

std::int32_t ParseInt(const std::string& name, const std::string& text)
{
    const auto value = fb::NumberFromText<std::int32_t>(text);
    if (!value)
        throw UsageError(name + ": '" + text + "' is not a valid integer value");
    return *value;
}

std::string FileName(const std::string& name, const std::string& text)
{
    if (text.empty())
        throw UsageError(name + " needs a file name");
    return text;
}

// The value of one of the `words`; the message lists the first spelling of each value.
template <typename T>
T OneOf(const std::string& name, const std::string& text, std::initializer_list<std::pair<const char*, T>> words)
{
    std::string list;
    for (auto w = words.begin(); w != words.end(); ++w) {
        if (text == w->first)
            return w->second;
        if (std::find_if(words.begin(), w, [&](const auto& earlier) { return earlier.second == w->second; }) == w)
            list += (list.empty() ? "" : ", ") + std::string(w->first);
    }
    throw UsageError(name + ": '" + text + "' is not one of " + list);
}

// Every option: its name, the name of its value (none for a switch) and where it goes.
// The options are read in the order given, so the last of a repeated one counts.
template <typename O> struct OptionRule {
    const char* name;
    const char* valueName;
    void (*read)(O&, const std::string& name, const std::string& value);
    const char* shortName = nullptr;
};

const OptionRule<Options> Rules[] = {
    { "help", nullptr, [](Options& o, const std::string&, const std::string&) { o.help = true; }, "h" },
    { "version", nullptr, [](Options& o, const std::string&, const std::string&) { o.version = true; } },
    { "database", "DB", [](Options& o, const std::string&, const std::string& v) { o.database = v; } },
    { "user", "U", [](Options& o, const std::string&, const std::string& v) { o.user = v; } },
    { "password", "P", [](Options& o, const std::string&, const std::string& v) { o.password = v; } },
    { "password-file", "FILE",
        [](Options& o, const std::string& n, const std::string& v) { o.passwordFile = FileName(n, v); } },
    { "role", "R", [](Options& o, const std::string&, const std::string& v) { o.role = v; } },
    { "kind", "K",
        [](Options& o, const std::string& n, const std::string& v) {
            o.kind = OneOf<int>(n, v, { { "fizyczne", 0 }, { "instytucje", 1 }, { "grupowe", 2 } });
        } },
    { "from", "TEXT", [](Options& o, const std::string&, const std::string& v) { o.from = v; } },
    { "to", "TEXT", [](Options& o, const std::string&, const std::string& v) { o.to = v; } },
    { "subject", "ID_PDM", [](Options& o, const std::string& n, const std::string& v) { o.subject = ParseInt(n, v); } },
    { "subjects-file", "FILE",
        [](Options& o, const std::string& n, const std::string& v) { o.subjectsFile = FileName(n, v); } },
    { "precinct", "N", [](Options& o, const std::string& n, const std::string& v) { o.precinct = ParseInt(n, v); } },
    { "threshold", "N", [](Options& o, const std::string& n, const std::string& v) { o.threshold = ParseInt(n, v); } },
    { "marks", "M",
        [](Options& o, const std::string& n, const std::string& v) {
            o.marks
                = OneOf<Marks>(n, v, { { "default", Marks::Default }, { "all", Marks::All }, { "none", Marks::None } });
        } },
    { "toggle", "OZU/OZK/OFU",
        [](Options& o, const std::string&, const std::string& v) {
            SplitToggle(v);
            o.toggles.push_back(v);
        } },
    { "no-paging", nullptr, [](Options& o, const std::string&, const std::string&) { o.noPaging = true; } },
    { "training", nullptr, [](Options& o, const std::string&, const std::string&) { o.training = true; } },
    { "only-husband", nullptr, [](Options& o, const std::string&, const std::string&) { o.onlyHusband = true; } },
    { "only-women", nullptr, [](Options& o, const std::string&, const std::string&) { o.onlyWomen = true; } },
    { "output", "FILE", [](Options& o, const std::string& n, const std::string& v) { o.output = FileName(n, v); } },
    { "encoding", "E",
        [](Options& o, const std::string& n, const std::string& v) {
            o.encoding = OneOf<Encoding>(
                n, v, { { "cp1250", Encoding::Cp1250 }, { "utf-8", Encoding::Utf8 }, { "utf8", Encoding::Utf8 } });
        } },
    { "summary-csv", "FILE",
        [](Options& o, const std::string& n, const std::string& v) { o.summaryCsv = FileName(n, v); } },
    { "progress", nullptr, [](Options& o, const std::string&, const std::string&) { o.progress = true; } },
    { "pdf", "FILE", [](Options& o, const std::string& n, const std::string& v) { o.pdf = FileName(n, v); } },
    { "page-numbers", nullptr, [](Options& o, const std::string&, const std::string&) { o.pageNumbers = true; } },
    { "read-ahead", "N",
        [](Options& o, const std::string& n, const std::string& v) {
            o.readAhead = ParseInt(n, v);
            if (o.readAhead < 0)
                throw UsageError(n + ": '" + std::to_string(o.readAhead) + "' is below 0");
        } },
    { "wire-compression", "W",
        [](Options& o, const std::string& n, const std::string& v) {
            o.wireCompression = OneOf<bool>(n, v, { { "on", true }, { "off", false } });
        } },
};

// The options of `args` read by `rules`, in the order given.
template <typename O, std::size_t N>
O ReadOptions(const OptionRule<O> (&rules)[N], const std::vector<std::string>& args)
{
    QCommandLineParser parser;
    for (const OptionRule<O>& rule : rules) {
        QStringList names { QString::fromLatin1(rule.name) };
        if (rule.shortName)
            names.prepend(QString::fromLatin1(rule.shortName));
        parser.addOption(rule.valueName ? QCommandLineOption(names, {}, QString::fromLatin1(rule.valueName))
                                        : QCommandLineOption(names));
    }
    if (const auto refusal = tools::Parse(parser, args, false)) {
        switch (refusal->kind) {
        case tools::Refusal::NeedsValue:
            throw UsageError(refusal->option + " needs a value");
        case tools::Refusal::TakesNoValue:
            throw UsageError(refusal->option + " takes no value");
        case tools::Refusal::Unknown:
            throw UsageError("unknown argument: " + refusal->argument);
        }
    }

    // Each option in the order given, with its next value.
    O o;
    std::map<QString, qsizetype> used;
    for (const QString& found : parser.optionNames()) {
        const auto rule = std::find_if(std::begin(rules), std::end(rules), [&](const OptionRule<O>& r) {
            return found == QLatin1String(r.name) || (r.shortName && found == QLatin1String(r.shortName));
        });
        if (rule == std::end(rules))
            throw std::logic_error("no rule for the option " + found.toStdString());
        std::string value;
        if (rule->valueName)
            value = tools::FromParser(parser.values(found).at(used[found]++));
        rule->read(o, std::string("--") + rule->name, value);
    }
    return o;
}

std::string Date(const std::string& name, const std::string& text)
{
    if (!disclosures::IsDate(text))
        throw UsageError(name + ": '" + text + "' is not a date YYYY-MM-DD");
    return text;
}

const OptionRule<DisclosuresOptions> DisclosuresRules[] = {
    { "help", nullptr, [](DisclosuresOptions& o, const std::string&, const std::string&) { o.help = true; }, "h" },
    { "subject", "ID_PDM",
        [](DisclosuresOptions& o, const std::string& n, const std::string& v) { o.subject = ParseInt(n, v); } },
    { "user", "U", [](DisclosuresOptions& o, const std::string&, const std::string& v) { o.user = v; } },
    { "account", "A", [](DisclosuresOptions& o, const std::string&, const std::string& v) { o.account = v; } },
    { "since", "YYYY-MM-DD",
        [](DisclosuresOptions& o, const std::string& n, const std::string& v) { o.since = Date(n, v); } },
    { "until", "YYYY-MM-DD",
        [](DisclosuresOptions& o, const std::string& n, const std::string& v) { o.until = Date(n, v); } },
    { "csv", "FILE",
        [](DisclosuresOptions& o, const std::string& n, const std::string& v) { o.csv = FileName(n, v); } },
    { "purge-before", "YYYY-MM-DD",
        [](DisclosuresOptions& o, const std::string& n, const std::string& v) { o.purgeBefore = Date(n, v); } },
    { "force", nullptr, [](DisclosuresOptions& o, const std::string&, const std::string&) { o.force = true; } },
};

} // namespace

DisclosuresOptions ParseDisclosuresArguments(const std::vector<std::string>& args)
{
    DisclosuresOptions o = ReadOptions(DisclosuresRules, args);
    if (o.help)
        return o;
    if (o.purgeBefore && (o.subject || o.user || o.account || o.since || o.until || !o.csv.empty()))
        throw UsageError("--purge-before takes no other option but --force");
    if (o.force && !o.purgeBefore)
        throw UsageError("--force goes with --purge-before");
    if (o.since && o.until && *o.since > *o.until)
        throw UsageError("--since " + *o.since + " is after --until " + *o.until);
    return o;
}

Options ParseArguments(const std::vector<std::string>& args)
{
    Options o = ReadOptions(Rules, args);
    if (o.help || o.version)
        return o; // nothing is run
    if (o.database.empty())
        throw UsageError("--database is required");
    if (o.password && !o.passwordFile.empty())
        throw UsageError("--password and --password-file exclude each other");
    if (o.pageNumbers && o.pdf.empty())
        throw UsageError("--page-numbers needs --pdf");
    if (o.passwordFile == "-" && o.subjectsFile == "-")
        throw UsageError("--password-file - and --subjects-file - cannot both read standard input");
    if (!o.subjectsFile.empty()) {
        if (o.subject || !o.from.empty() || !o.to.empty() || o.precinct)
            throw UsageError("--subjects-file excludes --subject, --from, --to and --precinct");
    }
    return o;
}

ClassCodes SplitToggle(const std::string& value)
{
    const std::size_t a = value.find('/');
    const std::size_t b = a == std::string::npos ? std::string::npos : value.find('/', a + 1);
    if (a == std::string::npos || b == std::string::npos || value.find('/', b + 1) != std::string::npos)
        throw UsageError("--toggle: '" + value + "' is not OZU/OZK/OFU");
    return { value.substr(0, a), value.substr(a + 1, b - a - 1), value.substr(b + 1) };
}

} // namespace zest::cli
