#pragma once
// One cell of the CSV files the program writes (';'-separated, UTF-8): the tool's
// summary, and the listing of the register of disclosures.

#include <string>
#include <string_view>

namespace zest
{

// The cell as written: quoted when it holds ';', '"' or a line end. A cell that a
// spreadsheet would take for a formula (starting with '=', '+', '-', '@', a tab or a
// carriage return) gets a leading apostrophe inside quotes, so that it shows as text.
std::string CsvField(std::string_view text);

} // namespace zest
