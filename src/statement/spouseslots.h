#pragma once
// The result of the latest spouse lookup: each spouse's formatted name and address
// lines. A wife's own block (kind 'Ż') shows her name and lines from here.

#include <string>
#include <vector>

namespace zest
{

struct SpouseSlots {
    std::string HusbandName, WifeName;
    std::vector<std::string> HusbandLines, WifeLines;

    void Clear()
    {
        HusbandName.clear();
        WifeName.clear();
        HusbandLines.clear();
        WifeLines.clear();
    }
};

} // namespace zest
