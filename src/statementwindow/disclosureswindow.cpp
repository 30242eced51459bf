// The window of the register of disclosures for one subject.
#include "disclosureswindow.h"

#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "disclosures/listing.h"
#include "statement/atomicfile.h"
#include "ui_disclosureswindow.h"
#include "widgets/disclosurefolder.h"
#include "widgets/messages.h"
#include "widgets/wintext.h"

namespace
{

enum Column { ColTime, ColUser, ColAccount, ColMachine, ColOutput, ColFile, ColStatus, ColOptions, ColumnCount };

const QDate Beginning(2000, 1, 1);

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

QString AskCsvName(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
    if (zest::ui::ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

DisclosuresWindow::DisclosuresWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , SaveDialog(AskCsvName)
    , ui(std::make_unique<Ui::DisclosuresWindow>())
{
    ui->setupUi(this);
    ui->Od->setMinimumDate(Beginning);
    ui->Do->setMinimumDate(Beginning);
    QTableWidget* table = ui->Tabela;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({ QString::fromUtf8("Czas (UTC)"), QString::fromUtf8("Użytkownik"),
        QString::fromUtf8("Konto"), QString::fromUtf8("Komputer"), QString::fromUtf8("Wydanie"),
        QString::fromUtf8("Plik"), QString::fromUtf8("Stan"), QString::fromUtf8("Opcje") });
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);

    connect(ui->Od, &QDateEdit::dateChanged, this, &DisclosuresWindow::Reload);
    connect(ui->Do, &QDateEdit::dateChanged, this, &DisclosuresWindow::Reload);
    connect(ui->ZapiszCsv, &QPushButton::clicked, this, &DisclosuresWindow::ZapiszCsvClick);
    connect(ui->Zamknij, &QPushButton::clicked, this, &QWidget::close);
}

DisclosuresWindow::~DisclosuresWindow() = default;

void DisclosuresWindow::ShowSubject(std::int32_t id, const std::string& name)
{
    subjectId_ = id;
    ui->Podmiot->setText(QString::fromUtf8("Podmiot: %1 (id %2)").arg(zest::ui::FromWin1250(name)).arg(id));
    const QSignalBlocker od(ui->Od), to(ui->Do);
    ui->Od->setDate(Beginning);
    ui->Do->setDate(QDate::currentDate());
    Reload();
}

void DisclosuresWindow::Reload()
{
    rows_.clear();
    const zest::disclosures::DisclosureRegister reg = zest::ui::Disclosures();
    QString state;
    bool read = false;
    if (!reg.IsOn()) {
        state = QString::fromUtf8("Rejestr udostępnień jest wyłączony (%1=off): żadne wydanie nie jest zapisywane.")
                    .arg(QString::fromLatin1(zest::disclosures::EnvironmentVariable));
    } else if (!reg.Exists()) {
        state = QString::fromUtf8("Rejestr udostępnień %1 nie istnieje: nie zapisano w nim jeszcze żadnego wydania.")
                    .arg(QFile::decodeName(QByteArray::fromStdString(reg.Path())));
    } else {
        try {
            zest::disclosures::Filter filter;
            filter.subjectId = subjectId_;
            if (ui->Od->date() > Beginning)
                filter.since = ui->Od->date().toString(Qt::ISODate).toStdString();
            filter.until = ui->Do->date().toString(Qt::ISODate).toStdString();
            rows_ = reg.Read(filter);
            read = true;
            int unconfirmed = 0;
            for (const auto& r : rows_)
                unconfirmed += r.status == zest::disclosures::StatusPending;
            state = QString::fromUtf8("Wpisów: %1 (rejestr %2).")
                        .arg(rows_.size())
                        .arg(QFile::decodeName(QByteArray::fromStdString(reg.Path())));
            if (unconfirmed > 0)
                state += QString::fromUtf8(" Niepotwierdzone (%1): wydanie rozpoczęte, a program skończył pracę, "
                                           "zanim potwierdził jego wynik; liczą się jako udostępnione.")
                             .arg(unconfirmed);
        } catch (const std::exception& e) {
            state = zest::ui::FromWin1250(e.what());
        }
    }
    ui->Stan->setText(state);
    ui->ZapiszCsv->setEnabled(read);
    Fill();
}

void DisclosuresWindow::Fill()
{
    QTableWidget* table = ui->Tabela;
    table->setRowCount(static_cast<int>(rows_.size()));
    int row = 0;
    // Newest first.
    for (auto r = rows_.rbegin(); r != rows_.rend(); ++r, ++row) {
        QString status = zest::ui::FromWin1250(zest::disclosures::StatusLabel(r->status));
        if (!r->reason.empty())
            status += QStringLiteral(": ") + Utf8(r->reason);
        const QString cells[ColumnCount] = { Utf8(r->time), Utf8(r->user), Utf8(r->account), Utf8(r->machine),
            zest::ui::FromWin1250(zest::disclosures::OutputLabel(r->output)), Utf8(r->file.value_or(std::string())),
            status, Utf8(r->options) };
        for (int c = 0; c < ColumnCount; ++c)
            table->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
}

void DisclosuresWindow::ZapiszCsvClick()
{
    zest::ui::RunGuarded(this, [&] {
        const QString path = SaveDialog(this);
        if (path.isEmpty())
            return;
        zest::AtomicFile file(QFile::encodeName(path).toStdString());
        file.Write("\xEF\xBB\xBF" + zest::disclosures::DisclosureListing(rows_, "\r\n"));
        file.Commit();
    });
}
