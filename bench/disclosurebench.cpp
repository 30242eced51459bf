#include "disclosurebench.h"

#include "stats.h"

namespace zest::bench
{

double TimedDisclosures(const disclosures::DisclosureRegister& reg, const std::vector<disclosures::Disclosure>& rows,
    disclosures::Output output)
{
    const auto start = std::chrono::steady_clock::now();
    disclosures::PendingDisclosures pending = reg.Begin(rows, output);
    pending.Commit();
    return Seconds(std::chrono::steady_clock::now() - start);
}

} // namespace zest::bench
