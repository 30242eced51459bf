// Land-use class marks.
#include "classmarks.h"

#include <map>

namespace zest
{

namespace
{
constexpr char LetterLStroke = '\xA3'; // "Ł" in Windows-1250
}

std::string DefaultMark(std::string_view ozu)
{
    const bool marked = ozu.find('R') != std::string_view::npos || ozu.find("Ps") != std::string_view::npos
        || ozu.find(LetterLStroke) != std::string_view::npos || ozu == "Wsr" || ozu == "W";
    return std::string(marked ? MarkYes : MarkNo);
}

void ClassGrid::Reset()
{
    rows_.assign(2, Row {});
    rows_[0] = Row { "OZU", "Klasa", "OFU", "Sumuj" };
    loaded_ = 0;
}

void ClassGrid::Add(std::string ofu, std::string ozu, std::string ozk)
{
    if (loaded_ + 1 >= RowCount())
        rows_.emplace_back();
    Row& row = rows_[++loaded_];
    row[ColMark] = DefaultMark(ozu);
    row[ColOfu] = std::move(ofu);
    row[ColKlasa] = std::move(ozk);
    row[ColOzu] = std::move(ozu);
}

void ClassGrid::MarkAll()
{
    for (int r = 1; r < RowCount(); ++r)
        rows_[r][ColMark] = MarkYes;
}

void ClassGrid::MarkDefaults()
{
    for (int r = 1; r < RowCount(); ++r)
        rows_[r][ColMark] = DefaultMark(rows_[r][ColOzu]);
}

bool ClassGrid::Toggle(int row)
{
    if (row < 1 || row >= RowCount())
        return false;
    std::string& mark = rows_[row][ColMark];
    mark = mark == MarkYes ? MarkNo : MarkYes;
    return true;
}

void ClassGrid::KeepMarks(const ClassGrid& before)
{
    std::map<std::array<std::string, 3>, std::string> marks;
    for (int r = 1; r < before.RowCount(); ++r) {
        const Row& b = before.rows_[r];
        marks.emplace(std::array { b[ColOzu], b[ColKlasa], b[ColOfu] }, b[ColMark]);
    }
    for (int r = 1; r < RowCount(); ++r) {
        Row& row = rows_[r];
        const auto it = marks.find({ row[ColOzu], row[ColKlasa], row[ColOfu] });
        if (it != marks.end())
            row[ColMark] = it->second;
    }
}

} // namespace zest
