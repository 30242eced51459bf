#pragma once
// The progress of a statement run: a modal dialog with "subjects done of subjects
// listed" and "Anuluj", shown only when the run lasts longer than half a second.
// While it shows, the library's other windows take no input; a host that is not a Qt
// program goes on serving its own (nestedloops.h).

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

#include "statement/statementrun.h"
#include "widgets/nestedloops.h"

class QProgressDialog;
class QWidget;

namespace zest::ui
{

class RunProgress
{
public:
    explicit RunProgress(QWidget* parent);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // The run's progress callback; false once the user has cancelled.
    StatementRun::Progress Callback();

private:
    bool Step(int done, int total);

    const HandlerScope handler_; // the dialog's updates spin nested loops
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceUpdate_;
};

} // namespace zest::ui
