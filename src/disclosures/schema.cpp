#include "schema.h"

#include <array>
#include <string>

#include "sqlite.h"

namespace zest::disclosures::schema
{

namespace
{

// Step N takes a file of version N to version N + 1.
constexpr std::array Migrations = {
    // 0 -> 1: the rows handed out and the purges that deleted some of them.
    R"(CREATE TABLE disclosures (
         id INTEGER PRIMARY KEY,
         time TEXT NOT NULL,
         "user" TEXT,
         "database" TEXT,
         subject_id INTEGER,
         subject_name TEXT,
         output TEXT NOT NULL,
         file TEXT,
         options TEXT);
       CREATE INDEX disclosures_subject ON disclosures (subject_id);
       CREATE INDEX disclosures_time ON disclosures (time);
       CREATE TABLE purges (
         id INTEGER PRIMARY KEY,
         time TEXT NOT NULL,
         "user" TEXT,
         "before" TEXT NOT NULL,
         "rows" INTEGER NOT NULL);)",
    // 1 -> 2: who besides the register login (the system account, the machine), and the
    // state of each output: its rows are recorded before it and it is settled after it.
    // A row without a handout (every row of version 1) was kept only once its output
    // was made.
    R"(CREATE TABLE handouts (
         id INTEGER PRIMARY KEY,
         time TEXT NOT NULL,
         status TEXT NOT NULL DEFAULT 'pending',
         reason TEXT,
         settled TEXT);
       ALTER TABLE disclosures ADD COLUMN account TEXT;
       ALTER TABLE disclosures ADD COLUMN machine TEXT;
       ALTER TABLE disclosures ADD COLUMN handout INTEGER;
       ALTER TABLE purges ADD COLUMN account TEXT;
       ALTER TABLE purges ADD COLUMN machine TEXT;)",
};

const char* const Unchanged = " (plik nie zosta\xB3 zmieniony)";

std::int64_t Version(sqlite::Connection& db)
{
    return db.QueryInteger("PRAGMA user_version");
}

} // namespace

int Inspect(sqlite::Connection& db)
{
    std::int64_t id = 0;
    try {
        id = db.QueryInteger("PRAGMA application_id");
    } catch (const sqlite::Error& e) {
        if (e.NotADatabase())
            throw Refused(std::string("plik nie jest baz\xB9 SQLite") + Unchanged);
        throw;
    }
    const bool foreign = id != ApplicationId && (id != 0 || db.QueryInteger("SELECT count(*) FROM sqlite_schema") != 0);
    if (foreign)
        throw Refused(std::string("plik jest baz\xB9 innego programu") + Unchanged);
    const std::int64_t version = Version(db);
    if (version > CurrentVersion())
        throw Refused("plik zosta\xB3 zapisany przez nowsz\xB9 wersj\xEA programu (rejestr w wersji "
            + std::to_string(version) + ", ten program zna wersj\xEA " + std::to_string(CurrentVersion())
            + "; plik nie zosta\xB3 zmieniony)");
    return static_cast<int>(version);
}

int CurrentVersion() noexcept
{
    return static_cast<int>(Migrations.size());
}

void Prepare(sqlite::Connection& db)
{
    // One snapshot for the questions: another process may be making the tables.
    db.Execute("BEGIN");
    Inspect(db);
    db.Execute("COMMIT");
    // Readers and one writer at a time, without blocking each other; kept by the file.
    db.Execute("PRAGMA journal_mode = WAL");
    if (Version(db) == CurrentVersion())
        return;
    // Another process may be upgrading the same file: look again under the write lock.
    db.Execute("BEGIN IMMEDIATE");
    Inspect(db);
    for (std::int64_t v = Version(db); v < CurrentVersion(); ++v)
        db.Execute(Migrations[static_cast<std::size_t>(v)]);
    db.Execute(("PRAGMA application_id = " + std::to_string(ApplicationId)).c_str());
    db.Execute(("PRAGMA user_version = " + std::to_string(CurrentVersion())).c_str());
    db.Execute("COMMIT");
}

} // namespace zest::disclosures::schema
