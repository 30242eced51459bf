#pragma once
// The class match-and-add: a listed land use counts towards the selected area when the
// first grid row of its codes is marked "Tak".

#include <cstdint>
#include <string_view>

#include "classmarks.h"
#include "linebuffer.h"

namespace zest
{

// Scans data rows 1..n for the first row whose OZU, Klasa and OFU equal `ozu`, `ozk`
// and `ofu` exactly; that row alone decides. No matching row adds nothing.
void MatchAndAdd(const ClassGrid& grid, std::string_view ofu, std::string_view ozu, std::string_view ozk,
    std::int64_t area, AreaState& state);

} // namespace zest
