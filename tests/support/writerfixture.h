#pragma once
// A statement writer over a fresh register, with readable builders for the rows of one
// case and a byte-for-byte comparison with an expected statement file.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "statement/statementwriter.h"
#include "testregister.h"

namespace zest::test
{

// SQL literals: a quoted text (quotes doubled), "null" for a null pointer or an empty optional.
std::string Lit(const char* text);
std::string Lit(std::optional<int> value);

// A structured address (TAR 1) with its dictionary rows; a null name leaves that
// reference empty.
struct Addr {
    int Id = 0;
    const char* Kod = nullptr;
    const char* Pcz = nullptr;
    const char* Msc = nullptr;
    const char* Ulc = nullptr;
    const char* Gmn = nullptr;
    const char* Nra = nullptr;
};
std::vector<std::string> AddressRows(const Addr& a);
std::string FreeTextAddressRow(int id, const char* naz);

// A person and the person's 'F' subject (ID_PDM = OSOBY.ID).
struct Person {
    int Id = 0;
    const char* Nzw = nullptr;
    const char* Pim = nullptr;
    const char* Dim = nullptr;
    const char* Oim = nullptr;
    const char* Mim = nullptr;
    const char* Plec = "M";
    std::optional<int> Radr = std::nullopt;
    const char* Nrl = nullptr;
};
std::vector<std::string> PersonRows(const Person& p);

// Holdings rows, all current.
std::string PrecinctRow(int id, const char* name);
std::string UnitRow(int id, int precinct, int number, const char* regon, std::optional<int> rwl);
std::string ShareRow(int uid, int subject, int unit, std::optional<int> rwd, const char* ud);
std::string ParcelRow(int id, int unit, const char* idd, const char* ark, long long area);
std::string LandUseRow(int id, int parcel, const char* ofu, const char* ozu, const char* ozk, long long area);

// The lines as a statement file holds them: each line followed by CR LF.
std::string FileText(const std::vector<std::string>& lines);

// Compares with tests/golden/<name>.txt. On a difference writes <name>.received next to
// it and returns the unified diff; ZEST_GOLDEN_UPDATE=1 rewrites the expected file.
testing::AssertionResult MatchesGolden(std::string_view name, const std::vector<std::string>& lines);

class WriterTest : public RegisterTest
{
protected:
    void TearDown() override;

    // Adds rows to the register; they are visible to the writer's transaction at once.
    void Load(const std::vector<std::string>& statements);
    void Load(std::initializer_list<std::vector<std::string>> groups);

    // The writer, made on first use after the precinct names and classes are loaded.
    StatementWriter& Writer();

    // Finds the subject in the list of its kind and writes its block (or only its
    // header), with the list's row as the current row.
    void WriteListed(int kindIndex, int subjectId, bool headerOnly = false);

    const std::vector<std::string>& Lines() const { return buffer.lines(); }

    PrecinctTable precincts;
    ClassGrid classes;
    AreaState area;
    LineBuffer buffer { area };
    SpouseSlots spouses;
    StatementOptions options;
    std::unique_ptr<StatementWriter> writer;
};

} // namespace zest::test
