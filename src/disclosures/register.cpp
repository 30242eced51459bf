#include "register.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "identity.h"
#include "registerfile.h"
#include "schema.h"
#include "sqlite.h"
#include "statement/codepage.h"
#include "statement/environment.h"
#include "statement/errortext.h"
#include "statement/fspath.h"
#include "statement/systemfile.h"

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
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
        static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return text;
}

// "ścieżka jest dowiązaniem symbolicznym; rejestr musi być zwykłym plikiem (nic nie
// zostało zmienione)"
const char* const SymbolicLinkText = "\x9C"
                                     "cie\xBFka jest dowi\xB9zaniem symbolicznym; rejestr musi by\xE6 zwyk\xB3ym "
                                     "plikiem (nic nie zosta\xB3o zmienione)";

// A register is never opened through a symbolic link: whoever may replace the file
// could point the record elsewhere, or make the library write where the link points.
void RefuseLink(Verb verb, const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(FsPath(path), error)))
        Fail(verb, path, SymbolicLinkText);
}

// The process's account and machine, asked once.
const std::string& Account()
{
    static const std::string name = AccountName();
    return name;
}

const std::string& Machine()
{
    static const std::string name = MachineName();
    return name;
}

// What a reader without locks checks to know that nobody wrote while it read: the file's
// size and time of change, and those of its write-ahead log.
struct FileStamp {
    struct Part {
        bool exists = false;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type written {};
        bool operator==(const Part&) const = default;
    };
    Part file, log;

    static Part OfFile(const std::string& path)
    {
        Part p;
        std::error_code error;
        p.written = std::filesystem::last_write_time(FsPath(path), error);
        p.exists = !error;
        p.size = p.exists ? std::filesystem::file_size(FsPath(path), error) : 0;
        return p;
    }
    static FileStamp Of(const std::string& path) { return { OfFile(path), OfFile(path + "-wal") }; }
    bool operator==(const FileStamp&) const = default;
};

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

// The reason of an output whose rows were neither delivered nor failed by its maker.
const char* const NotCompletedText = "output not completed";

// A connection to write with, the file brought to the current version.
std::unique_ptr<sqlite::Connection> OpenConnection(const std::string& path, std::chrono::milliseconds busyTimeout)
{
    auto db = std::make_unique<sqlite::Connection>(path, sqlite::OpenMode::ReadWrite);
    db->SetBusyTimeout(static_cast<int>(busyTimeout.count()));
    // The log and its index stay beside the file when the last writer goes (the log
    // emptied), so that a reader finds them and reads under the writers' locks.
    db->KeepLog();
    db->Execute("PRAGMA journal_size_limit = 0");
    // Switching a new file to WAL while another process makes it too is refused at
    // once, without the busy wait: it is tried again for as long as the wait.
    const auto until = std::chrono::steady_clock::now() + busyTimeout;
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
}

// The columns of a row in a file of `version`, the disclosures as d: a version-1 file
// has no account, machine or state, and its rows were kept only once their output was
// made; so are the rows of a later file that belong to no handout.
const char* RowColumns(int version)
{
    if (version < 2)
        return R"(d.id, d.time, d."user", NULL, NULL, d."database", d.subject_id, d.subject_name, d.output, d.file,
                  'delivered', NULL, d.options FROM disclosures d)";
    return R"(d.id, d.time, d."user", d.account, d.machine, d."database", d.subject_id, d.subject_name, d.output, d.file,
              coalesce(h.status, 'delivered'), h.reason, d.options
              FROM disclosures d LEFT JOIN handouts h ON h.id = d.handout)";
}

std::vector<DisclosureRow> ReadRows(sqlite::Connection& db, const Filter& filter)
{
    std::vector<DisclosureRow> rows;
    // The version and the rows in one snapshot.
    db.Execute("BEGIN");
    const int version = schema::Inspect(db);
    if (version == 0) {
        db.Execute("COMMIT");
        return rows;
    }
    std::string sql = std::string("SELECT ") + RowColumns(version) + " WHERE 1";
    if (filter.subjectId)
        sql += " AND d.subject_id = ?1";
    if (filter.user)
        sql += R"( AND d."user" = ?2)";
    if (filter.account)
        sql += version < 2 ? " AND 0" : " AND d.account = ?3";
    if (filter.since)
        sql += " AND d.time >= ?4";
    if (filter.until)
        sql += " AND d.time < date(?5, '+1 day')";
    sql += " ORDER BY d.time, d.id";
    sqlite::Statement query(db, sql);
    if (filter.subjectId)
        query.Bind(1, std::int64_t { *filter.subjectId });
    if (filter.user)
        query.Bind(2, std::string_view(*filter.user));
    if (filter.account && version >= 2)
        query.Bind(3, std::string_view(*filter.account));
    if (filter.since)
        query.Bind(4, std::string_view(*filter.since));
    if (filter.until)
        query.Bind(5, std::string_view(*filter.until));
    while (query.Step()) {
        DisclosureRow& r = rows.emplace_back();
        r.id = query.Integer(0);
        r.time = query.Text(1);
        r.user = query.Text(2);
        r.account = query.Text(3);
        r.machine = query.Text(4);
        r.database = query.Text(5);
        r.subjectId = static_cast<std::int32_t>(query.Integer(6));
        r.subjectName = query.Text(7);
        r.output = query.Text(8);
        if (!query.IsNull(9))
            r.file = query.Text(9);
        r.status = query.Text(10);
        r.reason = query.Text(11);
        r.options = query.Text(12);
    }
    db.Execute("COMMIT");
    return rows;
}

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
    case Output::Csv:
        return "csv";
    }
    return "";
}

