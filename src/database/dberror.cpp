#include "dberror.h"

#include <algorithm>
#include <cstring>
#include <ibase.h>

#include "clientstatus.h"

namespace zest::fb
{

DatabaseError MakeError(const ISC_STATUS* status)
{
    std::vector<std::int64_t> codes;
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = *p++;
        if (kind == isc_arg_gds)
            codes.push_back(*p++);
        else if (kind == isc_arg_cstring)
            p += 2;
        else
            ++p;
    }
    std::string message;
    char line[1024];
    const ISC_STATUS* vector = status;
    while (fb_interpret(line, sizeof line, &vector) > 0) {
        if (!message.empty())
            message += '\n';
        message += line;
    }
    if (message.empty())
        message = "Unknown database error";
    char state[6] = {};
    fb_sqlstate(state, status);
    const int sqlCode = static_cast<int>(isc_sqlcode(status));
    return DatabaseError(std::move(message), std::move(codes), sqlCode, std::string(state, strnlen(state, 5)));
}

bool Failed(const ISC_STATUS* status) noexcept
{
    return status[0] == 1 && status[1] != 0;
}

void Check(const ISC_STATUS* status)
{
    if (Failed(status))
        throw MakeError(status);
}

DatabaseError StateError(const char* what)
{
    return DatabaseError(what, {}, 0, std::string());
}

bool DatabaseError::hasCode(std::int64_t code) const noexcept
{
    return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

bool DatabaseError::isConnectionLost() const noexcept
{
    static constexpr std::int64_t lost[] = {
        isc_network_error,
        isc_net_read_err,
        isc_net_write_err,
        isc_net_server_shutdown,
        isc_lost_db_connection,
        isc_conn_lost,
        isc_shutdown,
        isc_att_shutdown,
        isc_bad_db_handle,
        isc_unavailable,
    };
    return std::any_of(std::begin(lost), std::end(lost), [this](std::int64_t c) { return hasCode(c); });
}

bool DatabaseError::isOpenedElsewhere() const noexcept
{
    return hasCode(isc_already_opened);
}

bool DatabaseError::isWireCryptRefused() const noexcept
{
    return hasCode(isc_wirecrypt_incompatible) || hasCode(isc_miss_wirecrypt);
}

bool DatabaseError::isPlanRejected() const noexcept
{
    static constexpr std::int64_t plan[] = {
        isc_index_unused, // index cannot be used in the specified plan
        isc_indexname, // index named in the plan does not exist
        isc_index_name,
        isc_no_stream_plan, // a stream is missing from the plan
        isc_stream_not_defined,
        isc_dsql_no_relation_alias, // the plan names a table beside its alias
    };
    return std::any_of(std::begin(plan), std::end(plan), [this](std::int64_t c) { return hasCode(c); });
}

} // namespace zest::fb
