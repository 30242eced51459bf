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
    // Stateless: half a character at the end becomes a substitute like any other
    // character the code page lacks, instead of being dropped.
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw std::runtime_error("windows-1250 encoder unavailable");
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace zest::ui
