#pragma once
// `zestawienia-cli disclosures`: the register of disclosures listed, or purged of the
// rows older than a day.

#include <string>
#include <string_view>
#include <vector>

#include "cliargs.h"
#include "disclosures/register.h"

namespace zest::cli
{

// The listing: the header "time;user;database;subject;name;output;options" and one line
// per row in the given order, UTF-8, each line ended by `lineEnd`. The output column is
// the output's name, then the file where it has one.
std::string DisclosureListing(const std::vector<disclosures::DisclosureRow>& rows, std::string_view lineEnd);

// Runs the command on `reg`; returns the exit status. Throws DisclosureError and
// FileError (status 1).
int RunDisclosuresCommand(const DisclosuresOptions& options, const disclosures::DisclosureRegister& reg);

} // namespace zest::cli
