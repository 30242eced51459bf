// The result preview window.
#include "twiz.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "preview/buttonicons.h"
#include "preview/finddialog.h"
#include "preview/printstatements.h"
#include "richedit/oleriche.h"
#include "statement/atomicfile.h"
#include "statement/statementfile.h"
#include "ui_twiz.h"
#include "widgets/disclosurefolder.h"
#include "widgets/messages.h"
#include "widgets/windowowner.h"
#include "widgets/wintext.h"

using zest::preview::ButtonPicture;
using zest::richedit::Position;
using zest::richedit::RichEditWindow;

namespace
{

QString AskFileName(QWidget* parent, const QString& suffix, const QString& filter)
{
    // The dialog asks before an existing file is overwritten.
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    if (zest::ui::ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Restores StreamSelection however the load ends.
class StreamSelectionOff
{
public:
    explicit StreamSelectionOff(zest::richedit::TOLEEdit& rich) noexcept
        : rich_(rich)
    {
    }
    ~StreamSelectionOff() { rich_.StreamSelection = false; }
    StreamSelectionOff(const StreamSelectionOff&) = delete;
    StreamSelectionOff& operator=(const StreamSelectionOff&) = delete;

private:
    zest::richedit::TOLEEdit& rich_;
};

} // namespace

Twiz::Twiz(zest::ui::WindowOwner owner)
    : SaveDialog1([](QWidget* parent) { return AskFileName(parent, QStringLiteral("txt"), {}); })
    , SavePdfDialog(
          [](QWidget* parent) { return AskFileName(parent, QStringLiteral("pdf"), QStringLiteral("PDF (*.pdf)")); })
    , PrinterSetupDialog1(ShowPrinterSetupDialog)
    , ui(std::make_unique<Ui::Twiz>())
{
    ui->setupUi(this);
    zest::ui::MakeOwnedWindow(this, owner);
    move(267, 152);
    zest::preview::SetUpStatementControl(*ui->rich);
    findDialog_ = new zest::preview::FindDialog(this);

    const struct {
        QToolButton* button;
        ButtonPicture picture;
        void (Twiz::*handler)();
    } buttons[] = {
        { ui->SpeedButton2, ButtonPicture::Print, &Twiz::SpeedButton2Click },
        { ui->SpeedButton3, ButtonPicture::PrinterSetup, &Twiz::SpeedButton3Click },
        { ui->SpeedButton4, ButtonPicture::Find, &Twiz::SpeedButton4Click },
        { ui->SpeedButton5, ButtonPicture::Save, &Twiz::SpeedButton5Click },
        { ui->SpeedButton6, ButtonPicture::Clear, &Twiz::SpeedButton6Click },
        { ui->SpeedButton7, ButtonPicture::SavePdf, &Twiz::SpeedButton7Click },
    };
    for (const auto& b : buttons) {
        b.button->setIcon(zest::preview::ButtonIcon(b.picture));
        connect(b.button, &QToolButton::clicked, this, b.handler);
    }
    connect(findDialog_, &zest::preview::FindDialog::Find, this, &Twiz::FindDialog1Find);

    const struct {
        QKeySequence keys;
        void (Twiz::*handler)();
    } shortcuts[] = {
        { QKeySequence::Print, &Twiz::SpeedButton2Click },
        { QKeySequence::Find, &Twiz::SpeedButton4Click },
        { QKeySequence::FindNext, &Twiz::FindNext },
        { QKeySequence::Save, &Twiz::SpeedButton5Click },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &Twiz::SpeedButton7Click },
    };
    for (const auto& s : shortcuts) {
        auto* action = new QAction(this);
        action->setShortcut(s.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, s.handler);
        addAction(action);
    }
}

Twiz::~Twiz() = default;

zest::richedit::TOLEEdit& Twiz::rich() const
{
    return *ui->rich;
}

QCheckBox* Twiz::numery() const
{
    return ui->numery;
}

QPrinter& Twiz::Printer()
{
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageSize(QPageSize(QPageSize::A4));
    }
    return *printer_;
}

void Twiz::LoadResults(const std::string& fileName, bool append)
{
    zest::richedit::TOLEEdit& edit = *ui->rich;
    const StreamSelectionOff off(edit);
    if (append) {
        edit.Window().SetSelection(edit.Window().TextLength(), 0);
        edit.StreamSelection = true;
    }
    edit.LoadFromFile(QFile::decodeName(QByteArray::fromStdString(fileName)));
    if (!append)
        subjects_.clear();
}

void Twiz::ShowRun(const std::string& fileName, bool append, std::vector<zest::disclosures::Disclosure> subjects)
{
    zest::disclosures::PendingDisclosures shown
        = zest::ui::Disclosures().Begin(subjects, zest::disclosures::Output::Preview);
    shown.Deliver(0, [&] {
        LoadResults(fileName, append);
        subjects_.insert(
            subjects_.end(), std::make_move_iterator(subjects.begin()), std::make_move_iterator(subjects.end()));
    });
}

