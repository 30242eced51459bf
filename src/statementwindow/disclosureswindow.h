#pragma once
// The window "Rejestr udostępnień": whom the data of one subject was handed to, as the
// register of disclosures keeps it, newest first, for a clerk answering a person's
// request. It only reads the register; a register that is off, missing or unreadable is
// said so in its status line. "Zapisz CSV…" writes the rows shown as the command-line
// tool's listing does (`zestawienia-cli disclosures --csv`).

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disclosures/register.h"

namespace Ui
{
class DisclosuresWindow;
}

class DisclosuresWindow : public QWidget
{
    Q_OBJECT
public:
    // A window of its own, owned by `parent`.
    explicit DisclosuresWindow(QWidget* parent = nullptr);
    ~DisclosuresWindow() override;

    // Shows the rows of the subject `id` named `name` (Windows-1250), the dates reset to
    // every day until today.
    void ShowSubject(std::int32_t id, const std::string& name);
    // Reads the register again for the subject and dates shown.
    void Reload();

    // The dialog asking for the CSV file's name (empty: cancelled); tests put their own.
    std::function<QString(QWidget* parent)> SaveDialog;

    // The handler of "Zapisz CSV…".
    void ZapiszCsvClick();

private:
    void Fill();

    std::unique_ptr<Ui::DisclosuresWindow> ui;
    std::int32_t subjectId_ = 0;
    std::vector<zest::disclosures::DisclosureRow> rows_; // as read: oldest first
};
