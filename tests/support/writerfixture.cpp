#include "writerfixture.h"

#include "statement/batchreads.h"
#include "statement/statementrun.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "statement/session.h"
#include "statement/subjectlistsql.h"

namespace zest::test
{

std::string Lit(const char* text)
{
    if (!text)
        return "null";
    std::string out = "'";
    for (const char* c = text; *c; ++c) {
        out += *c;
        if (*c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string Lit(std::optional<int> value)
{
    return value ? std::to_string(*value) : "null";
}

std::vector<std::string> AddressRows(const Addr& a)
{
    std::vector<std::string> rows;
    // Dictionary ids follow the address id, one per dictionary.
    auto ref = [&](const char* table, const char* column, const char* name, int k) -> std::string {
        if (!name)
            return "null";
        const int id = a.Id * 10 + k;
        rows.push_back(std::string("insert into ") + table + " (ID, " + column + ") values (" + std::to_string(id)
            + ", " + Lit(name) + ")");
        return std::to_string(id);
    };
    const std::string pocz = ref("POCZTY_DIC", "NAZ", a.Pcz, 1);
    const std::string miej = ref("MIEJSCOWOSCI_DIC", "NAZ", a.Msc, 2);
    const std::string ulic = ref("ULICE_DIC", "NAZ", a.Ulc, 3);
    const std::string gmin = ref("GMINY_DIC", "GMN", a.Gmn, 4);
    rows.push_back("insert into ADRESY (ID, ID_POCZ, ID_MIEJ, ID_ULIC, ID_GMIN, KOD, NRA, TAR) values ("
        + std::to_string(a.Id) + ", " + pocz + ", " + miej + ", " + ulic + ", " + gmin + ", " + Lit(a.Kod) + ", "
        + Lit(a.Nra) + ", 1)");
    return rows;
}

std::string FreeTextAddressRow(int id, const char* naz)
{
    return "insert into ADRESY (ID, TAR, NAZ) values (" + std::to_string(id) + ", 2, " + Lit(naz) + ")";
}

std::vector<std::string> PersonRows(const Person& p)
{
    const std::string id = std::to_string(p.Id);
    return {
        "insert into OSOBY (ID, NZW, PIM, DIM, OIM, MIM, PLEC, RADR, NRL) values (" + id + ", " + Lit(p.Nzw) + ", "
            + Lit(p.Pim) + ", " + Lit(p.Dim) + ", " + Lit(p.Oim) + ", " + Lit(p.Mim) + ", " + Lit(p.Plec) + ", "
            + Lit(p.Radr) + ", " + Lit(p.Nrl) + ")",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (" + id + ", 'F', " + id + ")",
    };
}

std::string PrecinctRow(int id, const char* name)
{
    return "insert into OBREBY (ID, NAZ) values (" + std::to_string(id) + ", " + Lit(name) + ")";
}

std::string UnitRow(int id, int precinct, int number, const char* regon, std::optional<int> rwl)
{
    return "insert into JEDN_REJ (ID, ID_OBR, IJR, RGN, RWL, STI) values (" + std::to_string(id) + ", "
        + std::to_string(precinct) + ", " + std::to_string(number) + ", " + Lit(regon) + ", " + Lit(rwl) + ", 0)";
}

std::string ShareRow(int uid, int subject, int unit, std::optional<int> rwd, const char* ud)
{
    return "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, STI) values (" + std::to_string(uid) + ", "
        + std::to_string(subject) + ", " + std::to_string(unit) + ", " + Lit(rwd) + ", " + Lit(ud) + ", 0)";
}

std::string ParcelRow(int id, int unit, const char* idd, const char* ark, long long area)
{
    return "insert into DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) values (" + std::to_string(id) + ", "
        + std::to_string(unit) + ", " + Lit(idd) + ", " + Lit(ark) + ", " + std::to_string(area) + ", 0)";
}

std::string LandUseRow(int id, int parcel, const char* ofu, const char* ozu, const char* ozk, long long area)
{
    return "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (" + std::to_string(id) + ", "
        + std::to_string(parcel) + ", " + Lit(ofu) + ", " + Lit(ozu) + ", " + Lit(ozk) + ", " + std::to_string(area)
        + ", 0)";
}

std::string FileText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

namespace
{

std::string ReadFile(const std::string& path, bool& found)
{
    std::ifstream in(path, std::ios::binary);
    found = static_cast<bool>(in);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string UnifiedDiff(const std::string& expected, const std::string& received)
{
    const std::string command = "diff -u --text '" + expected + "' '" + received + "' 2>&1";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            out.append(chunk, n);
        pclose(pipe);
    }
    return out;
}

} // namespace

testing::AssertionResult MatchesGolden(std::string_view name, const std::vector<std::string>& lines)
{
    const std::string base = std::string(ZEST_GOLDEN_DIR) + "/" + std::string(name);
    const std::string expectedPath = base + ".txt";
    const std::string receivedPath = base + ".received";
    const std::string received = FileText(lines);

    const char* update = std::getenv("ZEST_GOLDEN_UPDATE");
    if (update && std::string_view(update) == "1") {
        WriteFile(expectedPath, received);
        std::remove(receivedPath.c_str());
        return testing::AssertionSuccess() << "rewrote " << expectedPath;
    }

    bool found = false;
    const std::string expected = ReadFile(expectedPath, found);
    if (found && expected == received) {
        std::remove(receivedPath.c_str());
        return testing::AssertionSuccess();
    }
    WriteFile(receivedPath, received);
    if (!found)
        return testing::AssertionFailure() << "no expected file " << expectedPath << "; output in " << receivedPath;
    return testing::AssertionFailure() << "statement differs from " << expectedPath << ":\n"
                                       << UnifiedDiff(expectedPath, receivedPath);
}

void WriterTest::TearDown()
{
    writer.reset();
    RegisterTest::TearDown();
}

void WriterTest::Load(const std::vector<std::string>& statements)
{
    for (const std::string& sql : statements)
        reg->Exec(sql);
}

void WriterTest::Load(std::initializer_list<std::vector<std::string>> groups)
{
    for (const auto& group : groups)
        Load(group);
}

StatementWriter& WriterTest::Writer()
{
    if (!writer) {
        StatementSession::StartupLoads(*tr, precincts, classes);
        writer = std::make_unique<StatementWriter>(*tr, precincts, classes, buffer, area, spouses, options);
    }
    writer->SetOptions(options);
    return *writer;
}

void WriterTest::WriteListed(int kindIndex, int subjectId, bool headerOnly)
{
    StatementWriter& w = Writer();
    const auto list = PrepareWithPlanFallback(*tr, SubjectListSql(kindIndex, "", ""));
    list->Open();
    while (list->Next()) {
        if (list->AsInteger("id_pdm") != subjectId)
            continue;
        const QuerySubjectRow row(*list);
        const std::string typ = list->AsString("typ");
        const char kind = typ.empty() ? '\0' : typ.front();
        const std::size_t before = buffer.lines().size();
        const std::int64_t areaBefore = area.SelectedAreaSum;
        if (headerOnly)
            w.WriteSubjectHeader(subjectId, kind, &row);
        else
            w.WriteHoldingsTable(subjectId, kind, &row);

        // The same block from rows read ahead for a batch of this one subject.
        HeldSubjectRow::Columns columns;
        std::vector<std::unique_ptr<SubjectRow>> held;
        held.push_back(HoldQueryRow(*list, columns));
        AreaState batchArea;
        LineBuffer batchLines(batchArea);
        SpouseSlots batchSpouses = spouses;
        StatementWriter batchWriter(*tr, precincts, classes, batchLines, batchArea, batchSpouses, options);
        BatchReads reads(*tr, batchWriter.OwnReads());
        reads.Load(held, RunOptions {});
        batchWriter.UseReads(&reads);
        if (headerOnly)
            batchWriter.WriteSubjectHeader(subjectId, kind, held.front().get());
        else
            batchWriter.WriteHoldingsTable(subjectId, kind, held.front().get());
        EXPECT_EQ(batchLines.lines(),
            std::vector<std::string>(
                buffer.lines().begin() + static_cast<std::ptrdiff_t>(before), buffer.lines().end()))
            << "read ahead";
        EXPECT_EQ(batchArea.SelectedAreaSum, area.SelectedAreaSum - areaBefore) << "read ahead";
        EXPECT_EQ(reads.Misses(), 0) << "read ahead";
        list->Close();
        return;
    }
    list->Close();
    ADD_FAILURE() << "subject " << subjectId << " is not in the list of kind " << kindIndex;
}

} // namespace zest::test
