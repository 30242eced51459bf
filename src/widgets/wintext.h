#pragma once
// Windows-1250 text of the core meets QString here, at the edge of the widgets.

#include <QString>
#include <string>
#include <string_view>

namespace zest::ui
{

QString FromWin1250(std::string_view bytes);
std::string ToWin1250(const QString& text);

} // namespace zest::ui
