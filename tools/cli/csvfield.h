#pragma once
// One cell of the tool's CSV files (';'-separated, UTF-8).

#include <string>
#include <string_view>

namespace zest::cli
{

// The cell as written: quoted when it holds ';', '"' or a line end. A cell that a
// spreadsheet would take for a formula (starting with '=', '+', '-', '@', a tab or a
// carriage return) gets a leading apostrophe inside quotes, so that it shows as text.
std::string CsvField(std::string_view text);

} // namespace zest::cli
