#pragma once
// The result preview window "Wizualizacja wyników analizy". It belongs to a statement
// window, which creates it hidden and destroys it; closing it only hides it. It shows
// the statements of the runs in a printable text control, and prints them (a block per
// form feed on pages of its own), searches, saves, clears them. Whatever it shows, prints
// or saves of a run is recorded in the register of disclosures first, one row per subject
// of its text, and settled once the output is made (delivered) or has failed; an output
// the register cannot record is refused.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disclosures/register.h"
#include "widgets/windowowner.h"

class QCheckBox;
class QPrinter;

namespace Ui
{
class Twiz;
}

namespace zest::richedit
{
class TOLEEdit;
}

namespace zest::preview
{
class FindDialog;
}

class Twiz : public QWidget
{
    Q_OBJECT
public:
    // `owner`: the host's window that owns the library's windows, or none.
    explicit Twiz(zest::ui::WindowOwner owner = {});
    ~Twiz() override;

    // Loads a plain Windows-1250 text file (CR LF line ends, form feeds kept) into the
    // text control: in place of its text, or after it when `append` is true. A file
    // that cannot be read throws "Cannot open file %s" and changes nothing.
    // The text then holds no subjects of a run when it is replaced.
    void LoadResults(const std::string& fileName, bool append);

    // Shows the statements of a run (a file as LoadResults takes it) whose subjects are
    // `subjects`: recorded as shown in the preview, then loaded. Throws DisclosureError,
    // and shows nothing, when the register cannot record them.
    void ShowRun(const std::string& fileName, bool append, std::vector<zest::disclosures::Disclosure> subjects);
    // The subjects whose statements the text holds, in the order of the runs.
    const std::vector<zest::disclosures::Disclosure>& Subjects() const noexcept { return subjects_; }

    // The text as the control holds it, as Windows-1250 bytes with CR LF line ends: the
    // bytes a save writes.
    std::string Text() const;

    zest::richedit::TOLEEdit& rich() const;
    QCheckBox* numery() const;
    zest::preview::FindDialog* FindDialog1() const noexcept { return findDialog_; }
    // The printer that the print button prints on: the system's default printer on A4
    // paper until the printer setup chooses another printer, paper or orientation, which
    // it then keeps from one print to the next.
    QPrinter& Printer();

    // The dialogs asking for a file name (empty: cancelled) and for the printer, its
    // paper and orientation (false: cancelled, the printer as it was). Each starts as the
    // standard dialog; tests put their own.
    using FileNameDialog = std::function<QString(QWidget* parent)>;
    using PrinterDialog = std::function<bool(QPrinter& printer, QWidget* parent)>;
    FileNameDialog SaveDialog1; // a text file, "txt" added to a name without extension
    FileNameDialog SavePdfDialog; // a PDF file, "pdf" added likewise
    PrinterDialog PrinterSetupDialog1;

    // The standard printer setup: the print dialog choosing the printer (or a PDF file),
    // the paper and the orientation for the next print, printing nothing itself.
    static bool ShowPrinterSetupDialog(QPrinter& printer, QWidget* parent);

    // The handlers of the buttons and of the find dialog.
    void SpeedButton2Click(); // print at once on Printer(), no dialog
    void SpeedButton3Click(); // printer setup, nothing printed
    void SpeedButton4Click(); // open the find dialog
    void SpeedButton5Click(); // save as text
    void SpeedButton6Click(); // clear
    void SpeedButton7Click(); // save as PDF
    void FindDialog1Find();
    // F3: the next match of the last text; the find dialog when there is none yet.
    void FindNext();

    // Writes Text() into `path`; the file is replaced only when it was written whole.
    // Throws "Cannot create file %s" when it cannot be written, and nothing changes.
    void SaveText(const QString& path) const;

private:
    void Print(QPrinter& printer);
    // Records the subjects of the text for an output; see DisclosureRegister::Begin.
    zest::disclosures::PendingDisclosures Record(
        zest::disclosures::Output output, const QString& file = QString()) const;

    std::unique_ptr<Ui::Twiz> ui;
    zest::preview::FindDialog* findDialog_; // owned as a child window
    std::unique_ptr<QPrinter> printer_;
    std::vector<zest::disclosures::Disclosure> subjects_;
};
