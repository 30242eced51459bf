#pragma once
// Small text rules of a statement block: share kinds, parcel identifiers, person
// names and the address lines of an address record. Text is Windows-1250 bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace zest
{

// The kind of right of a share; `rwl` decides between owner and possessor when `rwd` is 0.
std::string ShareKindName(std::int32_t rwl, std::int32_t rwd);

// Splits a parcel identifier "sheet.number" at its first point: the sheet becomes the
// part before it, the number the part after it (at most 100 characters). Without a
// point both stay as they are.
void SplitParcelId(std::string& number, std::string& sheet);

struct PersonName {
    std::string NZW, PIM, DIM, OIM, MIM;
};

// "S F", "S F,D", "S F,D (O,M)", "S F (O,)" ...
std::string FormatPersonName(const PersonName& p);

// One row of the address statement, by the columns the lines are built from.
struct AddressRecord {
    std::string KOD, PCZ, MSC, ULC, GMN, NRA, NAZ;
    std::int32_t TAR = 0;
};

constexpr std::int32_t FreeTextAddress = 2;

// The lines of one address: for a free-text address its parts between semicolons,
// empty parts dropped; otherwise a street line and a postal line, each if not empty.
std::vector<std::string> BuildAddressLines(const AddressRecord& a, const std::string& premises);

} // namespace zest
