// The command line of zestawienia-cli: every option, both value forms, and the
// mistakes that must end as usage errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "cliargs.h"
#include "credentials.h"
#include "disclosurescommand.h"
#include "statement/session.h"
#include "subjectsfile.h"

namespace zest::cli
{
namespace
{

using Args = std::vector<std::string>;

struct Accepted {
    const char* name;
    Args args;
    std::function<bool(const Options&)> holds;
};

class Accepts : public testing::TestWithParam<Accepted>
{
};

TEST_P(Accepts, ParsesToTheExpectedOptions)
{
    const Accepted& c = GetParam();
    Options o;
    ASSERT_NO_THROW(o = ParseArguments(c.args));
    EXPECT_TRUE(c.holds(o));
}

const Accepted AcceptedCases[] = {
    { "defaults", { "--database", "r.fdb" },
        [](const Options& o) {
            return o.database == "r.fdb" && !o.user && !o.password && o.passwordFile.empty() && o.role.empty()
                && o.kind == 0 && o.from.empty() && o.to.empty() && !o.subject && o.threshold == 10000
                && o.marks == Marks::Default && o.toggles.empty() && !o.noPaging && !o.training && !o.onlyHusband
                && !o.onlyWomen && o.output.empty() && o.encoding == Encoding::Cp1250 && o.summaryCsv.empty()
                && !o.progress && !o.help;
        } },
    { "every_option_separate_values",
        { "--database", "h:/d/r.fdb", "--user", "ANNA", "--password", "pw", "--role", "R1", "--kind", "instytucje",
            "--from", "A", "--to", "\xC5\xBB", "--subject", "42", "--threshold", "0", "--marks", "all", "--toggle",
            "R/IIIa/R", "--no-paging", "--training", "--only-husband", "--only-women", "--output", "o.txt",
            "--encoding", "utf-8", "--summary-csv", "s.csv", "--progress" },
        [](const Options& o) {
            return o.database == "h:/d/r.fdb" && o.user == "ANNA" && o.password == "pw" && o.role == "R1" && o.kind == 1
                && o.from == "A" && o.to == "\xC5\xBB" && o.subject == 42 && o.threshold == 0 && o.marks == Marks::All
                && o.toggles == Args { "R/IIIa/R" } && o.noPaging && o.training && o.onlyHusband && o.onlyWomen
                && o.output == "o.txt" && o.encoding == Encoding::Utf8 && o.summaryCsv == "s.csv" && o.progress;
        } },
    { "inline_values",
        { "--database=r.fdb", "--kind=grupowe", "--threshold=-5", "--marks=none", "--subject=+7", "--encoding=cp1250",
            "--from=", "--password=a=b" },
        [](const Options& o) {
            return o.database == "r.fdb" && o.kind == 2 && o.threshold == -5 && o.marks == Marks::None && o.subject == 7
                && o.encoding == Encoding::Cp1250 && o.from.empty() && o.password == "a=b";
        } },
    { "kind_fizyczne_and_marks_default",
        { "--database", "r", "--kind", "instytucje", "--kind", "fizyczne", "--marks", "all", "--marks", "default" },
        [](const Options& o) { return o.kind == 0 && o.marks == Marks::Default; } },
    { "toggles_repeat_in_order_empty_codes_allowed",
        { "--database", "r", "--toggle", "W//W", "--toggle=//", "--toggle", "\xC5\x81/IV/\xC5\x81" },
        [](const Options& o) {
            return o.toggles == Args { "W//W", "//", "\xC5\x81/IV/\xC5\x81" };
        } },
    { "value_that_looks_like_an_option", { "--database", "r", "--from", "--to" },
        [](const Options& o) { return o.from == "--to" && o.to.empty(); } },
    { "bytes_that_are_no_utf8_kept", { "--database", "r\xB3.fdb", "--from=\xFF\xB3", "--to", "\xC5" },
        [](const Options& o) { return o.database == "r\xB3.fdb" && o.from == "\xFF\xB3" && o.to == "\xC5"; } },
    { "help_needs_no_database", { "--help" }, [](const Options& o) { return o.help; } },
    { "short_help", { "-h", "--kind", "grupowe" }, [](const Options& o) { return o.help && o.kind == 2; } },
    { "threshold_limits", { "--database", "r", "--threshold", "2147483647", "--subject", "-2147483648" },
        [](const Options& o) { return o.threshold == 2147483647 && o.subject == -2147483647 - 1; } },
    { "no_pdf_by_default", { "--database", "r" }, [](const Options& o) { return o.pdf.empty() && !o.pageNumbers; } },
    { "pdf_with_page_numbers", { "--database", "r", "--pdf", "out.pdf", "--page-numbers" },
        [](const Options& o) { return o.pdf == "out.pdf" && o.pageNumbers; } },
    { "pdf_inline", { "--database", "r", "--pdf=s.pdf" },
        [](const Options& o) { return o.pdf == "s.pdf" && !o.pageNumbers; } },
};

INSTANTIATE_TEST_SUITE_P(CliArgs, Accepts, testing::ValuesIn(AcceptedCases),
    [](const testing::TestParamInfo<Accepted>& info) { return std::string(info.param.name); });

struct Rejected {
    const char* name;
    Args args;
    const char* messagePart; // the message names the problem
};

class Rejects : public testing::TestWithParam<Rejected>
{
};

TEST_P(Rejects, WithAUsageErrorNamingTheProblem)
{
    const Rejected& c = GetParam();
    try {
        ParseArguments(c.args);
        FAIL() << "accepted";
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
    }
}

const Rejected RejectedCases[] = {
    { "no_arguments", {}, "--database is required" },
    { "no_database", { "--kind", "instytucje" }, "--database is required" },
    { "empty_database", { "--database=" }, "--database is required" },
    { "database_without_value", { "--database" }, "--database needs a value" },
    { "user_without_value", { "--database", "r", "--user" }, "--user needs a value" },
    { "output_without_value", { "--database", "r", "--output" }, "--output needs a value" },
    { "empty_output", { "--database", "r", "--output=" }, "--output needs a file name" },
    { "empty_summary", { "--database", "r", "--summary-csv", "" }, "--summary-csv needs a file name" },
    { "unknown_option", { "--database", "r", "--colour" }, "unknown argument: --colour" },
    { "unknown_inline_option", { "--database", "r", "--colour=red" }, "unknown argument: --colour=red" },
    { "stray_word", { "--database", "r", "extra" }, "unknown argument: extra" },
    { "unknown_short_option", { "--database", "r", "-x" }, "unknown argument: -x" },
    { "short_help_with_value", { "-h=1" }, "unknown argument: -h=1" },
    { "option_without_name", { "--database", "r", "--=x" }, "unknown argument: --=x" },
    { "first_mistake_named", { "--database", "r", "--training=1", "--colour", "--user" }, "--training takes no value" },
    { "bad_kind", { "--database", "r", "--kind", "osoby" }, "--kind: 'osoby'" },
    { "kind_is_case_sensitive", { "--database", "r", "--kind", "Fizyczne" }, "--kind" },
    { "bad_marks", { "--database", "r", "--marks", "some" }, "--marks: 'some'" },
    { "bad_encoding", { "--database", "r", "--encoding", "latin2" }, "--encoding: 'latin2'" },
    { "threshold_out_of_range", { "--database", "r", "--threshold", "99999999999" }, "--threshold: '99999999999'" },
    { "threshold_two_signs", { "--database", "r", "--threshold", "+-5" }, "--threshold: '+-5'" },
    { "threshold_not_a_number", { "--database", "r", "--threshold", "abc" }, "--threshold: 'abc'" },
    { "threshold_trailing_text", { "--database", "r", "--threshold", "10m" }, "--threshold: '10m'" },
    { "threshold_empty", { "--database", "r", "--threshold=" }, "--threshold: ''" },
    { "threshold_fraction", { "--database", "r", "--threshold", "1.5" }, "--threshold" },
    { "subject_not_a_number", { "--database", "r", "--subject", "x1" }, "--subject: 'x1'" },
    { "toggle_two_codes", { "--database", "r", "--toggle", "A/B" }, "--toggle: 'A/B'" },
    { "toggle_four_codes", { "--database", "r", "--toggle", "A/B/C/D" }, "--toggle: 'A/B/C/D'" },
    { "toggle_no_slash", { "--database", "r", "--toggle", "R" }, "--toggle: 'R'" },
    { "switch_with_value", { "--database", "r", "--training=yes" }, "--training takes no value" },
    { "help_with_value", { "--help=1" }, "--help takes no value" },
    { "pdf_without_value", { "--database", "r", "--pdf" }, "--pdf needs a value" },
    { "empty_pdf", { "--database", "r", "--pdf=" }, "--pdf needs a file name" },
    { "page_numbers_with_value", { "--database", "r", "--pdf", "p", "--page-numbers=1" },
        "--page-numbers takes no value" },
    { "page_numbers_without_pdf", { "--database", "r", "--page-numbers" }, "--page-numbers needs --pdf" },
    { "password_and_password_file", { "--database", "r", "--password-file", "-", "--password", "p" },
        "--password and --password-file exclude each other" },
    { "empty_password_file", { "--database", "r", "--password-file=" }, "--password-file needs a file name" },
    { "password_and_subjects_both_from_standard_input",
        { "--database", "r", "--password-file", "-", "--subjects-file", "-" },
        "--password-file - and --subjects-file - cannot both read standard input" },
};

INSTANTIATE_TEST_SUITE_P(CliArgs, Rejects, testing::ValuesIn(RejectedCases),
    [](const testing::TestParamInfo<Rejected>& info) { return std::string(info.param.name); });

TEST(CliToggle, SplitsIntoOzuOzkOfuKeepingEmptyCodes)
{
    const ClassCodes c = SplitToggle("W//Wp");
    EXPECT_EQ(c.ozu, "W");
    EXPECT_EQ(c.ozk, "");
    EXPECT_EQ(c.ofu, "Wp");
    const ClassCodes d = SplitToggle("R/IIIa/R");
    EXPECT_EQ(d.ozu, "R");
    EXPECT_EQ(d.ozk, "IIIa");
    EXPECT_EQ(d.ofu, "R");
}

// Where the user name and password come from: the command line first, then ISC_USER
// and ISC_PASSWORD; a password file gives its first line only, with a warning when others
// may read it. Nothing of the tool's own: the embedded engine goes without, a server is
// refused without a user and a password.
TEST(CliCredentials, CommandLineThenEnvironmentAndNoDefaultsForAServer)
{
    const Environment none = [](const char*) -> std::optional<std::string> { return std::nullopt; };
    const Environment isc = [](const char* name) -> std::optional<std::string> {
        return std::string(name) == "ISC_USER" ? "ANNA" : "tajne";
    };
    std::ostringstream warnings;
    const auto resolve = [&](const Args& args, const Environment& env) {
        return ResolveCredentials(ParseArguments(args), env, warnings);
    };
    EXPECT_EQ(resolve({ "--database", "r" }, none), (fb::Credentials { "", "", "" }));
    EXPECT_EQ(resolve({ "--database", "r" }, isc), (fb::Credentials { "ANNA", "tajne", "" }));
    EXPECT_EQ(resolve({ "--database", "r", "--user", "JAN", "--password", "", "--role", "R" }, isc),
        (fb::Credentials { "JAN", "", "R" }));
    const std::string server = "host/3050:/srv/r.fdb";
    EXPECT_EQ(resolve({ "--database", server }, isc), (fb::Credentials { "ANNA", "tajne", "" }));
    for (const Args& missing : { Args { "--database", server }, Args { "--database", server, "--user", "JAN" },
             Args { "--database", "host:/r.fdb", "--password", "p" } }) {
        try {
            resolve(missing, none);
            FAIL() << missing.back() << " accepted";
        } catch (const CredentialsError& e) {
            for (const char* named : { "--user", "--password", "--password-file", "ISC_USER", "ISC_PASSWORD" })
                EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
        }
    }

    const std::string file = testing::TempDir() + "/zest-password-" + std::to_string(::getpid());
    std::ofstream(file, std::ios::binary) << "p=a ss\r\nsecond line\n";
    namespace fs = std::filesystem;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(resolve({ "--database", "r", "--password-file", file }, isc).password, "p=a ss");
    EXPECT_EQ(warnings.str(), "");
#if !defined(_WIN32) // the mode bits of POSIX; Windows keeps a file's permissions in its ACL
    fs::permissions(file, fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
    EXPECT_EQ(resolve({ "--database", "r", "--password-file", file }, isc).password, "p=a ss");
    EXPECT_NE(
        warnings.str().find("password file " + file + " can be read by other users (mode 0644)"), std::string::npos)
        << warnings.str();
#endif
    fs::remove(file);
    EXPECT_THROW(resolve({ "--database", "r", "--password-file", file }, none), std::runtime_error);

    std::istringstream noLineEnd("abc"), empty("");
    EXPECT_EQ(FirstLine(noLineEnd), "abc");
    EXPECT_EQ(FirstLine(empty), "");
}

TEST(CliArgs, DisclosuresOptions)
{
    const DisclosuresOptions o = ParseDisclosuresArguments(
        { "--subject", "7", "--user", "JAN", "--since", "2024-02-29", "--until=2024-03-01", "--csv", "d.csv" });
    EXPECT_EQ(o.subject, 7);
    EXPECT_EQ(o.user, "JAN");
    EXPECT_EQ(o.since, "2024-02-29");
    EXPECT_EQ(o.until, "2024-03-01");
    EXPECT_EQ(o.csv, "d.csv");
    EXPECT_EQ(ParseDisclosuresArguments({ "--purge-before", "2020-01-01" }).purgeBefore, "2020-01-01");
    EXPECT_EQ(ParseDisclosuresArguments({ "--account", "anna" }).account, "anna");
    EXPECT_TRUE(ParseDisclosuresArguments({ "--purge-before", "2020-01-01", "--force" }).force);
    for (const std::vector<std::string>& bad :
        std::vector<std::vector<std::string>> { { "--since", "2023-02-29" }, { "--until", "2024-1-01" },
            { "--since", "2024-03-02", "--until", "2024-03-01" }, { "--purge-before", "2020-01-01", "--subject", "1" },
            { "--purge-before", "2020-01-01", "--account", "a" }, { "--force" }, { "--database", "x" }, { "--csv" } })
        EXPECT_THROW(ParseDisclosuresArguments(bad), UsageError) << bad.front();
    // A purge keeps the rows of the last year.
    EXPECT_EQ(YearBefore("2026-12-09"), "2025-12-09");
    EXPECT_EQ(YearBefore("2028-02-29"), "2027-02-28");
}

TEST(SubjectsFile, IdsWithCommentsBlankLinesAndCrLf)
{
    std::istringstream in("\xEF\xBB\xBF# lista\r\n12\r\n\n  7 # Nowak\n+3\n");
    EXPECT_EQ(ReadSubjectIds(in, "l.txt"), (std::vector<std::int32_t> { 12, 7, 3 }));
    for (const char* bad : { "12 13\n", "x\n", "0\n", "-4\n", "99999999999\n" }) {
        std::istringstream b(std::string("1\n") + bad);
        try {
            ReadSubjectIds(b, "l.txt");
            ADD_FAILURE() << bad;
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("--subjects-file: l.txt:2: '", 0), 0u) << e.what();
        }
    }
}

} // namespace
} // namespace zest::cli
