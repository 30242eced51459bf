#pragma once
// Land-use classes and their marks: the rows behind the class grid "ozu".
//
// Row 0 is the header ("OZU", "Klasa", "OFU", "Sumuj"); data rows start at 1, as the
// grid numbers them. A grid that has not been loaded, or whose load found no current
// land use, holds one empty data row.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zest
{

// The mark of a class that counts towards the selected area.
inline constexpr std::string_view MarkYes = "Tak";
// The mark of a class that does not count.
inline constexpr std::string_view MarkNo = "   ";

// The default mark of a land-use code (Windows-1250, compared case-sensitively):
// "Tak" when the code contains "R", "Ps" or "Ł", or is exactly "Wsr" or "W".
std::string DefaultMark(std::string_view ozu);

class ClassGrid
{
public:
    enum Column { ColOzu = 0, ColKlasa = 1, ColOfu = 2, ColMark = 3, ColumnCount = 4 };
    using Row = std::array<std::string, ColumnCount>;

    ClassGrid() { Reset(); }

    // Header plus one empty data row.
    void Reset();
    // Writes the next loaded class into the next data row with its default mark. The
    // first call fills the empty row 1; later calls add rows.
    void Add(std::string ofu, std::string ozu, std::string ozk);

    // Rows including the header (at least 2).
    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
    // Data rows (at least 1).
    int DataRowCount() const noexcept { return RowCount() - 1; }
    const std::string& Text(int row, int column) const { return rows_.at(row).at(column); }
    void SetText(int row, int column, std::string text) { rows_.at(row).at(column) = std::move(text); }

    // "Sumuj wszystkie użytki": every data row marked "Tak".
    void MarkAll();
    // "Sumuj domyślne": every data row gets the default mark of its land-use code.
    void MarkDefaults();
    // A key typed on a data row: "Tak" becomes blank, anything else (blank, empty)
    // becomes "Tak". False, and nothing changes, for a row that is not a data row.
    bool Toggle(int row);
    // After a reload: every data row whose three codes `before` also holds takes the
    // mark it had there; new rows keep their default mark.
    void KeepMarks(const ClassGrid& before);

private:
    std::vector<Row> rows_;
    int loaded_ = 0;
};

} // namespace zest
