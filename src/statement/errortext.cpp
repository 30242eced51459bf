#include "errortext.h"

#include <cstring>

#include "codepage.h"
#include "database/dberror.h"

namespace zest
{

std::string ErrorText(const std::exception& error)
{
    const auto* db = dynamic_cast<const fb::DatabaseError*>(&error);
    if (db && db->isConnectionLost())
        return std::string(ConnectionLostText) + "\n" + error.what();
    return error.what();
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
