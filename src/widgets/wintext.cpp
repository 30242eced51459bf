// Windows-1250 conversions.
#include "wintext.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <stdexcept>

namespace zest::ui
{

QString FromWin1250(std::string_view bytes)
{
    QStringDecoder decoder("windows-1250");
    if (!decoder.isValid())
        throw std::runtime_error("windows-1250 decoder unavailable");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToWin1250(const QString& text)
{
    // A character the code page lacks becomes the substitute '?'. Stateless, so that
    // nothing is kept back for a next call; half a character at the end (a lone high
    // surrogate) is still dropped by the encoder, and gets its substitute here.
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw std::runtime_error("windows-1250 encoder unavailable");
    const QByteArray bytes = encoder.encode(text);
    std::string out(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!text.isEmpty() && text.back().isHighSurrogate())
        out += '?';
    return out;
}

} // namespace zest::ui
