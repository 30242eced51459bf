#include "cliargs.h"

#include "database/numbertext.h"

namespace zest::cli
{

const char* const HelpText = R"(Usage: zestawienia-cli --database DB [options]
Writes the holdings statements of a register's subjects, as the statement window does.

  --database DB          register database (path, or host[/port]:path for a server)
  --user U               user name (default: $ISC_USER, else SYSDBA)
  --password P           password (default: $ISC_PASSWORD, else masterkey); it can
                         be seen in the process list: prefer --password-file or
                         ISC_PASSWORD
  --password-file FILE   read the password from the first line of FILE ("-": standard
                         input), without its line end
  --role R               SQL role
  --kind K               fizyczne (default), instytucje or grupowe
  --from TEXT            lower end of the name range ("od")
  --to TEXT              upper end of the name range ("do")
  --subject ID_PDM       only the listed subject with this id ("tylko dla wskazanej osoby")
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
  --help                 this text

A database on a server is named host:path or host/port:path (for instance
registry.office/3050:/srv/registers/gmina.fdb). A user name, password or role
holding a line break or another control character is refused (status 2).
The output, summary and PDF files appear only when the run succeeds.
Exit status: 0 success, 1 database or file error, 2 usage error,
128 + N when stopped by signal N.
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

} // namespace

Options ParseArguments(const std::vector<std::string>& args)
{
    Options o;
    bool haveDatabase = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool inlineValue = false;
        if (a.rfind("--", 0) == 0) {
            const std::size_t eq = a.find('=');
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
                a = a.substr(0, eq);
                inlineValue = true;
            }
        }
        auto next = [&]() -> std::string {
            if (inlineValue)
                return value;
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            return args[++i];
        };
        auto flag = [&]() {
            if (inlineValue)
                throw UsageError(a + " takes no value");
        };
        if (a == "--help" || a == "-h") {
            flag();
            o.help = true;
        } else if (a == "--database") {
            o.database = next();
            haveDatabase = true;
        } else if (a == "--user") {
            o.user = next();
        } else if (a == "--password") {
            o.password = next();
        } else if (a == "--password-file") {
            o.passwordFile = next();
            if (o.passwordFile.empty())
                throw UsageError("--password-file needs a file name");
        } else if (a == "--role") {
            o.role = next();
        } else if (a == "--kind") {
            const std::string k = next();
            if (k == "fizyczne")
                o.kind = 0;
            else if (k == "instytucje")
                o.kind = 1;
            else if (k == "grupowe")
                o.kind = 2;
            else
                throw UsageError("--kind: '" + k + "' is not one of fizyczne, instytucje, grupowe");
        } else if (a == "--from") {
            o.from = next();
        } else if (a == "--to") {
            o.to = next();
        } else if (a == "--subject") {
            o.subject = ParseInt(a, next());
        } else if (a == "--read-ahead") {
            o.readAhead = ParseInt(a, next());
            if (o.readAhead < 0)
                throw UsageError("--read-ahead: '" + std::to_string(o.readAhead) + "' is below 0");
        } else if (a == "--threshold") {
            o.threshold = ParseInt(a, next());
        } else if (a == "--marks") {
            const std::string m = next();
            if (m == "default")
                o.marks = Marks::Default;
            else if (m == "all")
                o.marks = Marks::All;
            else if (m == "none")
                o.marks = Marks::None;
            else
                throw UsageError("--marks: '" + m + "' is not one of default, all, none");
        } else if (a == "--toggle") {
            const std::string t = next();
            SplitToggle(t);
            o.toggles.push_back(t);
        } else if (a == "--no-paging") {
            flag();
            o.noPaging = true;
        } else if (a == "--training") {
            flag();
            o.training = true;
        } else if (a == "--only-husband") {
            flag();
            o.onlyHusband = true;
        } else if (a == "--only-women") {
            flag();
            o.onlyWomen = true;
        } else if (a == "--output") {
            o.output = next();
            if (o.output.empty())
                throw UsageError("--output needs a file name");
        } else if (a == "--encoding") {
            const std::string e = next();
            if (e == "cp1250")
                o.encoding = Encoding::Cp1250;
            else if (e == "utf-8" || e == "utf8")
                o.encoding = Encoding::Utf8;
            else
                throw UsageError("--encoding: '" + e + "' is not one of cp1250, utf-8");
        } else if (a == "--summary-csv") {
            o.summaryCsv = next();
            if (o.summaryCsv.empty())
                throw UsageError("--summary-csv needs a file name");
        } else if (a == "--pdf") {
            o.pdf = next();
            if (o.pdf.empty())
                throw UsageError("--pdf needs a file name");
        } else if (a == "--page-numbers") {
            flag();
            o.pageNumbers = true;
        } else if (a == "--progress") {
            flag();
            o.progress = true;
        } else {
            throw UsageError("unknown argument: " + args[i]);
        }
    }
    if (!o.help && (!haveDatabase || o.database.empty()))
        throw UsageError("--database is required");
    if (o.password && !o.passwordFile.empty() && !o.help)
        throw UsageError("--password and --password-file exclude each other");
    if (o.pageNumbers && o.pdf.empty() && !o.help)
        throw UsageError("--page-numbers needs --pdf");
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
