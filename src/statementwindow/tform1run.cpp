// The statement run of the statement window: "Zestawienie".
#include "tform1.h"

#include <QScopeGuard>
#include <vector>

#include "preview/twiz.h"
#include "runprogress.h"
#include "statement/codepage.h"
#include "statement/librarystate.h"
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
        if (const auto& login = session_->IBDatabase1.credentials())
            context.user = login->user;
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
        {
            zest::StatementWriter writer(session_->IBTransaction1, session_->Precincts, session_->Classes, lib.Lines,
                lib.Area, lib.Spouses, options);
            zest::StatementRun statementRun(session_->IBTransaction1, writer, lib.Lines, lib.Area);
            zest::StatementFile StatementFile;
            StatementFile.Open(temp.path());
            zest::SubjectListCursor cursor(subjects_);
            zest::ui::RunProgress progress(this);
            // The grid catches up with the cursor once, when the run ends, instead of
            // scrolling through every subject.
            gridFollows_ = false;
            const auto follow = qScopeGuard([this] {
                gridFollows_ = true;
                MoveGridToSubject(subjects_.Current());
            });
            try {
                statementRun.Run(cursor, run, StatementFile, progress.Callback(), collect);
            } catch (const zest::RunCancelled&) {
                return; // the user asked for it: nothing to show
            }
            RequireSameConnection(connection);
            StatementFile.Close();
        }
        if (wiz_) {
            wiz_->ShowRun(temp.path(), ui->dopiszDoWydruku->isChecked(), std::move(written));
            temp.Remove();
            zest::ui::BringToFront(wiz_);
        }
    });
}
