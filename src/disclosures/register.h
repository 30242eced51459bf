#pragma once
// The register of disclosures: who was handed whose data, when and how. One row per
// subject per output (the preview, a printer, a PDF file, a saved text file, the
// command-line tool's output, its summary CSV) in an SQLite file that the plug-in in every
// host and the command-line tool share. The register database itself is read-only for
// this library; this record is ours to keep.
//
// Recording has two short transactions, so that nothing is handed out unrecorded and
// nobody waits for an output that is slow to leave:
//
//     PendingDisclosures pending = reg.Begin(rows, Output::Print); // throws: refuse the output
//     pending.Deliver(0, [&] { print(); });                         // delivered, or failed and rethrown
//
// Begin commits the rows as `pending` before the output starts; no transaction of the
// register is open while the output is made; the rows are then set `delivered`, or
// `failed` with the reason. A process that dies in between leaves `pending` rows, which
// the listing shows as unconfirmed and counts as disclosed.

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

enum class Output { Preview, Print, Pdf, File, Cli, Csv };
// "preview", "print", "pdf", "file", "cli", "csv": the text the register keeps.
const char* OutputName(Output output) noexcept;

// The state of a row, as the register keeps it: "pending" from before the output until
// it is whole, then "delivered" or "failed".
inline constexpr const char* StatusPending = "pending";
inline constexpr const char* StatusDelivered = "delivered";
inline constexpr const char* StatusFailed = "failed";

// Where one output went: the output, and its file where it has one.
struct Target {
    Output output = Output::Preview;
    std::optional<std::string> file;
};

// One subject handed out. Text as the program holds it: Windows-1250 (stored as UTF-8).
// The account of the process and the machine's name are added by the register.
struct Disclosure {
    std::string user; // the register user: the user name of the session
    std::string database; // the database name of the session
    std::int32_t subjectId = 0; // id_PDM
    std::string subjectName; // SubjectDisplayName
    std::string options; // OptionsText of the run
};

// The subjects of one output.
struct Handout {
    Target target;
    const std::vector<Disclosure>* rows = nullptr;
};

// A row of the register as it is stored: text in UTF-8. A row of a version-1 file reads
// with no account or machine, delivered.
struct DisclosureRow {
    std::int64_t id = 0;
    std::string time; // UTC, "2026-12-08T17:05:09Z"
    std::string user;
    std::string account; // the operating system's account of the process
    std::string machine;
    std::string database;
    std::int32_t subjectId = 0;
    std::string subjectName;
    std::string output;
    std::optional<std::string> file;
    std::string status; // StatusPending, StatusDelivered, StatusFailed
    std::string reason; // why it failed
    std::string options;
};

// What Read returns; every given field must match. Dates are "YYYY-MM-DD", inclusive,
// compared with the UTC date of a row.
struct Filter {
    std::optional<std::int32_t> subjectId;
    std::optional<std::string> user; // UTF-8, exact
    std::optional<std::string> account; // UTF-8, exact
    std::optional<std::string> since;
    std::optional<std::string> until;
};

// A calendar date written "YYYY-MM-DD".
bool IsDate(std::string_view text) noexcept;
// Today's date in UTC, "YYYY-MM-DD".
std::string UtcToday();

// The rows of the outputs begun together, committed as pending. Each output (a target,
// numbered in the order given to Begin) is then settled once: delivered or failed. An
// output still pending when the object goes is set failed ("output not completed"), as
// far as the register can still be written; one that cannot stays pending.
class PendingDisclosures
{
public:
    PendingDisclosures() noexcept;
    ~PendingDisclosures();
    PendingDisclosures(PendingDisclosures&&) noexcept;
    PendingDisclosures& operator=(PendingDisclosures&&) noexcept;

    // The output of `target` is whole and handed over: its rows are set delivered.
    // Throws DisclosureError when the register cannot be written; the rows stay pending.
    void Delivered(std::size_t target);
    // Every output not settled yet; Commit says the same.
    void Delivered();
    void Commit() { Delivered(); }
    // The output of `target` failed for `reason` (Windows-1250). Never throws: a row that
    // cannot be set stays pending.
    void Failed(std::size_t target, std::string_view reason) noexcept;

    // Makes the output of `target` with `make`: delivered when it returns, failed with
    // the error's text when it throws, and the error passed on.
    template <class F> void Deliver(std::size_t target, F&& make)
    {
        try {
            make();
        } catch (const std::exception& e) {
            Failed(target, e.what());
            throw;
        }
        Delivered(target);
    }

    std::size_t Rows() const noexcept;

private:
    friend class DisclosureRegister;
    // One output begun: its row in the table of handouts (0: it has no subjects), its
    // subjects.
    struct Begun {
        std::int64_t id = 0;
        std::size_t rows = 0;
        bool settled = false;
    };
    void Settle(std::size_t target, const char* status, std::string_view reason);

    std::unique_ptr<sqlite::Connection> db_;
    std::string path_;
    std::chrono::milliseconds busyTimeout_ {};
    std::vector<Begun> begun_;
};

class DisclosureRegister
{
public:
    // Off: records nothing, refuses nothing.
    DisclosureRegister() = default;
    // The register in `path`.
    explicit DisclosureRegister(std::string path);
    // Where the environment puts it: ZESTAWIENIA_DISCLOSURES names the file, "off" turns
    // it off; unset or empty, DefaultFileName in `defaultFolder` (made when missing,
    // readable by its owner only).
    static DisclosureRegister FromEnvironment(const std::string& defaultFolder);

    bool IsOn() const noexcept { return !path_.empty(); }
    const std::string& Path() const noexcept { return path_; }
    // Something is at the path (a link that points nowhere too): a register that is not
    // there has recorded nothing yet.
    bool Exists() const;

    static constexpr std::chrono::milliseconds DefaultBusyTimeout { 5000 };
    void SetBusyTimeout(std::chrono::milliseconds timeout) noexcept { busyTimeout_ = timeout; }

    // Writes one row per entry of `rows` for `output` (with `file`, a path as the file
    // system has it, where the output has one) as pending, committed. Throws
    // DisclosureError: the output must then be refused. A register made here is a file
    // readable by its owner only; a symbolic link in its place is refused.
    PendingDisclosures Begin(
        const std::vector<Disclosure>& rows, Output output, std::optional<std::string> file = std::nullopt) const;
    // The same for several outputs of the same rows at once (the tool's statement file
    // and its PDF), in one transaction; the targets are numbered in this order.
    PendingDisclosures Begin(const std::vector<Disclosure>& rows, const std::vector<Target>& targets) const;
    // Several outputs, each with rows of its own.
    PendingDisclosures Begin(const std::vector<Handout>& outputs) const;

    // The rows that match, oldest first. The file is only read: a register that does not
    // exist yet is empty, an older version is read as it is, and nothing is written,
    // upgraded or made beside it. Throws std::invalid_argument for a date that is not
    // IsDate, DisclosureError.
    std::vector<DisclosureRow> Read(const Filter& filter = {}) const;

    // Deletes the rows of the days before `date` and records in the same transaction
    // when, by whom (Windows-1250) and how many. Returns the rows deleted; 0 when off.
    std::int64_t PurgeBefore(std::string_view date, std::string_view user) const;

private:
    std::unique_ptr<sqlite::Connection> OpenToWrite() const;
    std::vector<DisclosureRow> ReadFile(const Filter& filter) const;

    std::string path_;
    bool makeFolder_ = false;
    std::chrono::milliseconds busyTimeout_ = DefaultBusyTimeout;
};

} // namespace zest::disclosures
