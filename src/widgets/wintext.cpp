// The QString adapters of the Windows-1250 codec.
#include "wintext.h"

namespace zest::ui
{

namespace
{

std::u16string_view Units(const QString& text)
{
    return { reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()) };
}

} // namespace

QString FromWin1250(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char b : bytes)
        *out++ = cp1250::CharOf(static_cast<unsigned char>(b));
    return text;
}

std::string ToWin1250(const QString& text, cp1250::SubstitutePolicy policy)
{
    return cp1250::FromUtf16(Units(text), policy);
}

std::optional<std::string> ToWin1250(const QString& text, cp1250::RefusePolicy policy)
{
    return cp1250::FromUtf16(Units(text), policy);
}

} // namespace zest::ui
