// zestawienia-cli: the statement run without windows, for batch work and for tests.
// The output is exactly the bytes of the run's statement file.

#include <QApplication>
#include <QByteArray>
#include <QPrinter>
#include <QScopeGuard>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "cliargs.h"
#include "credentials.h"
#include "database/database.h"
#include "disclosures/optionstext.h"
#include "disclosurescommand.h"
#include "preview/printstatements.h"
#include "richedit/oleriche.h"
#include "statement/atomicfile.h"
#include "statement/classmarks.h"
#include "statement/codepage.h"
#include "statement/csvfield.h"
#include "statement/errortext.h"
#include "statement/librarystate.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/tempfile.h"
#include "statement/wirecrypt.h"
#include "statementjob.h"
#include "subjectsfile.h"
#include "version.h"
#include "widgets/disclosurefolder.h"

using namespace zest;

namespace
{

// Run-time failures with exit status 1 (database, file); usage errors give 2.
// An argument's text as the register's Windows-1250; usage errors quote the argument as
// it was typed.
std::string ToCp1250(const std::string& utf8, const char* what)
{
    std::optional<std::string> bytes = cp1250::FromUtf8(utf8, cp1250::Refuse);
    if (!bytes)
        throw cli::UsageError(std::string(what) + ": '" + utf8 + "' has characters outside Windows-1250");
    return std::move(*bytes);
}

using cp1250::ToUtf8;

// The standard error end of the rule for error text (statement/errortext.h): the text is
// decoded from Windows-1250 here, once.
void PrintError(const std::exception& error)
{
    std::fprintf(stderr, "zestawienia-cli: %s\n", ToUtf8(ErrorText(error)).c_str());
}

// Files that must not outlive a run ended by a termination signal: the statement file
// and the new files of the outputs. The handler removes them and ends the tool with the
// status 128 + signal number.
class InterruptCleanup
{
public:
    explicit InterruptCleanup(const std::string& path)
    {
        for (int i = 0; i < Slots; ++i)
            if (!used_[i] && path.size() < sizeof paths_[i]) {
                std::memcpy(paths_[i], path.c_str(), path.size() + 1);
                used_[i] = 1;
                slot_ = i;
                return;
            }
    }
    ~InterruptCleanup()
    {
        if (slot_ >= 0)
            used_[slot_] = 0;
    }
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    static void Install()
    {
        for (int sig : { SIGINT, SIGTERM, SIGHUP, SIGQUIT }) {
            struct sigaction sa {
            };
            sa.sa_handler = Handler;
            sigemptyset(&sa.sa_mask);
            ::sigaction(sig, &sa, nullptr);
        }
    }

private:
    static void Handler(int sig)
    {
        for (int i = 0; i < Slots; ++i)
            if (used_[i])
                ::unlink(paths_[i]);
        // Ends here, as a shell reports a death by signal. The database client's own
        // handlers for SIGINT and SIGTERM never stay in place (database/signalkeeper.h).
        ::_exit(128 + sig);
    }

    static constexpr int Slots = 4;
    static inline char paths_[Slots][4096] {};
    static inline volatile std::sig_atomic_t used_[Slots] {};
    int slot_ = -1;
};

[[noreturn]] void FailErrno(const std::string& what, const std::string& path, int err)
{
    throw FileError(what + " " + PathText(path) + ": " + SystemText(err));
}

// An output file of the run (statement/atomicfile.h) whose unfinished new file the
// signal handler removes too.
class OutputFile
{
public:
    explicit OutputFile(const std::string& path)
        : file_(path)
    {
        if (!file_.tempPath().empty())
            cleanup_.emplace(file_.tempPath());
    }
    AtomicFile& file() noexcept { return file_; }
    void Commit()
    {
        file_.Commit();
        cleanup_.reset();
    }

private:
    AtomicFile file_;
    std::optional<InterruptCleanup> cleanup_;
};

// Copies the statement file to `write`, converted to UTF-8 when asked. Windows-1250 is
// a single-byte code, so the file converts piece by piece.
template <typename Write> void CopyStatement(const std::string& from, cli::Encoding encoding, Write write)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        FailErrno("Cannot open file", from, errno);
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FailErrno("Cannot read file", from, errno);
        }
        if (n == 0)
            break;
        const std::string_view bytes(chunk.data(), static_cast<std::size_t>(n));
        if (encoding == cli::Encoding::Utf8)
            write(std::string_view(ToUtf8(bytes)));
        else
            write(bytes);
    }
}

