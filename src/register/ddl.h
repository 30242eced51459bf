#pragma once
// A register database for tests, the demo and benchmarks: every table and column that
// the statement writer reads, the indexes its plans name, and read rights for everyone.
// The program itself never runs any of this against a real register.

#include <string>
#include <vector>

#include "database/database.h"

namespace zest::reg
{

// Tables with their primary keys.
std::vector<std::string> RegisterTableDdl();
// The nine indexes that the plans of the catalogue name.
std::vector<std::string> RegisterIndexDdl();
// SELECT on every table to PUBLIC.
std::vector<std::string> RegisterGrantDdl();
// All of the above, in that order.
std::vector<std::string> RegisterDdl();

struct RegisterOptions {
    std::string user = "SYSDBA";
    std::string password = "x";
    // Leave out the nine indexes (a loader creates them after the data).
    bool withoutIndexes = false;
};

// The CREATE DATABASE statement for a path (embedded) or a connection string
// ("host:path", through a server); quotes in the values are doubled.
std::string CreateDatabaseSql(const std::string& path, const RegisterOptions& options = {});

// Creates the database file and runs the DDL; `db` stays attached to the new register.
// Throws fb::DatabaseError, for instance when the file exists.
void CreateRegister(fb::Database& db, const std::string& path, const RegisterOptions& options = {});

// Runs a list of statements, each committed on its own.
void ExecuteAll(fb::Database& db, const std::vector<std::string>& statements);

} // namespace zest::reg
