#pragma once
// Where the library's windows record what they hand out: the register of disclosures
// that ZESTAWIENIA_DISCLOSURES names, or the one in the user's data folder.

#include <string>

#include "disclosures/register.h"

namespace zest::ui
{

// The user's data folder of the program, "zestawienia" in the generic data location
// (~/.local/share/zestawienia): the same folder whichever host loads the plug-in, and the
// one the command-line tool uses, so that all of them keep one register.
std::string DisclosureFolder();

// The register as the environment puts it now.
disclosures::DisclosureRegister Disclosures();

} // namespace zest::ui
