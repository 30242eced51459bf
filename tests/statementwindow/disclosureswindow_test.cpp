// The window of the register of disclosures for one subject, offscreen: its rows newest
// first with their state, the date range, the CSV that the tool writes, and a clear line
// for a register that is off, missing or unreadable; the register is only read.
// ZEST_SCREENSHOT=FILE.png keeps a picture of the window.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "childcontrol.h"
#include "clirunner.h"
#include "disclosures/identity.h"
#include "disclosures/listing.h"
#include "disclosures/register.h"
#include "messagerecorder.h"
#include "scopedenv.h"
#include "statementwindow/disclosureswindow.h"
#include "testregister.h"

using namespace zest::disclosures;
using zest::test::Child;

namespace
{

Disclosure Subject(std::int32_t id)
{
    return Disclosure { "KOWALSKA", "/srv/gmina.fdb", id,
        "\xAF"
        "ak Zofia",
        "kind=fizyczne; threshold=10000; marks=default" };
}

std::vector<QString> Row(QTableWidget& table, int row)
{
    std::vector<QString> cells;
    for (int c = 0; c < table.columnCount(); ++c)
        cells.push_back(table.item(row, c) ? table.item(row, c)->text() : QString());
    return cells;
}

TEST(DisclosuresWindowTest, ListsTheSubjectsRowsNewestFirstAndSavesTheToolsCsv)
{
    const std::string path = zest::test::UniqueTempPath("disclosures-window", ".sqlite");
    const zest::test::ScopedEnv env(EnvironmentVariable, path);
    const DisclosureRegister reg(path);
    reg.Begin({ Subject(7) }, Output::Print).Commit();
    reg.Begin({ Subject(8) }, Output::Preview).Commit();
    reg.Begin({ Subject(7) }, Output::Pdf, "/home/anna/stan.pdf")
        .Failed(0, "Cannot create file /home/anna/stan.pdf: Permission denied");
    auto unsettled = reg.Begin({ Subject(7) }, Output::Cli, "/tmp/o.txt"); // its output under way
    const std::string before = zest::test::ReadBytes(path);

    DisclosuresWindow window;
    window.resize(1100, 300);
    window.ShowSubject(7,
        "\xAF"
        "ak Zofia");
    QTableWidget& table = *Child<QTableWidget>(window, "Tabela");
    EXPECT_EQ(Child<QLabel>(window, "Podmiot")->text(), QString::fromUtf8("Podmiot: Żak Zofia (id 7)"));
    ASSERT_EQ(table.rowCount(), 3);
    const QString account = QString::fromStdString(AccountName()), machine = QString::fromStdString(MachineName());
    const QString options = QStringLiteral("kind=fizyczne; threshold=10000; marks=default");
    const std::vector<DisclosureRow> rows = reg.Read();
    const auto expected = [&](int id, const char* output, const char* file, const char* status) {
        return std::vector<QString> { QString::fromStdString(rows[id].time), QStringLiteral("KOWALSKA"), account,
            machine, QString::fromUtf8(output), QString::fromUtf8(file), QString::fromUtf8(status), options };
    };
    EXPECT_EQ(Row(table, 0), expected(3, "wiersz poleceń", "/tmp/o.txt", "niepotwierdzone"));
    EXPECT_EQ(Row(table, 1),
        expected(2, "plik PDF", "/home/anna/stan.pdf",
            "nieudane: Cannot create file /home/anna/stan.pdf: Permission denied"));
    EXPECT_EQ(Row(table, 2), expected(0, "wydruk", "", "przekazano"));
    const QString state = Child<QLabel>(window, "Stan")->text();
    EXPECT_TRUE(state.startsWith(QStringLiteral("Wpisów: 3 ")) && state.contains(QStringLiteral("Niepotwierdzone (1)")))
        << state.toStdString();
    if (const char* picture = std::getenv("ZEST_SCREENSHOT"))
        window.grab().save(QString::fromLocal8Bit(picture));

    // "Zapisz CSV…": the bytes of `zestawienia-cli disclosures --subject 7 --csv`.
    const QString csv = QString::fromStdString(zest::test::UniqueTempPath("disclosures-window", ".csv"));
    window.SaveDialog = [&](QWidget*) { return csv; };
    Child<QPushButton>(window, "ZapiszCsv")->click();
    Filter seven;
    seven.subjectId = 7;
    EXPECT_EQ(zest::test::ReadBytes(QFile::encodeName(csv).toStdString()),
        "\xEF\xBB\xBF" + DisclosureListing(reg.Read(seven), "\r\n"));

    // The date range, in days of UTC.
    QDateEdit& from = *Child<QDateEdit>(window, "Od");
    QDateEdit& to = *Child<QDateEdit>(window, "Do");
    from.setDate(QDate::currentDate().addDays(2));
    EXPECT_EQ(table.rowCount(), 0);
    from.setDate(from.minimumDate());
    to.setDate(QDate::currentDate().addDays(-2));
    EXPECT_EQ(table.rowCount(), 0);
    to.setDate(QDate::currentDate().addDays(1));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(zest::test::ReadBytes(path), before) << "the window only reads";
}

TEST(DisclosuresWindowTest, SaysSoWhenTheRegisterIsOffMissingOrUnreadable)
{
    const std::string text = zest::test::UniqueTempPath("disclosures-window-text", ".sqlite");
    std::ofstream(text) << "time;user\n" << std::string(5000, 'x');
    const std::string missing = zest::test::UniqueTempPath("disclosures-window-missing", ".sqlite");
    const struct {
        std::string value;
        const char* says;
    } cases[] = {
        { "off", "Rejestr udostępnień jest wyłączony (ZESTAWIENIA_DISCLOSURES=off)" },
        { missing, "nie istnieje: nie zapisano w nim jeszcze żadnego wydania" },
        { text, "Nie można odczytać rejestru udostępnień" },
    };
    for (const auto& c : cases) {
        const zest::test::ScopedEnv env(EnvironmentVariable, c.value);
        zest::test::MessageRecorder boxes;
        DisclosuresWindow window;
        window.ShowSubject(7, "X");
        const QString state = Child<QLabel>(window, "Stan")->text();
        EXPECT_TRUE(state.contains(QString::fromUtf8(c.says))) << state.toStdString();
        EXPECT_EQ(Child<QTableWidget>(window, "Tabela")->rowCount(), 0);
        EXPECT_FALSE(Child<QPushButton>(window, "ZapiszCsv")->isEnabled());
        EXPECT_TRUE(boxes.boxes.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
