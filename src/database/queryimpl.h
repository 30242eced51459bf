#pragma once
// What a Query holds of the client library: its statement handle and the descriptor areas
// with their buffers. For the files of this folder.

#include <ibase.h>
#include <string>
#include <vector>

#include "clienthandle.h"
#include "database.h"

namespace zest::fb
{

struct Query::Impl {
    detail::StatementHandle stmt;
    int stmtType = 0;
    std::vector<char> outStorage;
    XSQLDA* out = nullptr;
    std::vector<std::vector<char>> outBuffers;
    std::vector<short> outNulls;

    std::vector<char> inStorage;
    XSQLDA* in = nullptr;
    std::vector<XSQLVAR> inDescribed; // the types the server asked for
    std::vector<std::string> paramNames; // per position
    using Value = ParamValue;
    std::vector<Value> values; // per position
    std::vector<std::vector<char>> inBuffers;
    std::vector<short> inNulls;
};

// A descriptor area of n columns (at least one) in storage.
XSQLDA* AllocSqlda(std::vector<char>& storage, int n);

// Fills the input area from the values as last set, in the types the server described.
void BindInputs(Query::Impl& impl);

} // namespace zest::fb
