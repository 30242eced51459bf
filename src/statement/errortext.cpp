#include "errortext.h"

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

} // namespace zest
