#include "classmatch.h"

namespace zest
{

void MatchAndAdd(const ClassGrid& grid, std::string_view ofu, std::string_view ozu, std::string_view ozk,
    std::int64_t area, AreaState& state)
{
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Text(row, ClassGrid::ColOzu) != ozu || grid.Text(row, ClassGrid::ColKlasa) != ozk
            || grid.Text(row, ClassGrid::ColOfu) != ofu)
            continue;
        if (grid.Text(row, ClassGrid::ColMark) == MarkYes)
            state.SelectedAreaSum += area;
        return;
    }
}

} // namespace zest
