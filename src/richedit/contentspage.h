#pragma once
// The contents page "Spis treści:": every entry of the contents list with a dotted
// leader and the page on which it starts, in the text rectangle of the last print.

#include "richedit/pagesetup.h"
#include "richedit/printpages.h"

namespace zest::richedit
{

// Nothing at all for an empty list. With `newDocument` the printer gets a job of its
// own; without, a new page of the caller's open document (`target.Document`).
void PrintContents(const TSpis& spis, const PrintTarget& target, bool newDocument);

// The line text of an entry: level 1 in capitals, level 2 in capitals unless no level
// is deeper than 2, levels 3 to 9 indented by 5 blanks a level below 2. Levels outside
// 1 to 9 count as the nearest of them.
QString ContentsLineText(const TSpisEntry& entry, int deepestLevel);

} // namespace zest::richedit
