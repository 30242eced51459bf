// The Windows-1250 codec and its QString adapters: register text of any bytes into a
// QString (and UTF-8) and back, and typed text (any UTF-16) into the code page under
// both policies.
//
// The input's first byte chooses the direction; the rest is the text, as Windows-1250
// bytes or as UTF-16 code units (little-endian pairs).

#include "widgets/wintext.h"

#include <QString>
#include <QStringEncoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
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
// (the undefined ones and NUL too), through UTF-16 and through UTF-8.
void CheckBytes(std::string_view bytes)
{
    const QString text = zest::ui::FromWin1250(bytes);
    Check(text.size() == static_cast<qsizetype>(bytes.size()));
    Check(zest::ui::ToWin1250(text, zest::cp1250::Refuse) == bytes);
    Check(zest::cp1250::FromUtf8(zest::cp1250::ToUtf8(bytes), zest::cp1250::Refuse) == bytes);
}

// Typed text: Qt's own encoder is the second opinion. Where it writes everything, both
// policies give its bytes; where it fails, the refusing policy fails too and the
// substituting one gives a byte per character (a surrogate pair is one), never more.
void CheckText(std::string_view raw)
{
    QString text;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        text.append(QChar(
            static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1]) << 8)));
    const std::string bytes = zest::ui::ToWin1250(text, zest::cp1250::Substitute);
    const std::optional<std::string> refused = zest::ui::ToWin1250(text, zest::cp1250::Refuse);
    Check(bytes.size() <= static_cast<std::size_t>(text.size()));

    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    const QByteArray checked = encoder.encode(text);
    const bool halfAtEnd = !text.isEmpty() && text.back().isHighSurrogate();
    if (!encoder.hasError() && !halfAtEnd) {
        Check(refused && *refused == bytes);
        Check(std::string_view(checked.constData(), static_cast<std::size_t>(checked.size())) == bytes);
        Check(zest::ui::FromWin1250(bytes) == text);
    } else {
        Check(!refused);
        Check(bytes.find(zest::cp1250::SubstituteByte) != std::string::npos);
    }
    // The same text as UTF-8 (broken surrogates become U+FFFD there, a substitute here).
    Check(zest::cp1250::FromUtf8(text.toStdString(), zest::cp1250::Substitute) == bytes);
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
