#pragma once
// The register of disclosures as people read it: the listing of the command-line tool
// (the same bytes that the register window saves as CSV), and the words of the window.

#include <string>
#include <string_view>
#include <vector>

#include "register.h"

namespace zest::disclosures
{

// The header of the listing.
inline constexpr const char* ListingHeader = "time;user;account;machine;database;subject;name;output;status;options";

// The listing: ListingHeader and one line per row in the given order, UTF-8, each line
// ended by `lineEnd`, each cell by the rule of zest::CsvField. The output column is the
// output's name, then the file where it has one; the status column is StatusText.
std::string DisclosureListing(const std::vector<DisclosureRow>& rows, std::string_view lineEnd);

// The state of a row as the listing says it: "delivered"; "unconfirmed" for a row whose
// output was begun and never settled (its process ended in between), which counts as
// disclosed; "failed: <reason>" (UTF-8).
std::string StatusText(const DisclosureRow& row);

// The words of the register window (Windows-1250): the output ("podgląd", "wydruk",
// "plik PDF", "plik tekstowy", "wiersz poleceń", "podsumowanie CSV"; an unknown name as
// it is) and the state ("przekazano", "niepotwierdzone", "nieudane").
std::string OutputLabel(std::string_view output);
std::string StatusLabel(std::string_view status);

} // namespace zest::disclosures
