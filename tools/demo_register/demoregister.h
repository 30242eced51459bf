#pragma once
// A demo register: a synthetic commune with persons, couples, institutions and group
// subjects, their addresses, registration units, shares, parcels and land uses, in
// Windows-1250 text. The same subject count and seed give the same register, byte for
// byte in every column, on every platform.

#include <cstdint>
#include <string>
#include <string_view>

#include "database/database.h"
#include "register/ddl.h"

namespace zest::demo
{

struct DemoOptions {
    int subjects = 2000; // at least MinSubjects
    std::uint64_t seed = 1;
};

inline constexpr int MinSubjects = 10;
inline constexpr int MaxSubjects = 2'000'000;

// Rows written, per kind.
struct DemoCounts {
    int subjects = 0;
    int persons = 0;
    int couples = 0;
    int institutions = 0;
    int groups = 0;
    int groupMembers = 0;
    int addresses = 0;
    int dictionaryRows = 0; // post offices, localities, streets, communes
    int precincts = 0;
    int units = 0;
    int shares = 0;
    int parcels = 0;
    int landUses = 0;

    int Total() const noexcept;
};

// splitmix64: small, fast and identical everywhere (unlike the standard distributions).
class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed) noexcept
        : state_(seed)
    {
    }
    std::uint64_t Next() noexcept;
    // Uniform enough in [0, n) for n > 0.
    std::uint32_t Below(std::uint32_t n) noexcept { return static_cast<std::uint32_t>(Next() % n); }
    // Inclusive range.
    int Between(int lo, int hi) noexcept
    {
        return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1)));
    }
    // True with the given chance in per mille.
    bool Chance(int perMille) noexcept { return Below(1000) < static_cast<std::uint32_t>(perMille); }

private:
    std::uint64_t state_;
};

// Converts UTF-8 text to Windows-1250 bytes; throws std::invalid_argument on a character
// the code page lacks or on broken UTF-8.
std::string Utf8ToWindows1250(std::string_view utf8);

// Fills the tables of an empty register in one write transaction and commits.
DemoCounts FillDemoRegister(fb::Database& db, const DemoOptions& options);

// Creates the register file, fills it, then builds the indexes and grants read rights.
// `db` stays attached to the new register.
DemoCounts CreateDemoRegister(
    fb::Database& db, const std::string& path, const DemoOptions& options, const reg::RegisterOptions& access = {});

} // namespace zest::demo
