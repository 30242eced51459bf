// zestawienia-cli: the statement run without windows, for batch work and for tests.
// The output is exactly the bytes of the run's statement file.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "cliargs.h"
#include "querycursor.h"
#include "statement/classmarks.h"
#include "statement/session.h"
#include "statement/sharedstate.h"
#include "statement/spouseslots.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlist.h"
#include "statement/tempfile.h"

using namespace zest;

namespace
{

// Run-time failures with exit status 1 (database, file); usage errors give 2.
std::string ToCp1250(const std::string& utf8, const char* what)
{
    QStringEncoder enc("windows-1250");
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QByteArray b = enc.encode(s);
    if (enc.hasError())
        throw cli::UsageError(std::string(what) + ": '" + utf8 + "' has characters outside Windows-1250");
    return b.toStdString();
}

std::string ToUtf8(const std::string& cp1250)
{
    QStringDecoder dec("windows-1250");
    const QString s = dec.decode(QByteArrayView(cp1250.data(), static_cast<qsizetype>(cp1250.size())));
    return s.toUtf8().toStdString();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError("Cannot open file " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes `data` to `path` through a temporary file in the same directory, so a failure
// leaves no partial file behind.
void WriteWhole(const std::string& path, const std::string& data)
{
    const std::string tmp = path + ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw FileError("Cannot create file " + path + ": " + std::strerror(errno));
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::remove(tmp.c_str());
            throw FileError("Cannot write to file " + path);
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(tmp.c_str());
        throw FileError("Cannot create file " + path + ": " + std::strerror(err));
    }
}

std::string CsvField(const std::string& s)
{
    if (s.find_first_of(";\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
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

int Run(const cli::Options& o)
{
    const std::string from = ToCp1250(o.from, "--from");
    const std::string to = ToCp1250(o.to, "--to");

    StatementSession session;
    session.SetConnectionParams(o.database, o.user, o.password, o.role);
    session.Connect();
    session.StartTransactionAndLoad();
    ApplyMarks(session.Classes, o);

    LibraryState& lib = Library();
    lib.Area.AreaThreshold = o.threshold;
    SpouseSlots spouses;
    StatementOptions sopt;
    sopt.Stronicowanie = !o.noPaging;
    sopt.CeleSzkoleniowe = o.training;
    StatementWriter writer(session.IBTransaction1, session.Precincts, session.Classes, lib.Lines, lib.Area, spouses, sopt);
    StatementRun run(session.IBTransaction1, writer, lib.Lines, lib.Area);

    cli::QueryCursor list(PrepareWithPlanFallback(session.IBTransaction1, SubjectListSql(o.kind, from, to)));
    RunOptions ropt;
    ropt.TylkoPrzyMezu = o.onlyHusband;
    ropt.TylkoKobiety = o.onlyWomen;
    if (o.subject) {
        list.First();
        while (!list.Eof() && list.Current().Integer("id_pdm") != *o.subject)
            list.Next();
        if (list.Eof())
            throw cli::UsageError("--subject: " + std::to_string(*o.subject) + " is not in the list");
        ropt.wskazany = true;
    }

    TempFileGuard temp(MakeTempFileName("kp"));
    std::vector<SubjectOutcome> outcomes;
    {
        StatementFile file;
        file.Open(temp.path());
        StatementRun::Progress progress;
        if (o.progress)
            progress = [](int done, int) {
                std::fprintf(stderr, "\rzestawienie: %d", done);
                return true;
            };
        run.Run(list, ropt, file, progress, [&](const SubjectOutcome& s) {
            if (!o.summaryCsv.empty())
                outcomes.push_back(s);
        });
        file.Close();
        if (o.progress)
            std::fprintf(stderr, "\n");
    }
    std::string text = ReadFile(temp.path());
    temp.Remove();
    if (o.encoding == cli::Encoding::Utf8)
        text = ToUtf8(text);

    if (!o.summaryCsv.empty()) {
        std::string csv = "\xEF\xBB\xBFid_pdm;typ;nazwa;powierzchnia_m2;zapisano\r\n";
        for (const SubjectOutcome& s : outcomes)
            csv += std::to_string(s.Id) + ";" + CsvField(KindText(s.Kind)) + ";" + CsvField(ToUtf8(s.Name)) + ";"
                + std::to_string(s.SelectedArea) + ";" + (s.Written ? "tak" : "nie") + "\r\n";
        WriteWhole(o.summaryCsv, csv);
    }
    if (o.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0)
            throw FileError(std::string("Cannot write to standard output: ") + std::strerror(errno));
    } else {
        WriteWhole(o.output, text);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> args(argv + 1, argv + argc);
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
    try {
        return Run(o);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "zestawienia-cli: %s\n\n%s", e.what(), cli::HelpText);
        return 2;
    } catch (const std::exception& e) {
        // Server messages arrive in the connection's character set.
        std::fprintf(stderr, "zestawienia-cli: %s\n", ToUtf8(e.what()).c_str());
        return 1;
    }
}
