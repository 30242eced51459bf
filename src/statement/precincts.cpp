// Precinct names.
#include "precincts.h"

#include <algorithm>

namespace zest
{

const std::string& PrecinctTable::Lookup(std::int32_t id) const noexcept
{
    static const std::string none;
    const auto it = std::find_if(slots_.begin(), slots_.end(), [id](const Slot& s) { return s.Id == id; });
    return it == slots_.end() ? none : it->Name;
}

} // namespace zest
