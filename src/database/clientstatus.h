#pragma once
// The client library's status vector turned into exceptions, for the files of this
// folder: a failing call is checked in one line, and no call site reads codes itself.

#include <ibase.h>

#include "database.h"
#include "dberror.h"

namespace zest::fb
{

using Status = ISC_STATUS[20];

DatabaseError MakeError(const ISC_STATUS* status);
bool Failed(const ISC_STATUS* status) noexcept;
void Check(const ISC_STATUS* status); // throws MakeError(status) when the call failed

// As Check; a failure because the connection is lost marks the attachment unusable
// first (Database::Usable).
struct StatusCheck {
    static void On(Database& db, const ISC_STATUS* status);
};

// A call made in the wrong state ("Database not connected"): no server codes.
DatabaseError StateError(const char* what);

} // namespace zest::fb
