#include "register.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "schema.h"
#include "sqlite.h"
#include "statement/codepage.h"
#include "statement/errortext.h"

namespace zest::disclosures
{

namespace
{

enum class Verb { Read, Write };

[[noreturn]] void Fail(Verb verb, const std::string& path, const std::string& reason)
{
    throw DisclosureError(std::string(verb == Verb::Write ? "Nie mo\xBFna zapisa\xE6" : "Nie mo\xBFna odczyta\xE6")
        + " rejestru udost\xEApnie\xF1 " + PathText(path) + ": " + reason);
}

// Runs `body`; whatever SQLite or the schema check says becomes a DisclosureError naming
// the file.
template <class F> auto Guarded(Verb verb, const std::string& path, F&& body)
{
    try {
        return body();
    } catch (const sqlite::Error& e) {
        Fail(verb, path, cp1250::FromUtf8(e.what(), cp1250::Substitute));
    } catch (const schema::Refused& e) {
        Fail(verb, path, e.what());
    }
}

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void CheckDate(const std::optional<std::string>& date)
{
    if (date && !IsDate(*date))
        throw std::invalid_argument("not a date YYYY-MM-DD: " + *date);
}

// Windows-1250 text as the register stores it, converting each distinct value once: the
// rows of one output mostly share their user, database and options.
class Utf8Cache
{
public:
    const std::string& operator()(const std::string& text)
    {
        if (!valid_ || text != from_) {
            from_ = text;
            to_ = cp1250::ToUtf8(text);
            valid_ = true;
        }
        return to_;
    }

private:
    bool valid_ = false;
    std::string from_, to_;
};

} // namespace

const char* OutputName(Output output) noexcept
{
    switch (output) {
    case Output::Preview:
        return "preview";
    case Output::Print:
        return "print";
    case Output::Pdf:
        return "pdf";
    case Output::File:
        return "file";
    case Output::Cli:
        return "cli";
    }
    return "";
}

bool IsDate(std::string_view t) noexcept
{
    if (t.size() != 10 || t[4] != '-' || t[7] != '-')
        return false;
    for (std::size_t i : { 0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u })
        if (t[i] < '0' || t[i] > '9')
            return false;
    auto number = [&](std::size_t from, std::size_t n) {
        int v = 0;
        for (std::size_t i = from; i < from + n; ++i)
            v = v * 10 + (t[i] - '0');
        return v;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int Days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= Days[month - 1] + (month == 2 && leap ? 1 : 0);
}

PendingDisclosures::PendingDisclosures() noexcept = default;
PendingDisclosures::~PendingDisclosures() = default; // the connection rolls back what is open
PendingDisclosures::PendingDisclosures(PendingDisclosures&&) noexcept = default;
PendingDisclosures& PendingDisclosures::operator=(PendingDisclosures&&) noexcept = default;

void PendingDisclosures::Commit()
{
    if (!db_)
        return;
    Guarded(Verb::Write, path_, [&] { db_->Execute("COMMIT"); });
    db_.reset();
}

DisclosureRegister::DisclosureRegister(std::string path)
    : path_(std::move(path))
{
}

DisclosureRegister DisclosureRegister::FromEnvironment(const std::string& defaultFolder)
{
    const char* named = std::getenv(EnvironmentVariable);
    if (named && std::string_view(named) == "off")
        return DisclosureRegister();
    if (named && *named)
        return DisclosureRegister(named);
    DisclosureRegister r((std::filesystem::path(defaultFolder) / DefaultFileName).string());
    r.makeFolder_ = true;
    return r;
}

std::unique_ptr<sqlite::Connection> DisclosureRegister::Open(Access access) const
{
    const Verb verb = access == Access::Write ? Verb::Write : Verb::Read;
    if (makeFolder_ && access == Access::Write) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
        if (error)
            Fail(verb, path_, SystemText(error.value()));
    }
    return Guarded(verb, path_, [&] {
        auto db = std::make_unique<sqlite::Connection>(path_, access == Access::Write);
        db->SetBusyTimeout(static_cast<int>(busyTimeout_.count()));
        // Switching a new file to WAL while another process makes it too is refused at
        // once, without the busy wait: it is tried again for as long as the wait.
        const auto until = std::chrono::steady_clock::now() + busyTimeout_;
        for (;;) {
            try {
                schema::Prepare(*db);
                return db;
            } catch (const sqlite::Error& e) {
                if (!e.Busy() || std::chrono::steady_clock::now() >= until)
                    throw;
            }
            if (db->InTransaction())
                db->Execute("ROLLBACK");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

PendingDisclosures DisclosureRegister::Begin(
    const std::vector<Disclosure>& rows, Output output, std::optional<std::string> file) const
{
    return Begin(rows, std::vector<Target> { { output, std::move(file) } });
}

PendingDisclosures DisclosureRegister::Begin(
    const std::vector<Disclosure>& rows, const std::vector<Target>& targets) const
{
    PendingDisclosures pending;
    if (!IsOn() || rows.empty() || targets.empty())
        return pending;
    std::unique_ptr<sqlite::Connection> db = Open(Access::Write);
    Guarded(Verb::Write, path_, [&] {
        db->Execute("BEGIN IMMEDIATE");
        sqlite::Statement insert(*db,
            R"(INSERT INTO disclosures (time, "user", "database", subject_id, subject_name, output, file, options)
               VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8))");
        const std::string time = UtcNow();
        Utf8Cache user, database, options;
        for (const Target& target : targets)
            for (const Disclosure& d : rows) {
                insert.Bind(1, std::string_view(time));
                insert.Bind(2, std::string_view(user(d.user)));
                insert.Bind(3, std::string_view(database(d.database)));
                insert.Bind(4, std::int64_t { d.subjectId });
                insert.Bind(5, std::string_view(cp1250::ToUtf8(d.subjectName)));
                insert.Bind(6, std::string_view(OutputName(target.output)));
                insert.Bind(7, target.file);
                insert.Bind(8, std::string_view(options(d.options)));
                insert.Step();
                insert.Reset();
            }
    });
    pending.db_ = std::move(db);
    pending.path_ = path_;
    pending.rows_ = rows.size() * targets.size();
    return pending;
}

std::vector<DisclosureRow> DisclosureRegister::Read(const Filter& filter) const
{
    CheckDate(filter.since);
    CheckDate(filter.until);
    std::vector<DisclosureRow> rows;
    std::error_code error;
    if (!IsOn() || !std::filesystem::exists(path_, error))
        return rows;
    std::unique_ptr<sqlite::Connection> db = Open(Access::Read);
    std::string sql = R"(SELECT id, time, "user", "database", subject_id, subject_name, output, file, options
                         FROM disclosures WHERE 1)";
    if (filter.subjectId)
        sql += " AND subject_id = ?1";
    if (filter.user)
        sql += R"( AND "user" = ?2)";
    if (filter.since)
        sql += " AND time >= ?3";
    if (filter.until)
        sql += " AND time < date(?4, '+1 day')";
    sql += " ORDER BY time, id";
    Guarded(Verb::Read, path_, [&] {
        sqlite::Statement query(*db, sql);
        if (filter.subjectId)
            query.Bind(1, std::int64_t { *filter.subjectId });
        if (filter.user)
            query.Bind(2, std::string_view(*filter.user));
        if (filter.since)
            query.Bind(3, std::string_view(*filter.since));
        if (filter.until)
            query.Bind(4, std::string_view(*filter.until));
        while (query.Step()) {
            DisclosureRow& r = rows.emplace_back();
            r.id = query.Integer(0);
            r.time = query.Text(1);
            r.user = query.Text(2);
            r.database = query.Text(3);
            r.subjectId = static_cast<std::int32_t>(query.Integer(4));
            r.subjectName = query.Text(5);
            r.output = query.Text(6);
            if (!query.IsNull(7))
                r.file = query.Text(7);
            r.options = query.Text(8);
        }
    });
    return rows;
}

std::int64_t DisclosureRegister::PurgeBefore(std::string_view date, std::string_view user) const
{
    CheckDate(std::string(date));
    if (!IsOn())
        return 0;
    std::unique_ptr<sqlite::Connection> db = Open(Access::Write);
    return Guarded(Verb::Write, path_, [&] {
        db->Execute("BEGIN IMMEDIATE");
        sqlite::Statement purge(*db, "DELETE FROM disclosures WHERE time < ?1");
        purge.Bind(1, date);
        purge.Step();
        const std::int64_t deleted = db->Changes();
        sqlite::Statement note(*db, R"(INSERT INTO purges (time, "user", "before", "rows") VALUES (?1, ?2, ?3, ?4))");
        note.Bind(1, std::string_view(UtcNow()));
        note.Bind(2, std::string_view(cp1250::ToUtf8(user)));
        note.Bind(3, date);
        note.Bind(4, deleted);
        note.Step();
        db->Execute("COMMIT");
        return deleted;
    });
}

} // namespace zest::disclosures
