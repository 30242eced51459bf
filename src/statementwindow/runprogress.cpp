#include "runprogress.h"

#include <QProgressDialog>

namespace zest::ui
{

RunProgress::RunProgress(QWidget* parent)
    : dialog_(std::make_unique<QProgressDialog>(parent))
{
    dialog_->setWindowTitle(QStringLiteral("Zestawienia"));
    dialog_->setCancelButtonText(QStringLiteral("Anuluj"));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(500);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
    sinceUpdate_.start();
}

RunProgress::~RunProgress() = default;

StatementRun::Progress RunProgress::Callback()
{
    return [this](int done, int total) { return Step(done, total); };
}

bool RunProgress::Step(int done, int total)
{
    // The dialog processes events on each update once it shows: a few times a second
    // is enough, and the last step always counts.
    if (!(total > 0 && done == total) && sinceUpdate_.elapsed() < 50)
        return !dialog_->wasCanceled();
    sinceUpdate_.restart();
    if (total > 0 && dialog_->maximum() != total)
        dialog_->setMaximum(total);
    dialog_->setLabelText(QStringLiteral("Zestawienie: %1 z %2").arg(done).arg(total));
    if (dialog_->isVisible())
        EnteringNestedLoop(); // a modal dialog that shows processes events in setValue
    dialog_->setValue(done);
    return !dialog_->wasCanceled();
}

} // namespace zest::ui
