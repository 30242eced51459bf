#pragma once
// Windows-1250 text of the core meets QString here, at the edge of the widgets: the
// QString adapters of the one codec (statement/codepage.h), with its policies.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "statement/codepage.h"

namespace zest::ui
{

QString FromWin1250(std::string_view bytes);
std::string ToWin1250(const QString& text, cp1250::SubstitutePolicy);
std::optional<std::string> ToWin1250(const QString& text, cp1250::RefusePolicy);

} // namespace zest::ui
