// zestawienia-cli: the statement run without windows, for batch work and for tests.
// The output is exactly the bytes of the run's statement file.

#include <QApplication>
#include <QByteArray>
#include <QPrinter>
#include <QString>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "cliargs.h"
#include "credentials.h"
#include "database/database.h"
#include "disclosures/optionstext.h"
#include "disclosurescommand.h"
#include "interruptcleanup.h"
#include "preview/printstatements.h"
#include "printplatform.h"
#include "programargs.h"
#include "richedit/oleriche.h"
#include "standardstreams.h"
#include "statement/atomicfile.h"
#include "statement/classmarks.h"
#include "statement/codepage.h"
#include "statement/csvfield.h"
#include "statement/errortext.h"
#include "statement/librarystate.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/systemfile.h"
#include "statement/tempfile.h"
#include "statement/wirecompression.h"
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

using cli::InterruptCleanup;

[[noreturn]] void FailSystem(const std::string& what, const std::string& path, const std::error_code& error)
{
    throw FileError(what + " " + PathText(path) + ": " + sys::ErrorText(error));
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
    sys::File in;
    if (const std::error_code error = sys::OpenToRead(from, in))
        FailSystem("Cannot open file", from, error);
    std::vector<char> chunk(1 << 16);
    for (;;) {
        std::size_t n = 0;
        if (const std::error_code error = in.Read(chunk.data(), chunk.size(), n))
            FailSystem("Cannot read file", from, error);
        if (n == 0)
            break;
        const std::string_view bytes(chunk.data(), n);
        if (encoding == cli::Encoding::Utf8)
            write(std::string_view(ToUtf8(bytes)));
        else
            write(bytes);
    }
}

void WriteToStandardOutput(std::string_view bytes)
{
    std::size_t written = 0;
    if (const std::error_code error = sys::File::StandardOutput().Write(bytes, written))
        FailSystem("Cannot write to", "standard output", error);
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
    rich.LoadFromFile(QString::fromStdString(statementFile));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(preview::DefaultPdfLayout());
    printer.setOutputFileName(QString::fromStdString(printPath));
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
    if (!o.wireCompression)
        WireCompressionFromEnvironment();
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
    session.SetWireCompression(o.wireCompression);
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
            cli::CloseStandardOutput();
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
    InterruptCleanup::Install();
    cli::UseBinaryStandardStreams();
    const std::vector<std::string> args = tools::ProgramArguments(argc, argv);
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
    // Printing needs the widgets of the text control (printplatform.h).
    std::optional<QApplication> app;
    static char programName[] = "zestawienia-cli";
    static char* qtArgv[] = { programName, nullptr };
    static int qtArgc = 1;
    if (!o.pdf.empty()) {
        cli::ChoosePrintPlatform();
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
    } catch (const WireSettingError& e) {
        PrintError(e);
        return 2;
    } catch (const std::exception& e) {
        // A lost connection is said so first, as the window says it.
        PrintError(e);
        return 1;
    }
}