std::string UtcToday()
{
    return UtcNow().substr(0, 10);
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
PendingDisclosures::PendingDisclosures(PendingDisclosures&&) noexcept = default;
PendingDisclosures& PendingDisclosures::operator=(PendingDisclosures&& other) noexcept
{
    if (this != &other) {
        for (std::size_t i = 0; i < begun_.size(); ++i)
            Failed(i, NotCompletedText);
        db_ = std::move(other.db_);
        path_ = std::move(other.path_);
        busyTimeout_ = other.busyTimeout_;
        begun_ = std::move(other.begun_);
        other.begun_.clear();
    }
    return *this;
}

PendingDisclosures::~PendingDisclosures()
{
    for (std::size_t i = 0; i < begun_.size(); ++i)
        Failed(i, NotCompletedText);
}

std::size_t PendingDisclosures::Rows() const noexcept
{
    std::size_t rows = 0;
    for (const Begun& b : begun_)
        rows += b.rows;
    return rows;
}

void PendingDisclosures::Settle(std::size_t target, const char* status, std::string_view reason)
{
    if (target >= begun_.size() || begun_[target].settled)
        return;
    Begun& begun = begun_[target];
    if (begun.id != 0)
        Guarded(Verb::Write, path_, [&] {
            if (!db_)
                db_ = OpenConnection(path_, busyTimeout_);
            // An output is settled once.
            sqlite::Statement update(*db_,
                "UPDATE handouts SET status = ?1, reason = ?2, settled = ?3 WHERE id = ?4 AND status = 'pending'");
            update.Bind(1, std::string_view(status));
            update.Bind(
                2, reason.empty() ? std::optional<std::string>() : std::optional<std::string>(cp1250::ToUtf8(reason)));
            update.Bind(3, std::string_view(UtcNow()));
            update.Bind(4, begun.id);
            update.Step();
        });
    begun.settled = true;
}

void PendingDisclosures::Delivered(std::size_t target)
{
    Settle(target, StatusDelivered, {});
}

void PendingDisclosures::Delivered()
{
    for (std::size_t i = 0; i < begun_.size(); ++i)
        Delivered(i);
}

void PendingDisclosures::Failed(std::size_t target, std::string_view reason) noexcept
{
    try {
        Settle(target, StatusFailed, reason);
    } catch (...) {
        // The rows stay pending: counted as disclosed.
    }
}

DisclosureRegister::DisclosureRegister(std::string path)
    : path_(std::move(path))
{
}

DisclosureRegister DisclosureRegister::FromEnvironment(const std::string& defaultFolder)
{
    const std::optional<std::string> named = EnvironmentValue(EnvironmentVariable);
    if (named && *named == "off")
        return DisclosureRegister();
    if (named && !named->empty())
        return DisclosureRegister(*named);
    DisclosureRegister r(Utf8Path(FsPath(defaultFolder) / DefaultFileName));
    r.makeFolder_ = true;
    return r;
}

bool DisclosureRegister::Exists() const
{
    std::error_code error;
    return IsOn() && std::filesystem::exists(std::filesystem::symlink_status(FsPath(path_), error));
}

std::unique_ptr<sqlite::Connection> DisclosureRegister::OpenToWrite() const
{
    RefuseLink(Verb::Write, path_);
    if (makeFolder_)
        if (const std::error_code error = files::MakePrivateFolders(Utf8Path(FsPath(path_).parent_path())))
            Fail(Verb::Write, path_, sys::ErrorText(error));
    if (const std::error_code error = files::MakePrivateFile(path_))
        Fail(Verb::Write, path_, sys::ErrorText(error));
    return Guarded(Verb::Write, path_, [&] { return OpenConnection(path_, busyTimeout_); });
}

PendingDisclosures DisclosureRegister::Begin(
    const std::vector<Disclosure>& rows, Output output, std::optional<std::string> file) const
{
    return Begin(rows, std::vector<Target> { { output, std::move(file) } });
}

PendingDisclosures DisclosureRegister::Begin(
    const std::vector<Disclosure>& rows, const std::vector<Target>& targets) const
{
    std::vector<Handout> outputs;
    for (const Target& target : targets)
        outputs.push_back({ target, &rows });
    return Begin(outputs);
}

PendingDisclosures DisclosureRegister::Begin(const std::vector<Handout>& outputs) const
{
    PendingDisclosures pending;
    std::size_t total = 0;
    for (const Handout& h : outputs)
        total += h.rows ? h.rows->size() : 0;
    if (!IsOn() || total == 0)
        return pending;
    std::unique_ptr<sqlite::Connection> db = OpenToWrite();
    std::vector<PendingDisclosures::Begun> begun;
    Guarded(Verb::Write, path_, [&] {
        db->Execute("BEGIN IMMEDIATE");
        sqlite::Statement handout(*db, "INSERT INTO handouts (time, status) VALUES (?1, 'pending')");
        sqlite::Statement insert(*db,
            R"(INSERT INTO disclosures (time, "user", account, machine, "database", subject_id, subject_name, output,
                                        file, options, handout)
               VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11))");
        const std::string time = UtcNow();
        Utf8Cache user, database, options;
        for (const Handout& h : outputs) {
            PendingDisclosures::Begun& b = begun.emplace_back();
            if (!h.rows || h.rows->empty())
                continue;
            handout.Bind(1, std::string_view(time));
            handout.Step();
            handout.Reset();
            b.id = db->LastInsertId();
            b.rows = h.rows->size();
            for (const Disclosure& d : *h.rows) {
                insert.Bind(1, std::string_view(time));
                insert.Bind(2, std::string_view(user(d.user)));
                insert.Bind(3, std::string_view(Account()));
                insert.Bind(4, std::string_view(Machine()));
                insert.Bind(5, std::string_view(database(d.database)));
                insert.Bind(6, std::int64_t { d.subjectId });
                insert.Bind(7, std::string_view(cp1250::ToUtf8(d.subjectName)));
                insert.Bind(8, std::string_view(OutputName(h.target.output)));
                insert.Bind(9, h.target.file);
                insert.Bind(10, std::string_view(options(d.options)));
                insert.Bind(11, b.id);
                insert.Step();
                insert.Reset();
            }
        }
        db->Execute("COMMIT");
    });
    pending.db_ = std::move(db);
    pending.path_ = path_;
    pending.busyTimeout_ = busyTimeout_;
    pending.begun_ = std::move(begun);
    return pending;
}

