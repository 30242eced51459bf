#include "dberror.h"

#include <algorithm>
#include <ibase.h>

namespace zest::fb
{

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
