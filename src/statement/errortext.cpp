#include "errortext.h"

#include <cstring>

#include "codepage.h"
#include "database/dberror.h"
#include "wirecrypt.h"

namespace zest
{

std::string ErrorText(const std::exception& error)
{
    const auto* db = dynamic_cast<const fb::DatabaseError*>(&error);
    const char* first = !db        ? nullptr
        : db->isOpenedElsewhere()  ? OpenedElsewhereText
        : db->isWireCryptRefused() ? WireCryptRefusedText
        : db->isConnectionLost()   ? ConnectionLostText
                                   : nullptr;
    return first ? std::string(first) + "\n" + error.what() : std::string(error.what());
}

std::string ConnectErrorDetail(const std::exception& error)
{
    const auto* db = dynamic_cast<const fb::DatabaseError*>(&error);
    if ((db && (db->isOpenedElsewhere() || db->isWireCryptRefused())) || dynamic_cast<const WireSettingError*>(&error))
        return ErrorText(error);
    return {};
}

std::string PathText(std::string_view path)
{
    return cp1250::FromUtf8(path, cp1250::Substitute);
}

std::string SystemText(int error)
{
    return cp1250::FromUtf8(std::strerror(error), cp1250::Substitute);
}

} // namespace zest
