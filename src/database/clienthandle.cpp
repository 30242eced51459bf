#include "clienthandle.h"

#include <ibase.h>
#include <type_traits>

#include "clientstatus.h"

namespace zest::fb::detail
{

static_assert(std::is_same_v<FB_API_HANDLE, RawHandle>, "RawHandle is not the client library's handle type here");

void EndAttachment(RawHandle& handle) noexcept
{
    Status st {};
    isc_detach_database(st, &handle);
    handle = 0;
}

void EndTransaction(RawHandle& handle) noexcept
{
    Status st {};
    isc_rollback_transaction(st, &handle);
    handle = 0;
}

void EndStatement(RawHandle& handle) noexcept
{
    Status st {};
    isc_dsql_free_statement(st, &handle, DSQL_drop);
    handle = 0;
}

void EndBlob(RawHandle& handle) noexcept
{
    Status st {};
    if (isc_close_blob(st, &handle) != 0 && handle != 0) {
        Status cancelled {};
        isc_cancel_blob(cancelled, &handle); // frees what a failed close left
    }
    handle = 0;
}

} // namespace zest::fb::detail
