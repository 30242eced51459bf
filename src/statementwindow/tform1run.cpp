// The statement run of the statement window: "Zestawienie".
#include "tform1.h"

#include <QScopeGuard>
#include <optional>
#include <vector>

#include "preview/twiz.h"
#include "runprogress.h"
#include "statement/codepage.h"
#include "statement/librarystate.h"
#include "statement/runsnapshot.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlistcursor.h"
#include "statement/tempfile.h"
#include "ui_tform1.h"
#include "widgets/messages.h"
#include "widgets/windowowner.h"

void TForm1::BtnZestawienieClick()
{
    if (running_)
        return; // a click that reached the window while a run shows its progress
    running_ = true;
    const auto done = qScopeGuard([this] { running_ = false; });

    zest::ui::RunGuarded(this, [this] {
        if (!EnsureConnected(true))
            return;
        const unsigned connection = connection_;
        zest::LibraryState& lib = zest::Library();
        zest::StatementOptions options;
        options.Stronicowanie = ui->Stronicowanie->isChecked();
        options.CeleSzkoleniowe = ui->CeleSzkoleniowe->isChecked();
        zest::RunOptions run;
        run.wskazany = ui->wskazany->isChecked();
        run.TylkoPrzyMezu = ui->TylkoPrzyMezu->isChecked();
        run.TylkoKobiety = ui->TylkoKobiety->isChecked();

        // Whose statements the run writes, and for whom: each goes into the register of
        // disclosures when the preview shows it.
        zest::disclosures::Disclosure context;
        context.user = session_->Login().user; // the host's Windows-1250
        context.database = zest::cp1250::FromUtf8(session_->IBDatabase1.DatabaseName, zest::cp1250::Substitute);
        context.options
            = zest::disclosures::OptionsText(listFilters_, session_->Classes, lib.Area.AreaThreshold, options, run);
        std::vector<zest::disclosures::Disclosure> written;
        const auto collect = [&](const zest::SubjectOutcome& outcome) {
            if (!outcome.Written)
                return;
            zest::disclosures::Disclosure& d = written.emplace_back(context);
            d.subjectId = outcome.Id;
            d.subjectName = outcome.Name;
        };

        // The file is removed on every way out; the run empties the line buffer when
        // it stops on an error, and the preview keeps its text.
        zest::TempFileGuard temp(zest::MakeTempFileName("kp"));
        std::optional<zest::SubjectKey> last;
        {
            // The run reads the register as it stands now, in one snapshot that ends
            // with the run: its own reading of the list (the grid's rows may be hours
            // old), the precinct names and every statement of its subjects.
            zest::RunSnapshot snapshot(session_->IBDatabase1);
            zest::SubjectList list;
            if (subjects_.IsOpen()) {
                list.Open(snapshot.Transaction(), subjects_.Sql());
                if (run.wskazany)
                    PutRunCursorOnChosen(list);
            }
            zest::StatementWriter writer(snapshot.Transaction(), snapshot.Precincts(), session_->Classes, lib.Lines,
                lib.Area, lib.Spouses, options);
            zest::StatementRun statementRun(snapshot.Transaction(), writer, lib.Lines, lib.Area);
            zest::StatementFile StatementFile;
            StatementFile.Open(temp.path());
            zest::SubjectListCursor cursor(list);
            zest::ui::RunProgress progress(this);
            try {
                statementRun.Run(cursor, run, StatementFile, progress.Callback(), collect);
            } catch (const zest::RunCancelled&) {
                return; // the user asked for it: nothing to show
            }
            RequireSameConnection(connection);
            StatementFile.Close();
            if (!run.wskazany)
                last = list.CurrentKey();
        }
        // The grid's cursor goes where the run's cursor ended, on the last subject.
        if (last) {
            const int row = subjects_.FindRow(*last);
            if (row >= 0)
                subjects_.SetCurrent(row);
        }
        if (wiz_) {
            wiz_->ShowRun(temp.path(), ui->dopiszDoWydruku->isChecked(), std::move(written));
            temp.Remove();
            zest::ui::BringToFront(wiz_);
        }
    });
}
