// The statement window.
#include "tform1.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopeGuard>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <vector>

#include "classgridmodel.h"
#include "disclosureswindow.h"
#include "preview/twiz.h"
#include "statement/errortext.h"
#include "statement/librarystate.h"
#include "statement/statementrun.h"
#include "statement/subjectlistsql.h"
#include "statement/threshold.h"
#include "subjectlistmodel.h"
#include "ui_tform1.h"
#include "widgets/messages.h"
#include "widgets/windowowner.h"
#include "widgets/wintext.h"

namespace
{

// The designed font; where it is missing, one of the same metrics rather than the
// wider default sans serif.
QFont DesignedFont()
{
    QFont font;
    font.setFamilies(
        { QString::fromUtf8("MS Sans Serif"), QString::fromUtf8("Liberation Sans"), QString::fromUtf8("Arial") });
    font.setPixelSize(11);
    return font;
}

constexpr int ClassColumnWidths[] = { 97, 92, 90, 89 };
constexpr int ClassRowHeight = 18;

// "Zestawienie przerwane: połączenie z bazą zostało zmienione w trakcie zestawienia."
constexpr char ConnectionChangedText[] = "Zestawienie przerwane: po\xB3\xB9"
                                         "czenie z baz\xB9 zosta\xB3o zmienione w trakcie zestawienia.";

// The hourglass for as long as the guard lives, whichever way the handler ends.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Disables the controls, and enables them again when it goes, also after an error.
class DisabledMeanwhile
{
public:
    DisabledMeanwhile(std::initializer_list<QWidget*> widgets)
        : widgets_(widgets)
    {
        for (QWidget* w : widgets_)
            w->setEnabled(false);
    }
    ~DisabledMeanwhile()
    {
        for (QWidget* w : widgets_)
            w->setEnabled(true);
    }
    DisabledMeanwhile(const DisabledMeanwhile&) = delete;
    DisabledMeanwhile& operator=(const DisabledMeanwhile&) = delete;

private:
    std::vector<QWidget*> widgets_;
};

// A bound of the name range as the register's Windows-1250 text. A character that the
// code page does not have would reach the server as a substitute and silently search
// for another name: such a bound is refused, and so is half a character at the end (a
// lone high surrogate).
std::string RangeBound(const QString& text, const char* label)
{
    std::optional<std::string> bytes = zest::ui::ToWin1250(text, zest::cp1250::Refuse);
    if (!bytes)
        throw std::runtime_error(zest::ui::ToWin1250(
            QString::fromUtf8("Pole „%1” zawiera znak spoza strony kodowej Windows-1250; popraw zakres nazw.")
                .arg(QString::fromUtf8(label)),
            zest::cp1250::Substitute));
    return std::move(*bytes);
}

// Keys that type a character reach the grid's key-press handler; keys that only move
// (arrows, paging, function keys) and the focus keys do not.
bool TypesCharacter(const QKeyEvent& key)
{
    if (key.text().isEmpty() || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)
        return false;
    return !(key.modifiers() & Qt::AltModifier);
}

} // namespace

TForm1::TForm1(zest::ui::WindowOwner owner)
    : ui(std::make_unique<Ui::TForm1>())
    , session_(std::make_unique<zest::StatementSession>())
{
    FormCreate(owner);
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::FormCreate(zest::ui::WindowOwner owner)
{
    ui->setupUi(this);
    zest::ui::MakeOwnedWindow(this, owner);
    setFont(DesignedFont());
    move(312, 179);

    typOsoby_ = new QButtonGroup(this);
    typOsoby_->addButton(ui->TypOsobyFizyczne, zest::PersonKindIndex);
    typOsoby_->addButton(ui->TypOsobyInstytucje, zest::InstitutionKindIndex);
    typOsoby_->addButton(ui->TypOsobyPodmiotGrupowy, zest::GroupKindIndex);

    SetUpClassGrid();
    SetUpSubjectGrid();

    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui->Button7, &QPushButton::clicked, this, &TForm1::BtnPobierzOsobyClick);
    connect(ui->Button5, &QPushButton::clicked, this, &TForm1::BtnZestawienieClick);
    connect(ui->sPowUZ, &QLineEdit::textChanged, this, &TForm1::sPowUZChange);
    ui->ozu->installEventFilter(this);

    wiz_ = new Twiz(owner);
}

void TForm1::FormDestroy() noexcept
{
    // The grids' models read the session's classes and the subject list: they go first.
    ui->ozu->removeEventFilter(this);
    ui->ozu->setModel(nullptr);
    delete classModel_;
    classModel_ = nullptr;
    ui->DBGrid1->setModel(nullptr);
    delete subjectModel_;
    subjectModel_ = nullptr;
    delete wiz_.data();
    Disconnect();
}

void TForm1::Disconnect() noexcept
{
    ++connection_;
    subjects_.Close();
    session_->Disconnect();
}

