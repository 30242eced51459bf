// The Windows-1250 conversions at the edge of the widgets: register text of any bytes
// into a QString and back, and typed text (any UTF-16) into the code page.
//
// The input's first byte chooses the direction; the rest is the text, as Windows-1250
// bytes or as UTF-16 code units (little-endian pairs).

#include "widgets/wintext.h"

#include <QString>
#include <QStringEncoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// Register bytes: one character per byte, and back to the same bytes, every byte
// (the undefined ones and NUL too).
void CheckBytes(std::string_view bytes)
{
    const QString text = zest::ui::FromWin1250(bytes);
    Check(text.size() == static_cast<qsizetype>(bytes.size()));
    Check(zest::ui::ToWin1250(text) == bytes);
}

// Typed text: what the code page holds comes back unchanged; what it does not is
// reported by the encoder (the window then refuses it), and the conversion itself
// neither fails nor gives more bytes than characters.
void CheckText(std::string_view raw)
{
    QString text;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        text.append(QChar(
            static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1]) << 8)));
    const std::string bytes = zest::ui::ToWin1250(text);
    Check(bytes.size() <= static_cast<std::size_t>(text.size()));

    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    QByteArray checked = encoder.encode(text);
    // Half a character at the end, which the encoder drops, gets its substitute.
    if (!text.isEmpty() && text.back().isHighSurrogate())
        checked += '?';
    Check(std::string_view(checked.constData(), static_cast<std::size_t>(checked.size())) == bytes);
    if (!encoder.hasError())
        Check(zest::ui::FromWin1250(bytes) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        CheckText(rest);
    else
        CheckBytes(rest);
    return 0;
}
