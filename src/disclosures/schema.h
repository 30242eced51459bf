#pragma once
// The tables of the register of disclosures and their upgrade path. The file says that it
// is ours by its application id and says its schema version by its user version; each
// version adds a step to the list of migrations, and a file of an older version runs the
// steps it lacks in one transaction when it is opened.

#include <cstdint>
#include <stdexcept>

namespace zest::disclosures
{

namespace sqlite
{
class Connection;
}

namespace schema
{

// PRAGMA application_id of a register: "ZEST".
inline constexpr std::int32_t ApplicationId = 0x5A455354;
// PRAGMA user_version that this program writes.
int CurrentVersion() noexcept;

// A file that must not be used, nor changed: the text (Windows-1250) says why.
class Refused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What the file holds, read without writing anything: its version, 0 for an empty SQLite
// file. Throws Refused for a file that is not SQLite, belongs to another program or
// comes from a newer version; sqlite::Error when it cannot be read.
int Inspect(sqlite::Connection& db);

// Checks that the file is a register of a version this program knows, or an empty
// SQLite file, and brings it to the current version. Throws Refused (and writes nothing)
// for a file that is not SQLite, belongs to another program or comes from a newer
// version; sqlite::Error when the file cannot be read or written. May be called again
// after a failure (it starts over).
void Prepare(sqlite::Connection& db);

} // namespace schema
} // namespace zest::disclosures