std::vector<DisclosureRow> DisclosureRegister::Read(const Filter& filter) const
{
    CheckDate(filter.since);
    CheckDate(filter.until);
    if (!IsOn())
        return {};
    RefuseLink(Verb::Read, path_);
    return ReadFile(filter);
}

std::vector<DisclosureRow> DisclosureRegister::ReadFile(const Filter& filter) const
{
    // The file holds every row when its write-ahead log is empty (the writers keep the
    // log, emptied, when they close) or missing (an older program's file): it is then read
    // as it lies, without a lock and without making or writing the log's index beside it
    // (which a reader who may only read the file could not, and one who may write the
    // folder would leave behind as their own); whether anybody wrote meanwhile is seen
    // afterwards, and the read is then made again. A file whose log holds rows (an
    // output under way, or a writer that died) is read through the log, only reading.
    for (int attempt = 0;; ++attempt) {
        const FileStamp before = FileStamp::Of(path_);
        if (!before.file.exists)
            return {};
        const bool unlocked = before.log.size == 0 && attempt < 5;
        std::vector<DisclosureRow> rows;
        try {
            Guarded(Verb::Read, path_, [&] {
                sqlite::Connection db(path_, unlocked ? sqlite::OpenMode::Unchanging : sqlite::OpenMode::ReadOnly);
                db.SetBusyTimeout(static_cast<int>(busyTimeout_.count()));
                rows = ReadRows(db, filter);
            });
        } catch (const DisclosureError&) {
            if (!unlocked || FileStamp::Of(path_) == before)
                throw;
            continue; // read while a writer changed it
        }
        if (!unlocked || FileStamp::Of(path_) == before)
            return rows;
    }
}

std::int64_t DisclosureRegister::PurgeBefore(std::string_view date, std::string_view user) const
{
    CheckDate(std::string(date));
    if (!IsOn())
        return 0;
    std::unique_ptr<sqlite::Connection> db = OpenToWrite();
    return Guarded(Verb::Write, path_, [&] {
        db->Execute("BEGIN IMMEDIATE");
        sqlite::Statement purge(*db, "DELETE FROM disclosures WHERE time < ?1");
        purge.Bind(1, date);
        purge.Step();
        const std::int64_t deleted = db->Changes();
        // A handout and its rows have the same time.
        sqlite::Statement handouts(*db, "DELETE FROM handouts WHERE time < ?1");
        handouts.Bind(1, date);
        handouts.Step();
        sqlite::Statement note(*db,
            R"(INSERT INTO purges (time, "user", account, machine, "before", "rows") VALUES (?1, ?2, ?3, ?4, ?5, ?6))");
        note.Bind(1, std::string_view(UtcNow()));
        note.Bind(2, std::string_view(cp1250::ToUtf8(user)));
        note.Bind(3, std::string_view(Account()));
        note.Bind(4, std::string_view(Machine()));
        note.Bind(5, date);
        note.Bind(6, deleted);
        note.Step();
        db->Execute("COMMIT");
        return deleted;
    });
}

} // namespace zest::disclosures
