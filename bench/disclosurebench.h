#pragma once
// What the register of disclosures adds to a run: the rows of one output written and
// committed as the window and the tool record them.

#include <vector>

#include "disclosures/register.h"

namespace zest::bench
{

// Records `rows` for `output` in `reg` (Begin, then Commit) and returns the seconds taken.
double TimedDisclosures(const disclosures::DisclosureRegister& reg, const std::vector<disclosures::Disclosure>& rows,
    disclosures::Output output);

} // namespace zest::bench
