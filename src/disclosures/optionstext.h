#pragma once
// The options of a statement run as one line of the register of disclosures, the same for
// the statement window and the command-line tool: "kind=fizyczne; threshold=10000;
// marks=default; from=A; to=K; no-paging; training; only-husband; only-women; subject at
// cursor". Parts that are not set are left out.

#include <cstdint>
#include <string>

namespace zest
{
class ClassGrid;
struct StatementOptions;
struct RunOptions;
} // namespace zest

namespace zest::disclosures
{

// The subject list as it was searched: its kind (PersonKindIndex, InstitutionKindIndex,
// GroupKindIndex) and name range (Windows-1250; empty: open).
struct ListFilters {
    int kind = 0;
    std::string from;
    std::string to;
};

// Windows-1250. The class marks read "all", "none", "default" (each class with its default
// mark) or the marked classes "OZU/OZK/OFU" separated by commas.
std::string OptionsText(const ListFilters& list, const ClassGrid& classes, std::int32_t threshold,
    const StatementOptions& statement, const RunOptions& run);

} // namespace zest::disclosures