zest::disclosures::PendingDisclosures Twiz::Record(zest::disclosures::Output output, const QString& file) const
{
    std::optional<std::string> path;
    if (!file.isEmpty())
        path = QFile::encodeName(file).toStdString();
    return zest::ui::Disclosures().Begin(subjects_, output, std::move(path));
}

std::string Twiz::Text() const
{
    return ui->rich->Window().StreamOut(false);
}

void Twiz::Print(QPrinter& printer)
{
    if (!zest::preview::PrintStatements(*ui->rich, printer, ui->numery->isChecked()))
        zest::ui::ShowMessageBox(this, windowTitle(),
            QString::fromUtf8("Część tekstu nie została wydrukowana: marginesy nie zostawiają na stronie miejsca na "
                              "tekst."),
            zest::ui::MessageIcon::Error);
}

bool Twiz::ShowPrinterSetupDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QString::fromUtf8("Ustawienia drukarki"));
    // The whole text is printed; there are no page ranges or selections to choose.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // The dialog only keeps the choice: its button does not say that it prints.
    for (auto* buttons : dialog.findChildren<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    }
    return zest::ui::ExecDialog(dialog) == QDialog::Accepted;
}

void Twiz::SpeedButton2Click()
{
    zest::ui::RunGuarded(this, [&] {
        QPrinter& printer = Printer();
        // Without a print system the printer is a PDF writer with nowhere to write.
        if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
            zest::ui::ShowMessageBox(this, windowTitle(),
                QString::fromUtf8("Nie ma drukarki, na której można drukować. Wybierz drukarkę (albo wydruk do pliku) "
                                  "w ustawieniach drukarki lub zapisz wynik jako PDF."),
                zest::ui::MessageIcon::Error);
            return;
        }
        // Delivered once the job is handed to the printer.
        Record(zest::disclosures::Output::Print).Deliver(0, [&] { Print(printer); });
    });
}

void Twiz::SpeedButton3Click()
{
    zest::ui::RunGuarded(this, [&] { PrinterSetupDialog1(Printer(), this); });
}

void Twiz::SpeedButton4Click()
{
    zest::ui::RunGuarded(this, [&] { findDialog_->Execute(ui->rich->pos()); });
}

void Twiz::FindDialog1Find()
{
    zest::ui::RunGuarded(this, [&] {
        const QString what = findDialog_->FindText();
        if (what.isEmpty())
            return;
        RichEditWindow& window = ui->rich->Window();
        // After the selection when there is one, else from the top; not from the caret.
        const Position start = window.SelLength() > 0 ? window.SelStart() + window.SelLength() : 0;
        const Position end = window.TextLength();
        if (start >= end)
            return;
        const Position found
            = window.FindText(what, start, end, { findDialog_->MatchCase(), findDialog_->WholeWord() });
        if (found < 0)
            return;
        ui->rich->setFocus();
        window.SetSelection(found, what.size());
    });
}

void Twiz::FindNext()
{
    if (findDialog_->FindText().isEmpty())
        SpeedButton4Click();
    else
        FindDialog1Find();
}

void Twiz::SaveText(const QString& path) const
{
    const std::string bytes = Text();
    try {
        zest::AtomicFile file(QFile::encodeName(path).toStdString());
        file.Write(bytes);
        file.Commit();
    } catch (const zest::FileError&) {
        // The save's one message, whatever the reason.
        throw std::runtime_error(zest::ui::ToWin1250("Cannot create file " + path, zest::cp1250::Substitute));
    }
}

void Twiz::SpeedButton5Click()
{
    zest::ui::RunGuarded(this, [&] {
        const QString path = SaveDialog1(this);
        if (path.isEmpty())
            return;
        Record(zest::disclosures::Output::File, path).Deliver(0, [&] { SaveText(path); });
    });
}

void Twiz::SpeedButton6Click()
{
    zest::ui::RunGuarded(this, [&] {
        ui->rich->Clear();
        subjects_.clear();
    });
}

void Twiz::SpeedButton7Click()
{
    zest::ui::RunGuarded(this, [&] {
        const QString path = SavePdfDialog(this);
        if (path.isEmpty())
            return;
        QPageLayout layout = zest::preview::DefaultPdfLayout();
        layout.setPageSize(Printer().pageLayout().pageSize());
        layout.setOrientation(Printer().pageLayout().orientation());
        // Recorded before the first page: a pipe or a device takes the pages as they are made.
        Record(zest::disclosures::Output::Pdf, path).Deliver(0, [&] {
            zest::preview::PrintStatementsToPdf(*ui->rich, path, ui->numery->isChecked(), layout);
        });
    });
}
