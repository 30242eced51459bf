#pragma once
// `zestawienia-cli disclosures`: the register of disclosures listed, or purged of the
// rows older than a day.

#include <string>
#include <string_view>

#include "cliargs.h"
#include "disclosures/register.h"

namespace zest::cli
{

// The earliest day that a purge may name without --force on `today` ("YYYY-MM-DD"): the
// same day a year before (28 February for a 29 February). Rows of the last year are kept.
std::string YearBefore(std::string_view today);

// Runs the command on `reg`; returns the exit status. Throws DisclosureError and
// FileError (status 1).
int RunDisclosuresCommand(const DisclosuresOptions& options, const disclosures::DisclosureRegister& reg);

} // namespace zest::cli