// Hands standard output over whole: the bytes on the disk when it is a file, and the
// reader given the end of the output. The descriptor then points at /dev/null, so that
// no file the tool opens later takes its number.
void CloseStandardOutput()
{
    if (::fsync(STDOUT_FILENO) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        FailErrno("Cannot write to", "standard output", errno);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        FailErrno("Cannot open file", "/dev/null", errno);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

void WriteToStandardOutput(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FailErrno("Cannot write to", "standard output", errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Prints the statement file as the preview's print button does, into the new file of
// `pdf`; the printer opens it by name. A target written in place (a pipe, a device) gets
// a temporary file printed first and copied in, so that a failed print never touches it.
void PrintPdf(const std::string& statementFile, OutputFile& pdf, bool pageNumbers)
{
    std::optional<TempFileGuard> privateCopy;
    std::optional<InterruptCleanup> privateCleanup;
    std::string printPath = pdf.file().writePath();
    if (pdf.file().inPlace()) {
        privateCopy.emplace(MakeTempFileName("pdf"));
        privateCleanup.emplace(privateCopy->path());
        printPath = privateCopy->path();
    }

    richedit::TOLEEdit rich;
    preview::SetUpStatementControl(rich);
    rich.LoadFromFile(QString::fromLocal8Bit(statementFile.c_str()));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(preview::DefaultPdfLayout());
    printer.setOutputFileName(QString::fromLocal8Bit(printPath.c_str()));
    if (!preview::PrintStatements(rich, printer, pageNumbers))
        throw FileError("Cannot print " + PathText(pdf.file().path()) + ": the margins leave no room for the text");

    if (privateCopy)
        CopyStatement(privateCopy->path(), cli::Encoding::Cp1250, [&](std::string_view b) { pdf.file().Write(b); });
    pdf.file().Close();
}

// Qt's own notes (a missing runtime directory, font substitutions) are not the tool's
// output; only its errors reach standard error.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zestawienia-cli: %s\n", message.toLocal8Bit().constData());
}

std::string KindText(char k)
{
    if (k == '\0')
        return "";
    return ToUtf8(std::string(1, k));
}

void ApplyMarks(ClassGrid& grid, const cli::Options& o)
{
    if (o.marks == cli::Marks::All)
        grid.MarkAll();
    else if (o.marks == cli::Marks::None)
        for (int r = 1; r < grid.RowCount(); ++r)
            grid.SetText(r, ClassGrid::ColMark, std::string(MarkNo));
    for (const std::string& t : o.toggles) {
        const cli::ClassCodes c = cli::SplitToggle(t);
        const std::string ozu = ToCp1250(c.ozu, "--toggle"), ozk = ToCp1250(c.ozk, "--toggle"),
                          ofu = ToCp1250(c.ofu, "--toggle");
        int found = 0;
        for (int r = 1; r < grid.RowCount() && !found; ++r)
            if (grid.Text(r, ClassGrid::ColOzu) == ozu && grid.Text(r, ClassGrid::ColKlasa) == ozk
                && grid.Text(r, ClassGrid::ColOfu) == ofu)
                found = r;
        if (!found)
            throw cli::UsageError("--toggle: no class row " + t);
        const bool yes = grid.Text(found, ClassGrid::ColMark) == MarkYes;
        grid.SetText(found, ClassGrid::ColMark, std::string(yes ? MarkNo : MarkYes));
    }
}

// The run's options as the register of disclosures keeps them.
std::string RunOptionsText(
    const cli::Options& o, const cli::StatementJob& job, const ClassGrid& classes, std::int32_t threshold)
{
    std::string text
        = disclosures::OptionsText({ o.kind, job.from, job.to }, classes, threshold, job.statement, job.run);
    if (job.subject)
        text += "; subject=" + std::to_string(*job.subject);
    if (job.precinct)
        text += "; precinct=" + std::to_string(*job.precinct);
    if (job.listed)
        text += "; subjects-file=" + cp1250::FromUtf8(o.subjectsFile, cp1250::Substitute);
    return text;
}

int Run(const cli::Options& o)
{
    const std::string from = ToCp1250(o.from, "--from");
    const std::string to = ToCp1250(o.to, "--to");

    // Credentials that cannot be sent, and a wire encryption setting that is none, are
    // refused before anything is made.
    const fb::Credentials login = ResolveCredentials(o, cli::ProcessEnvironment(), std::cerr);
    CheckCredentials(login);
    WireCryptFromEnvironment();
    const std::string database = ToCp1250(o.database, "--database");
    std::optional<std::vector<std::int32_t>> listed;
    if (!o.subjectsFile.empty())
        listed = cli::ReadSubjectIdsFile(o.subjectsFile);

    // The output files are made first, under names of their own: a destination that
    // cannot be written fails the run before the statements are written.
    std::optional<OutputFile> outFile, csvFile, pdfFile;
    if (!o.output.empty())
        outFile.emplace(o.output);
    if (!o.summaryCsv.empty())
        csvFile.emplace(o.summaryCsv);
    if (!o.pdf.empty())
        pdfFile.emplace(o.pdf);

    StatementSession session;
    session.SetConnectionParams(database, login.user, login.password, login.role, StatementSession::LoginText::Utf8);
    session.Connect();
    session.StartTransactionAndLoad();
    ApplyMarks(session.Classes, o);

    LibraryState& lib = Library();
    lib.Area.AreaThreshold = o.threshold;
    cli::StatementJob job;
    job.kinds = { o.kind };
    job.from = from;
    job.to = to;
    job.subject = o.subject;
    job.precinct = o.precinct;
    job.listed = std::move(listed);
    job.statement.Stronicowanie = !o.noPaging;
    job.statement.CeleSzkoleniowe = o.training;
    job.run.TylkoPrzyMezu = o.onlyHusband;
    job.run.TylkoKobiety = o.onlyWomen;
    job.readAhead = o.readAhead;

    TempFileGuard temp(MakeTempFileName("kp"));
    const InterruptCleanup tempCleanup(temp.path());
    // A list from a file adds the reason why a listed subject got no statement.
    const bool reasons = job.listed.has_value();
    std::string csv = "\xEF\xBB\xBFid_pdm;typ;nazwa;powierzchnia_m2;zapisano";
    csv += reasons ? ";powod\r\n" : "\r\n";
    std::vector<ListedSubjects::SetAside> setAside;
    // Who was handed whose data: every subject whose statement was written, and every
    // subject whose name and area the summary lists.
    disclosures::Disclosure handedOut;
    handedOut.user = login.user.empty() ? session.ConnectedUser() : cp1250::FromUtf8(login.user, cp1250::Substitute);
    handedOut.database = database;
    handedOut.options = RunOptionsText(o, job, session.Classes, lib.Area.AreaThreshold);
    std::vector<disclosures::Disclosure> handed, summarised;
    {
        StatementFile file;
        file.Open(temp.path());
        StatementRun::Progress progress;
        if (o.progress)
            progress = [](int done, int) {
                std::fprintf(stderr, "\rzestawienie: %d", done);
                return true;
            };
        setAside
            = cli::RunStatementJob(session, lib.Lines, lib.Area, job, file, progress, [&](const SubjectOutcome& s) {
                  handedOut.subjectId = s.Id;
                  handedOut.subjectName = s.Name;
                  if (s.Written)
                      handed.push_back(handedOut);
                  if (csvFile) {
                      summarised.push_back(handedOut);
                      csv += std::to_string(s.Id) + ";" + CsvField(KindText(s.Kind)) + ";" + CsvField(ToUtf8(s.Name))
                          + ";" + std::to_string(s.SelectedArea) + ";" + (s.Written ? "tak" : "nie")
                          + (reasons ? ";\r\n" : "\r\n");
                  }
              });
        file.Close();
        if (o.progress)
            std::fprintf(stderr, "\n");
    }
    for (const ListedSubjects::SetAside& s : setAside) {
        std::fprintf(stderr, "zestawienia-cli: subject %d: %s\n", s.Id, s.Reason.c_str());
        csv += std::to_string(s.Id) + ";;;;nie;" + CsvField(s.Reason) + "\r\n";
    }

    // Nothing leaves before the register holds its rows: a register that cannot be
    // written refuses the run here, whatever the outputs are. No transaction of the
    // register is open while they are made; each output's rows are then delivered (a
    // file once it is under its name, a pipe, a device or standard output once it is
    // written and closed) or failed.
    const auto optionalPath = [](const std::string& path) {
        return path.empty() ? std::optional<std::string>() : std::optional<std::string>(path);
    };
    std::vector<disclosures::Handout> outputs { { { disclosures::Output::Cli, optionalPath(o.output) }, &handed } };
    const std::size_t pdfTarget = outputs.size();
    if (pdfFile)
        outputs.push_back({ { disclosures::Output::Pdf, o.pdf }, &handed });
    const std::size_t csvTarget = outputs.size();
    if (csvFile)
        outputs.push_back({ { disclosures::Output::Csv, o.summaryCsv }, &summarised });
    disclosures::PendingDisclosures pending = ui::Disclosures().Begin(outputs);
    std::optional<std::string> unconfirmed;
    const auto delivered = [&](std::size_t target) {
        try {
            pending.Delivered(target);
        } catch (const disclosures::DisclosureError& e) {
            unconfirmed = e.what();
        }
    };
    const auto whole = [&](OutputFile& f, std::size_t target) {
        f.file().Close();
        if (f.file().inPlace())
            delivered(target);
    };
    try {
        if (csvFile) {
            csvFile->file().Write(csv);
            whole(*csvFile, csvTarget);
        }
        if (pdfFile) {
            PrintPdf(temp.path(), *pdfFile, o.pageNumbers);
            if (pdfFile->file().inPlace())
                delivered(pdfTarget);
        }
        if (outFile) {
            CopyStatement(temp.path(), o.encoding, [&](std::string_view b) { outFile->file().Write(b); });
            whole(*outFile, 0);
        } else {
            CopyStatement(temp.path(), o.encoding, WriteToStandardOutput);
            CloseStandardOutput();
            delivered(0);
        }
        temp.Remove();
        // The files appear only now, when all are whole.
        for (const auto& [file, target] : { std::pair { &outFile, std::size_t { 0 } },
                 std::pair { &csvFile, csvTarget }, std::pair { &pdfFile, pdfTarget } })
            if (*file) {
                (*file)->Commit();
                delivered(target);
            }
    } catch (const std::exception& e) {
        const std::string reason = ErrorText(e);
        for (std::size_t i = 0; i < outputs.size(); ++i)
            pending.Failed(i, reason);
        throw;
    }
    // Handed over all the same; the rows stay pending, which counts as disclosed.
    if (unconfirmed)
        std::fprintf(stderr, "zestawienia-cli: warning: the output was made but not confirmed: %s\n",
            ToUtf8(*unconfirmed).c_str());
    return setAside.empty() ? 0 : 3;
}

int DisclosuresMain(const std::vector<std::string>& args)
{
    cli::DisclosuresOptions o;
    try {
        o = cli::ParseDisclosuresArguments(args);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "zestawienia-cli disclosures: %s\n\n%s", e.what(), cli::DisclosuresHelpText);
        return 2;
    }
    if (o.help) {
        std::fputs(cli::DisclosuresHelpText, stdout);
        return 0;
    }
    try {
        return cli::RunDisclosuresCommand(o, ui::Disclosures());
    } catch (const std::exception& e) {
        PrintError(e);
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // A file-size limit must fail the write (EFBIG, reported) rather than kill the tool
    // and leave its temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
    InterruptCleanup::Install();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "disclosures")
        return DisclosuresMain({ args.begin() + 1, args.end() });
    cli::Options o;
    try {
        o = cli::ParseArguments(args);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "zestawienia-cli: %s\n\n%s", e.what(), cli::HelpText);
        return 2;
    }
    if (o.help) {
        std::fputs(cli::HelpText, stdout);
        return 0;
    }
    if (o.version) {
        std::printf("zestawienia-cli %s\nFirebird client library %s\n", Version, fb::ClientVersion().c_str());
        return 0;
    }
    // Printing needs the widgets of the text control; without a display they run on
    // Qt's offscreen platform.
    std::optional<QApplication> app;
    static char programName[] = "zestawienia-cli";
    static char* qtArgv[] = { programName, nullptr };
    static int qtArgc = 1;
    if (!o.pdf.empty()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
            && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QtMessages);
        app.emplace(qtArgc, qtArgv);
    }
    fb::UseUtf8FileNames();
    try {
        return Run(o);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "zestawienia-cli: %s\n\n%s", e.what(), cli::HelpText);
        return 2;
    } catch (const CredentialsError& e) {
        PrintError(e);
        return 2;
    } catch (const WireCryptError& e) {
        PrintError(e);
        return 2;
    } catch (const std::exception& e) {
        // A lost connection is said so first, as the window says it.
        PrintError(e);
        return 1;
    }
}