void TForm1::SetUpClassGrid()
{
    classModel_ = new zest::ui::ClassGridModel(session_->Classes, this);
    ui->ozu->setModel(classModel_);
    QHeaderView* header = ui->ozu->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setFixedHeight(ClassRowHeight);
    for (int c = 0; c < zest::ClassGrid::ColumnCount; ++c)
        header->resizeSection(c, ClassColumnWidths[c]);
    QHeaderView* rows = ui->ozu->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(ClassRowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(ClassRowHeight);
}

void TForm1::SetUpSubjectGrid()
{
    subjectModel_ = new zest::ui::SubjectListModel(subjects_, this, this);
    ui->DBGrid1->setModel(subjectModel_);
    ui->DBGrid1->verticalHeader()->hide();
    ui->DBGrid1->verticalHeader()->setDefaultSectionSize(ClassRowHeight);
    connect(subjectModel_, &zest::ui::SubjectListModel::CurrentSubjectChanged, this, &TForm1::SubjectListMoved);
    connect(subjectModel_, &zest::ui::SubjectListModel::CurrentSubjectChanged, this, &TForm1::MoveGridToSubject);
    connect(ui->DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::DBGrid1RowChanged);

    auto* disclosed = new QAction(QString::fromUtf8("Komu udostępniono dane…"), ui->DBGrid1);
    disclosed->setObjectName(QStringLiteral("KomuUdostepniono"));
    disclosed->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    disclosed->setShortcutContext(Qt::WindowShortcut);
    connect(disclosed, &QAction::triggered, this, &TForm1::KomuUdostepnionoClick);
    ui->DBGrid1->addAction(disclosed);
    ui->DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TForm1::KomuUdostepnionoClick()
{
    zest::ui::RunGuarded(this, [this] {
        if (!chosen_ || chosenName_.empty()) {
            zest::ui::ShowMessageBox(this, windowTitle(),
                QString::fromUtf8("Wskaż podmiot na liście osób: rejestr udostępnień pokazuje, komu wydano jego dane."),
                zest::ui::MessageIcon::None);
            return;
        }
        if (!disclosures_)
            disclosures_ = new DisclosuresWindow(this);
        disclosures_->ShowSubject(chosen_->Id, chosenName_);
        zest::ui::BringToFront(disclosures_);
    });
}

void TForm1::ShowSubjectColumns()
{
    for (int c = 0; c < subjectModel_->columnCount(); ++c)
        ui->DBGrid1->setColumnHidden(c, subjectModel_->IsColumnHidden(c));
}

void TForm1::SubjectListMoved(int row)
{
    if (reopening_)
        return;
    chosen_ = subjects_.CurrentKey();
    chosenName_ = chosen_ && row >= 0 ? zest::SubjectDisplayName(subjects_) : std::string();
}

void TForm1::PutRunCursorOnChosen(zest::SubjectList& list) const
{
    if (!chosen_)
        return; // an empty list: its one row of nulls, as ever
    const int row = list.FindRow(*chosen_);
    if (row < 0 || !list.SetCurrent(row))
        throw std::runtime_error("Wskazanego podmiotu \x84" + chosenName_ + "\x94 (id " + std::to_string(chosen_->Id)
            + ") nie ma ju\xBF na li\x9C"
              "cie: rejestr zmieni\xB3 si\xEA od jej pobrania. Zestawienie nie zosta\xB3o wykonane; pobierz "
              "osoby ponownie i wska\xBF podmiot.");
}

void TForm1::MoveGridToSubject(int row)
{
    if (row < 0 || row >= subjectModel_->rowCount())
        return;
    QItemSelectionModel* selection = ui->DBGrid1->selectionModel();
    if (selection->currentIndex().row() == row)
        return;
    selection->setCurrentIndex(
        subjectModel_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TForm1::DBGrid1RowChanged(const QModelIndex& current)
{
    if (!current.isValid() || current.row() == subjects_.Current())
        return;
    zest::ui::RunGuarded(this, [this, row = current.row()] { subjects_.SetCurrent(row); });
}

Twiz* TForm1::wiz() const noexcept
{
    return wiz_;
}

int TForm1::TypOsobyIndex() const
{
    return typOsoby_->checkedId();
}

void TForm1::SetLoaded(bool loaded)
{
    ui->ozu->setEnabled(loaded);
    ui->Button7->setEnabled(loaded);
    ui->Button5->setEnabled(loaded);
}

void TForm1::OpenRegister(
    const std::string& database, const std::string& user, const std::string& password, const std::string& role)
{
    if (session_->Matches(database, user, password))
        return;
    // The same register and login, its connection lost (or never made): connected again
    // as the buttons do it, with the user's marks kept.
    const bool again = session_->SameLogin(database, user, password);
    Disconnect();
    try {
        session_->SetConnectionParams(database, user, password, role);
    } catch (const zest::CredentialsError&) {
        SetLoaded(false);
        throw;
    }
    if (again)
        Reconnect(false);
    else
        ConnectDatabase();
}

bool TForm1::EnsureConnected(bool keepList)
{
    if (!session_->Connected() && session_->HasConnectionParams())
        Reconnect(keepList);
    return session_->Connected();
}

void TForm1::Reconnect(bool keepList)
{
    zest::ClassGrid marks = session_->Classes;
    const std::string listSql = keepList && subjects_.IsOpen() ? subjects_.Sql() : std::string();
    {
        // The chosen subject stays chosen while the list goes and comes back.
        reopening_ = true;
        const auto chosenKept = qScopeGuard([this] { reopening_ = false; });
        Disconnect();
    }
    ConnectDatabase();
    if (!session_->Connected())
        return;
    session_->Classes.KeepMarks(marks);
    classModel_->MarksChanged();
    if (!listSql.empty()) {
        // Other clerks may have added or removed subjects meanwhile: the cursor goes back
        // to the chosen subject by its id, never to its old row number. When the subject
        // is gone, it stays chosen, and a run for it alone is refused.
        reopening_ = true;
        const auto chosenKept = qScopeGuard([this] { reopening_ = false; });
        subjects_.Open(session_->IBTransaction1, listSql);
        const int row = chosen_ ? subjects_.FindRow(*chosen_) : -1;
        if (row >= 0)
            subjects_.SetCurrent(row);
        ShowSubjectColumns();
    }
}

void TForm1::RequireSameConnection(unsigned connection) const
{
    if (connection_ != connection)
        throw std::runtime_error(ConnectionChangedText);
}

void TForm1::ConnectDatabase()
{
    try {
        session_->Connect();
    } catch (const std::exception& e) {
        // A reason the user can act on stands below the line, with the server's text.
        QString text = QString::fromUtf8("Wystąpił błąd przy połączeniu");
        if (const std::string detail = zest::ConnectErrorDetail(e); !detail.empty())
            text += "\n\n" + zest::ui::FromWin1250(detail);
        zest::ui::ShowMessageBox(this,
            QString::fromUtf8("Połączenie z bazą ") + QString::fromStdString(session_->IBDatabase1.DatabaseName), text,
            zest::ui::MessageIcon::None);
    }
    if (!session_->Connected())
        return;
    try {
        session_->StartTransactionAndLoad();
    } catch (...) {
        // Connected but not loaded: drop the connection, so that the buttons cannot run
        // queries on a half-prepared window and the next call connects afresh.
        Disconnect();
        session_->Classes.Reset();
        session_->Precincts.Clear();
        classModel_->Reload();
        SetLoaded(false);
        throw;
    }
    classModel_->Reload();
    SetLoaded(true);
}

void TForm1::SpeedButton1Click()
{
    zest::ui::RunGuarded(this, [this] {
        if (!wiz_)
            return;
        zest::ui::BringToFront(wiz_);
    });
}

void TForm1::Button1Click()
{
    zest::ui::RunGuarded(this, [this] {
        session_->Classes.MarkAll();
        classModel_->MarksChanged();
    });
}

void TForm1::Button2Click()
{
    zest::ui::RunGuarded(this, [this] {
        session_->Classes.MarkDefaults();
        classModel_->MarksChanged();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->ozu && event->type() == QEvent::KeyPress && ui->ozu->isEnabled()
        && TypesCharacter(*static_cast<QKeyEvent*>(event))) {
        ozuKeyPress();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::ozuKeyPress()
{
    zest::ui::RunGuarded(this, [this] {
        QModelIndex current = ui->ozu->currentIndex();
        if (!current.isValid()) {
            // The grid always has a current row: the first, until the user moves.
            current = classModel_->index(0, zest::ClassGrid::ColMark);
            ui->ozu->setCurrentIndex(current);
        }
        if (session_->Classes.Toggle(current.row() + 1))
            classModel_->MarksChanged();
    });
}

void TForm1::sPowUZChange()
{
    zest::ui::RunGuarded(this, [this] {
        zest::Library().Area.AreaThreshold
            = zest::ParseThreshold(zest::ui::ToWin1250(ui->sPowUZ->text(), zest::cp1250::Substitute));
    });
}

void TForm1::BtnPobierzOsobyClick()
{
    zest::ui::RunGuarded(this, [this] {
        zest::disclosures::ListFilters filters;
        filters.kind = TypOsobyIndex();
        filters.from = RangeBound(ui->EditOd->text(), "od");
        filters.to = RangeBound(ui->EditDo->text(), "do");
        const std::string sql = zest::SubjectListSql(filters.kind, filters.from, filters.to);
        WaitCursor wait;
        DisabledMeanwhile edits { ui->EditOd, ui->EditDo };
        if (!EnsureConnected(false))
            return;
        subjects_.Close();
        subjectModel_->SetKind(filters.kind);
        subjects_.Open(session_->IBTransaction1, sql);
        listFilters_ = std::move(filters);
        ShowSubjectColumns();
    });
}
