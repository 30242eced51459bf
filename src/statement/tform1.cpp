// The statement window.
#include "tform1.h"

#include <QButtonGroup>
#include <QHeaderView>

#include "classgridmodel.h"
#include "messages.h"
#include "preview/twiz.h"
#include "subjectlist.h"
#include "ui_tform1.h"
#include "windowowner.h"
#include "wintext.h"

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

} // namespace

TForm1::TForm1(QWidget* owner)
    : ui(std::make_unique<Ui::TForm1>())
    , session_(std::make_unique<zest::StatementSession>())
{
    FormCreate(owner);
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::FormCreate(QWidget* owner)
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

    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui->Button7, &QPushButton::clicked, this, &TForm1::BtnPobierzOsobyClick);
    connect(ui->Button5, &QPushButton::clicked, this, &TForm1::BtnZestawienieClick);

    wiz_ = new Twiz(owner);
}

void TForm1::FormDestroy() noexcept
{
    // The grid's model reads the session's classes: both go before the session does.
    ui->ozu->setModel(nullptr);
    delete classModel_;
    classModel_ = nullptr;
    delete wiz_.data();
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
    session_->Disconnect();
    session_->SetConnectionParams(database, user, password, role);
    ConnectDatabase();
}

void TForm1::ConnectDatabase()
{
    try {
        session_->Connect();
    } catch (const std::exception&) {
        zest::ui::ShowMessageBox(this,
            QString::fromUtf8("Połączenie z bazą ") + zest::ui::FromWin1250(session_->IBDatabase1.DatabaseName),
            QString::fromUtf8("Wystąpił błąd przy połączeniu"), zest::ui::MessageIcon::None);
    }
    if (!session_->Connected())
        return;
    try {
        session_->StartTransactionAndLoad();
    } catch (...) {
        // Connected but not loaded: drop the connection, so that the buttons cannot run
        // queries on a half-prepared window and the next call connects afresh.
        session_->Disconnect();
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
        wiz_->show();
        wiz_->raise();
        wiz_->activateWindow();
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

void TForm1::BtnPobierzOsobyClick()
{
    zest::ui::RunGuarded(this, [] {});
}

void TForm1::BtnZestawienieClick()
{
    zest::ui::RunGuarded(this, [] {});
}
