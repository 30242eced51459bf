#pragma once
// One statement run's picture of the register: a read-only snapshot transaction on the
// session's connection, begun when the run begins and ended when the run ends, however it
// ends. The run's list, the precinct names of its headings and every statement its
// subjects need are read in it, so a share that another clerk moves while the run goes on
// stands in exactly one statement, and the window's own transaction stays one that holds
// nothing back on the server.

#include "database/database.h"
#include "precincts.h"

namespace zest
{

class RunSnapshot
{
public:
    // Starts the transaction and reads the precinct names in it; throws the database error.
    explicit RunSnapshot(fb::Database& db);
    ~RunSnapshot(); // rolls back: the run wrote nothing
    RunSnapshot(const RunSnapshot&) = delete;
    RunSnapshot& operator=(const RunSnapshot&) = delete;

    fb::Transaction& Transaction() noexcept { return tr_; }
    const PrecinctTable& Precincts() const noexcept { return precincts_; }

private:
    fb::Transaction tr_;
    PrecinctTable precincts_;
};

} // namespace zest
