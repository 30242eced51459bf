// The statement run end to end through zestawienia-cli, on small registers built here:
// which blocks each subject's statement gets, byte for byte against tests/golden/run.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "clirunner.h"
#include "writerfixture.h"

namespace zest::test
{
namespace
{

using Rows = std::vector<std::string>;

void Append(Rows& rows, const Rows& more)
{
    rows.insert(rows.end(), more.begin(), more.end());
}

// Precinct 1 "Wola"; address 1 in a street of Warsaw, address 2 a free text in Pruszków.
Rows Base()
{
    Rows rows { PrecinctRow(1, "Wola"), FreeTextAddressRow(2, "Le\x9Cna 3;;05-800 Pruszk\xF3w") };
    Append(rows,
        AddressRows({ .Id = 1, .Kod = "00-950", .Pcz = "Warszawa", .Msc = "Warszawa", .Ulc = "Polna", .Nra = "5" }));
    return rows;
}

// One registration unit (number `key`) in which `subject` owns one parcel with one land use.
Rows Holds(int subject, int key, const char* idd, long long area, const char* ozu = "R", const char* ozk = "IVa")
{
    return { UnitRow(key, 1, key, nullptr, 1), ShareRow(key, subject, key, 0, "1/1"),
        ParcelRow(key, key, idd, "1", area), LandUseRow(key, key, ozu, ozu, ozk, area) };
}

// A marriage record and its 'M' subject.
Rows Marriage(int subject, int record, int husband, int wife)
{
    return { "insert into MALZENSTWA (ID, MAZ, ZONA) values (" + std::to_string(record) + ", " + std::to_string(husband)
            + ", " + std::to_string(wife) + ")",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (" + std::to_string(subject) + ", 'M', "
            + std::to_string(record) + ")" };
}

Rows Man(int id, const char* nzw, const char* pim)
{
    return PersonRows({ .Id = id, .Nzw = nzw, .Pim = pim, .Plec = "M", .Radr = 1, .Nrl = "4" });
}

Rows Woman(int id, const char* nzw, const char* pim)
{
    return PersonRows({ .Id = id, .Nzw = nzw, .Pim = pim, .Plec = "K", .Radr = 2 });
}

// Three women, the men excluded by "--to D": Adamska married (the marriage holds land),
// Bielska unmarried, Cicha married (the marriage holds nothing). Each holds land.
Rows Women()
{
    Rows r = Base();
    for (const Rows& part :
        { Man(1, "Wrona", "Jan"), Woman(2, "Adamska", "Anna"), Woman(3, "Bielska", "Ewa"), Woman(4, "Cicha", "Ola"),
            Man(5, "Wrona", "Piotr"), Marriage(100, 1, 1, 2), Marriage(101, 2, 5, 4), Holds(2, 10, "1.10", 3000),
            Holds(100, 20, "1.20", 5000, "\xA3", "III"), Holds(3, 30, "1.30", 4000), Holds(4, 40, "1.40", 2000) })
        Append(r, part);
    return r;
}

// Kowal married Adamska (A), then Bielska (B), then Adamska again; everyone holds land.
// Nowak holds nothing himself; his wife Lis has a person record but no subject.
Rows Men()
{
    Rows r = Base();
    for (const Rows& part :
        { Woman(2, "Adamska", "Anna"), Woman(3, "Bielska", "Ewa"), Man(1, "Kowal", "Jan"), Man(6, "Nowak", "Piotr"),
            Rows { "insert into OSOBY (ID, NZW, PIM, PLEC, RADR) values (7, 'Lis', 'Lena', 'K', 2)" },
            Marriage(100, 1, 1, 2), Marriage(101, 2, 1, 3), Marriage(102, 3, 1, 2), Marriage(103, 4, 6, 7),
            Holds(1, 10, "1.10", 1000), Holds(2, 20, "1.20", 2000), Holds(3, 30, "1.30", 3000),
            Holds(100, 40, "1.40", 4000), Holds(101, 50, "1.50", 5000), Holds(102, 60, "1.60", 6000),
            Holds(103, 70, "1.70", 7000) })
        Append(r, part);
    return r;
}

// Persons whose sex is neither 'K' nor 'M' (empty, null, lower case, other) get nothing;
// Zet, a man, shows that the run went on past them.
Rows OtherSex()
{
    Rows r = Base();
    for (const Rows& part : { PersonRows({ .Id = 1, .Nzw = "Bez", .Pim = "Pusta", .Plec = "" }),
             PersonRows({ .Id = 2, .Nzw = "Bez", .Pim = "Nulla", .Plec = nullptr }),
             PersonRows({ .Id = 3, .Nzw = "Mala", .Pim = "Litera", .Plec = "k" }),
             PersonRows({ .Id = 4, .Nzw = "Inna", .Pim = "Osoba", .Plec = "X" }), Man(5, "Zet", "Adam"),
             Holds(1, 10, "1.10", 1000), Holds(2, 20, "1.20", 2000), Holds(3, 30, "1.30", 3000),
             Holds(4, 40, "1.40", 4000), Holds(5, 50, "1.50", 5000) })
        Append(r, part);
    return r;
}

// Institution "Skarb Państwa" (subject 50) and a group (subject 60) with the members
// Kowal and the institution; both hold land. Kowal himself is a married man.
Rows InstitutionsAndGroups()
{
    Rows r = Base();
    for (const Rows& part : { Man(1, "Kowal", "Jan"), Woman(2, "Adamska", "Anna"), Marriage(100, 1, 1, 2),
             Rows { "insert into INSTYTUCJE (ID, NSK, NPE, RADR) values (1, 'SP', 'Skarb Pa\xF1stwa', 1)",
                 "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (50, 'P', 1)",
                 "insert into INNE_PODM (ID, NSK, NPE, RADR) values (1, 'Wsp.', 'Wsp\xF3lnota gruntowa', 2)",
                 "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (60, 'I', 1)",
                 "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 1)",
                 "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 50)" },
             Holds(50, 10, "1.10", 1000), Holds(60, 20, "1.20", 2000), Holds(100, 30, "1.30", 3000) })
        Append(r, part);
    return r;
}

// Adamczyk holds nothing and has no marriage; Baran holds only water ("W", no class),
// which the default marks count and "--marks none" does not.
Rows NothingMarked()
{
    Rows r = Base();
    for (const Rows& part :
        { Man(1, "Adamczyk", "Jan"), Woman(2, "Baran", "Ewa"), Holds(2, 10, "7", 600, "W", nullptr) })
        Append(r, part);
    return r;
}

// Three persons, each above the default threshold with arable land.
Rows Three()
{
    Rows r = Base();
    for (const Rows& part : { Man(1, "Adamczyk", "Jan"),
             Woman(2,
                 "\xAF"
                 "ak",
                 "Zofia"),
             Man(3, "Kowal", "Jan"), Holds(1, 10, "1.10", 11000), Holds(2, 20, "1.20", 12000),
             Holds(3, 30, "1.30", 13000) })
        Append(r, part);
    return r;
}

struct RunCase {
    const char* name;
    std::function<Rows()> scenario;
    std::vector<std::string> args;
    const char* golden;
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatementRunThroughTool : public testing::TestWithParam<RunCase>
{
};

TEST_P(StatementRunThroughTool, WritesTheExpectedStatements)
{
    const RunCase& c = GetParam();
    CliRegister reg(c.scenario());
    // Read ahead (the default), and subject after subject: the same bytes.
    for (const char* readAhead : { "1000", "0" }) {
        std::vector<std::string> args { "--database", reg.path(), "--read-ahead", readAhead };
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(MatchesRunGolden(c.golden, r.out)) << "--read-ahead " << readAhead;
    }
}

using A = std::vector<std::string>;

const RunCase RunCases[] = {
    // A woman: her own block, then one block per marriage row, whatever "Tylko kobiety".
    { "woman_own_then_marriages", Women, A { "--to", "D", "--marks", "all", "--threshold", "0" }, "women_plain" },
    { "woman_own_then_marriages_only_women", Women,
        A { "--to", "D", "--marks", "all", "--threshold", "0", "--only-women" }, "women_plain" },
    // With "tylko przy mężu" only the woman without marriage rows keeps a statement.
    { "woman_only_husband", Women, A { "--to", "D", "--marks", "all", "--threshold", "0", "--only-husband" },
        "women_only_husband" },
    { "woman_only_husband_only_women", Women,
        A { "--to", "D", "--marks", "all", "--threshold", "0", "--only-husband", "--only-women" },
        "women_only_husband" },
    // A man: his own block, then the three marriage blocks.
    { "man_own_then_marriages", Men, A { "--from", "K", "--to", "L", "--marks", "all", "--threshold", "0" },
        "man_plain" },
    // Wives A, B, A: each wife's own block once, after her first marriage block.
    { "man_only_husband_wives_a_b_a", Men,
        A { "--from", "K", "--to", "L", "--marks", "all", "--threshold", "0", "--only-husband" },
        "man_only_husband_wives_a_b_a" },
    // "Tylko kobiety": no man gets a statement, with or without "tylko przy mężu"; women do.
    { "only_women", Men, A { "--marks", "all", "--threshold", "0", "--only-women" }, "men_only_women" },
    { "only_women_only_husband", Men, A { "--marks", "all", "--threshold", "0", "--only-women", "--only-husband" },
        "empty" },
    // A husband with no land of his own whose wife has no person subject: the marriage
    // block alone, with or without "tylko przy mężu".
    { "husband_wife_without_subject", Men, A { "--from", "N", "--marks", "all", "--threshold", "0", "--only-husband" },
        "husband_marriage_block_only" },
    { "marriage_blocks_only", Men, A { "--from", "N", "--marks", "all", "--threshold", "0" },
        "husband_marriage_block_only" },
    { "other_sex", OtherSex, A { "--marks", "all", "--threshold", "0" }, "other_sex" },
    { "other_sex_both_boxes", OtherSex, A { "--marks", "all", "--threshold", "0", "--only-husband" }, "other_sex" },
    // Institutions and groups: their own block only; the two check boxes change nothing.
    { "institution", InstitutionsAndGroups, A { "--kind", "instytucje", "--threshold", "0" }, "institution" },
    { "institution_boxes_ignored", InstitutionsAndGroups,
        A { "--kind", "instytucje", "--threshold", "0", "--only-husband", "--only-women" }, "institution" },
    { "group_training_no_paging", InstitutionsAndGroups,
        A { "--kind", "grupowe", "--threshold", "0", "--training", "--no-paging" }, "group_training_no_paging" },
    { "group_boxes_ignored", InstitutionsAndGroups,
        A { "--kind", "grupowe", "--threshold", "0", "--training", "--no-paging", "--only-husband", "--only-women" },
        "group_training_no_paging" },
    // Threshold 0 and nothing marked: 0 >= 0, the statement is written; the subject
    // without holdings or marriages gets nothing whatever the threshold.
    { "threshold_zero_nothing_marked", NothingMarked, A { "--marks", "none", "--threshold", "0" },
        "threshold_zero_nothing_marked" },
    { "threshold_one_nothing_marked", NothingMarked, A { "--marks", "none", "--threshold", "1" }, "empty" },
    { "threshold_one_toggled_class", NothingMarked, A { "--marks", "none", "--threshold", "1", "--toggle", "W//W" },
        "threshold_zero_nothing_marked" },
    { "default_marks_count_water", NothingMarked, A { "--threshold", "600" }, "threshold_zero_nothing_marked" },
    { "default_marks_below_threshold", NothingMarked, A { "--threshold", "601" }, "empty" },
    // Defaults (marks, threshold 10000); "--subject": that subject only.
    { "every_person_defaults", Three, A {}, "three_persons" },
    { "subject_only", Three, A { "--subject", "2" }, "subject_only" },
};

INSTANTIATE_TEST_SUITE_P(CliRun, StatementRunThroughTool, testing::ValuesIn(RunCases),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(CliRun, OutputFileHoldsTheBytesOfStandardOutput)
{
    CliRegister reg(Three());
    ScratchDir dir;
    const CliResult r = RunCli({ "--database", reg.path(), "--subject", "2", "--output", dir / "out.txt" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(MatchesRunGolden("subject_only", ReadBytes(dir / "out.txt")));
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { "out.txt" });
}

#if !defined(_WIN32) // a named pipe in the file system is POSIX's
// A named pipe (or a device) is written in place; the output's rename-into-place would
// replace the node itself.
TEST(CliRun, OutputToAPipeIsWrittenInPlace)
{
    CliRegister reg(Three());
    ScratchDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    const CliResult r = RunCli({ "--database", reg.path(), "--subject", "2", "--output", fifo });
    reader.join();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(MatchesRunGolden("subject_only", received));
    struct stat st {
    };
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { "pipe" });
}
#endif

TEST(CliRun, SubjectNotInTheListIsAUsageError)
{
    CliRegister reg(Three());
    ScratchDir dir;
    // Subject 1 exists but is not in the list "from K".
    for (const char* id : { "999", "1" }) {
        const CliResult r
            = RunCli({ "--database", reg.path(), "--from", "K", "--subject", id, "--output", dir / "out.txt" });
        EXPECT_EQ(r.exitCode, 2) << id;
        EXPECT_NE(r.err.find(std::string("--subject: ") + id + " is not in the list"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage: zestawienia-cli"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(DirectoryNames(dir.path()).empty());
}

TEST(CliRun, UnknownToggleRowIsAUsageError)
{
    CliRegister reg(NothingMarked());
    const CliResult r = RunCli({ "--database", reg.path(), "--toggle", "R/IVa/R" });
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--toggle: no class row R/IVa/R"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(CliRun, Utf8IsTheSameTextConverted)
{
    CliRegister reg(Three());
    const CliResult cp = RunCli({ "--database", reg.path() });
    const CliResult utf = RunCli({ "--database", reg.path(), "--encoding", "utf-8" });
    ASSERT_EQ(cp.exitCode, 0) << cp.err;
    ASSERT_EQ(utf.exitCode, 0) << utf.err;
    // Qt without ICU (the Windows build's) has no Windows-1250 decoder: the letters below
    // still count.
    if (QStringDecoder dec("windows-1250"); dec.isValid()) {
        const QByteArray expected = QString(dec.decode(QByteArray::fromStdString(cp.out))).toUtf8();
        EXPECT_EQ(utf.out, expected.toStdString());
    }
    // The letters that differ: "Żak", "Obręb", "działki", and the form feeds kept.
    for (const char* text : { "\xC5\xBB"
                              "ak Zofia",
             "Obr\xC4\x99"
             "b:1-Wola",
             "Numer dzia\xC5\x82ki", "\x0C\r\n" })
        EXPECT_NE(utf.out.find(text), std::string::npos) << text;
}

TEST(CliRun, SummaryCsvHasOneRowPerReportedSubject)
{
    Rows rows = Base();
    for (const Rows& part : { PersonRows({ .Id = 1, .Nzw = "Nowak;Kowalska", .Pim = "Anna", .Plec = "K" }),
             PersonRows({ .Id = 2, .Nzw = "Pusty", .Pim = "\"Jan\"", .Plec = "M" }),
             PersonRows({ .Id = 3,
                          .Nzw = "Zi\xEA"
                                 "ba",
                          .Pim = "Jan",
                          .Plec = "M" }),
             PersonRows({ .Id = 4, .Nzw = "Zyx", .Pim = "Ala", .Plec = "?" }), Holds(1, 10, "1.10", 12000),
             Holds(3, 30, "1.30", 500), Holds(4, 40, "1.40", 20000) })
        Append(rows, part);
    CliRegister reg(rows);
    ScratchDir dir;
    const CliResult r = RunCli({ "--database", reg.path(), "--summary-csv", dir / "s.csv" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Every listed subject has a row: written, below the threshold, no statement at all.
    EXPECT_EQ(ReadBytes(dir / "s.csv"),
        "\xEF\xBB\xBFid_pdm;typ;nazwa;powierzchnia_m2;zapisano\r\n"
        "1;F;\"Nowak;Kowalska Anna\";12000;tak\r\n"
        "2;F;\"Pusty \"\"Jan\"\"\";0;nie\r\n"
        "3;F;Zi\xC4\x99"
        "ba Jan;500;nie\r\n"
        "4;F;Zyx Ala;20000;nie\r\n");
    EXPECT_NE(r.out.find("Nowak;Kowalska Anna"), std::string::npos);
    EXPECT_EQ(r.out.find("Zyx"), std::string::npos);
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { "s.csv" });
}

// A list handed to the tool: its subjects in its order, each as a run of that subject
// alone writes it; what is set aside is said, summed up and ends the run with 3.
TEST(CliRun, SubjectsFileWritesTheListInItsOrder)
{
    CliRegister reg(Women());
    ScratchDir dir;
    {
        std::ofstream ids(dir / "ids.txt");
        ids << "# wezwanie s\xC4\x85"
               "du\r\n4\r\n\n  2 # Adamska\n100\n999\n4\n";
    }
    const CliResult r
        = RunCli({ "--database", reg.path(), "--subjects-file", dir / "ids.txt", "--summary-csv", dir / "s.csv" });
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.out,
        RunCli({ "--database", reg.path(), "--subject", "4" }).out
            + RunCli({ "--database", reg.path(), "--subject", "2" }).out);
    EXPECT_EQ(r.err,
        "zestawienia-cli: subject 100: is a married couple, not a natural person\n"
        "zestawienia-cli: subject 999: not in the register\n"
        "zestawienia-cli: subject 4: listed again\n");
    const std::string csv = ReadBytes(dir / "s.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "\xEF\xBB\xBFid_pdm;typ;nazwa;powierzchnia_m2;zapisano;powod");
    EXPECT_NE(csv.find("\r\n999;;;;nie;not in the register\r\n"), std::string::npos) << csv;

    const CliResult bad = RunCli({ "--database", reg.path(), "--subjects-file", dir / "s.csv" });
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("s.csv:1: '"), std::string::npos) << bad.err;
}

// Only subjects with a current share in the precinct; a wife through her marriage.
TEST(CliRun, PrecinctLimitsTheList)
{
    Rows rows = Women();
    rows.push_back("update JEDN_REJ set ID_OBR = 2 where ID in (10, 30)");
    CliRegister reg(rows);
    ScratchDir dir;
    const CliResult r
        = RunCli({ "--database", reg.path(), "--precinct", "1", "--to", "D", "--summary-csv", dir / "s.csv" });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string csv = ReadBytes(dir / "s.csv");
    EXPECT_NE(csv.find("\n2;F;Adamska Anna;"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("Bielska"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n4;F;Cicha Ola;"), std::string::npos) << csv;
}

// Every statement handed out is in the register of disclosures, and every subject of a
// summary; a register that cannot be written stops every output, a pipe too, and nothing
// is recorded that was not handed out.
TEST(CliRun, RecordsWhatItHandsOutAndRefusesWhenItCannot)
{
    CliRegister reg(Three());
    ScratchDir dir;
    CliEnv env, broken;
    env.set["ZESTAWIENIA_DISCLOSURES"] = dir / "d.sqlite";
    broken.set["ZESTAWIENIA_DISCLOSURES"] = dir / "none/d.sqlite";
    ASSERT_EQ(RunCli({ "--database", reg.path(), "--output", dir / "out.txt", "--threshold", "11500", "--summary-csv",
                         dir / "s.csv" },
                  env)
                  .exitCode,
        0);
    ASSERT_EQ(RunCli({ "--database", reg.path(), "--subject", "3" }, env).exitCode, 0);
    const CliResult refused = RunCli({ "--database", reg.path(), "--output", dir / "never.txt" }, broken);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("rejestru udost\xC4\x99pnie\xC5\x84 " + (dir / "none/d.sqlite")), std::string::npos)
        << refused.err;
    EXPECT_FALSE(FileExists(dir / "never.txt"));
    // Standard output and a device written in place: not a byte before the register has the rows.
    for (const Rows& output :
        { Rows {}, Rows { "--output", "/dev/stdout" }, Rows { "--summary-csv", "/dev/stdout" } }) {
        Rows args { "--database", reg.path() };
        args.insert(args.end(), output.begin(), output.end());
        const CliResult r = RunCli(args, broken);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.out, "");
    }

    const CliResult all = RunCli({ "disclosures" }, env);
    ASSERT_EQ(all.exitCode, 0) << all.err;
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = all.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(all.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 7u) << all.out; // Adamczyk (11000 m²) is below the threshold: in the summary only
    EXPECT_EQ(lines[0], "time;user;account;machine;database;subject;name;output;status;options");
    EXPECT_NE(lines[1].find(";3;Kowal Jan;cli " + (dir / "out.txt") + ";delivered;"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(";SYSDBA;"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(";" + reg.path()
                  + ";2;\xC5\xBB"
                    "ak Zofia;cli "
                  + (dir / "out.txt") + ";delivered;\"kind=fizyczne; threshold=11500;"),
        std::string::npos)
        << lines[2];
    for (int i = 3; i <= 5; ++i)
        EXPECT_NE(lines[i].find(";csv " + (dir / "s.csv") + ";delivered;"), std::string::npos) << lines[i];
    EXPECT_NE(lines[3].find(";1;Adamczyk Jan;"), std::string::npos) << lines[3];
    EXPECT_NE(lines[6].find(";3;Kowal Jan;cli;delivered;"), std::string::npos) << lines[6];
    EXPECT_NE(lines[6].find("; subject=3"), std::string::npos) << lines[6];

    const CliResult one = RunCli({ "disclosures", "--subject", "3", "--csv", dir / "d.csv" }, env);
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(ReadBytes(dir / "d.csv").substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(RunCli({ "disclosures", "--since", "2026-02-30" }, env).exitCode, 2);
    // The rows of the last year are kept unless the purge is forced.
    const CliResult kept = RunCli({ "disclosures", "--purge-before", "9999-01-01" }, env);
    EXPECT_EQ(kept.exitCode, 2);
    EXPECT_NE(kept.err.find("rows of the last year"), std::string::npos) << kept.err;
    const CliResult purged = RunCli({ "disclosures", "--purge-before", "9999-01-01", "--force" }, env);
    EXPECT_EQ(purged.out.rfind("6 rows recorded before 9999-01-01 deleted", 0), 0u) << purged.out;
    EXPECT_EQ(RunCli({ "disclosures" }, env).out, lines[0] + "\n");
}

TEST(CliRun, HelpGoesToStandardOutput)
{
    const CliResult r = RunCli({ "--help" });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: zestawienia-cli --database DB", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
}

} // namespace
} // namespace zest::test
