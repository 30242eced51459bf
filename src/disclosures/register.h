#pragma once
// The register of disclosures: who was handed whose data, when and how. One row per
// subject per output (the preview, a printer, a PDF file, a saved text file, the
// command-line tool's output) in an SQLite file that the plug-in in every host and the
// command-line tool share. The register database itself is read-only for this library;
// this record is ours to keep.
//
// Recording has two phases, so that nothing is handed out unrecorded and nothing is
// recorded that was not handed out:
//
//     PendingDisclosures pending = reg.Begin(rows, Output::Print); // throws: refuse the output
//     ... print ...                                                // throws: rolled back
//     pending.Commit();
//
// Begin holds the register's write lock until Commit or the pending object's end, so the
// output between them should be short; other writers wait for it up to the busy timeout.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zest::disclosures
{

namespace sqlite
{
class Connection;
}

// The environment variable that names the register's file; "off" turns recording off.
inline constexpr const char* EnvironmentVariable = "ZESTAWIENIA_DISCLOSURES";
// The file's name in the default folder.
inline constexpr const char* DefaultFileName = "disclosures.sqlite";

// The register cannot be opened, read or written, or the file is not ours. The text is
// Windows-1250 and names the file, e.g. "Nie można zapisać rejestru udostępnień
// /home/u/.local/share/zestawienia/disclosures.sqlite: database is locked".
class DisclosureError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class Output { Preview, Print, Pdf, File, Cli };
// "preview", "print", "pdf", "file", "cli": the text the register keeps.
const char* OutputName(Output output) noexcept;

// Where one output went: the output, and its file where it has one.
struct Target {
    Output output = Output::Preview;
    std::optional<std::string> file;
};

// One subject handed out. Text as the program holds it: Windows-1250 (stored as UTF-8).
struct Disclosure {
    std::string user; // the register user: the user name of the session
    std::string database; // the database name of the session
    std::int32_t subjectId = 0; // id_PDM
    std::string subjectName; // SubjectDisplayName
    std::string options; // OptionsText of the run
};

// A row of the register as it is stored: text in UTF-8.
struct DisclosureRow {
    std::int64_t id = 0;
    std::string time; // UTC, "2026-12-08T17:05:09Z"
    std::string user;
    std::string database;
    std::int32_t subjectId = 0;
    std::string subjectName;
    std::string output;
    std::optional<std::string> file;
    std::string options;
};

// What Read returns; every given field must match. Dates are "YYYY-MM-DD", inclusive,
// compared with the UTC date of a row.
struct Filter {
    std::optional<std::int32_t> subjectId;
    std::optional<std::string> user; // UTF-8, exact
    std::optional<std::string> since;
    std::optional<std::string> until;
};

// A calendar date written "YYYY-MM-DD".
bool IsDate(std::string_view text) noexcept;

// The rows of one output between Begin and Commit. An object that is neither committed
// nor moved from rolls its rows back when it goes. Made empty (nothing to record) by an
// off register or an empty list of rows.
class PendingDisclosures
{
public:
    PendingDisclosures() noexcept;
    ~PendingDisclosures();
    PendingDisclosures(PendingDisclosures&&) noexcept;
    PendingDisclosures& operator=(PendingDisclosures&&) noexcept;

    // The output was made: the rows are kept. Throws DisclosureError when they cannot be.
    void Commit();
    std::size_t Rows() const noexcept { return rows_; }

private:
    friend class DisclosureRegister;
    std::unique_ptr<sqlite::Connection> db_;
    std::string path_;
    std::size_t rows_ = 0;
};

class DisclosureRegister
{
public:
    // Off: records nothing, refuses nothing.
    DisclosureRegister() = default;
    // The register in `path`.
    explicit DisclosureRegister(std::string path);
    // Where the environment puts it: ZESTAWIENIA_DISCLOSURES names the file, "off" turns
    // it off; unset or empty, DefaultFileName in `defaultFolder` (made when missing).
    static DisclosureRegister FromEnvironment(const std::string& defaultFolder);

    bool IsOn() const noexcept { return !path_.empty(); }
    const std::string& Path() const noexcept { return path_; }

    static constexpr std::chrono::milliseconds DefaultBusyTimeout { 5000 };
    void SetBusyTimeout(std::chrono::milliseconds timeout) noexcept { busyTimeout_ = timeout; }

    // Writes one row per entry of `rows` for `output` (with `file`, a path as the file
    // system has it, where the output has one) in a transaction left open. Throws
    // DisclosureError: the output must then be refused.
    PendingDisclosures Begin(
        const std::vector<Disclosure>& rows, Output output, std::optional<std::string> file = std::nullopt) const;
    // The same for several outputs of the same rows at once (the tool's statement file
    // and its PDF), in one transaction.
    PendingDisclosures Begin(const std::vector<Disclosure>& rows, const std::vector<Target>& targets) const;

    // The rows that match, oldest first. A register that does not exist yet is empty.
    // Throws std::invalid_argument for a date that is not IsDate, DisclosureError.
    std::vector<DisclosureRow> Read(const Filter& filter = {}) const;

    // Deletes the rows of the days before `date` and records in the same transaction
    // when, by whom (Windows-1250) and how many. Returns the rows deleted; 0 when off.
    std::int64_t PurgeBefore(std::string_view date, std::string_view user) const;

private:
    enum class Access { Read, Write };
    std::unique_ptr<sqlite::Connection> Open(Access access) const;

    std::string path_;
    bool makeFolder_ = false;
    std::chrono::milliseconds busyTimeout_ = DefaultBusyTimeout;
};

} // namespace zest::disclosures
