// The statement window offscreen: class marks by key, the threshold edit, and the
// subject search filling DBGrid1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include "childcontrol.h"
#include "libraryreset.h"
#include "messagerecorder.h"
#include "registerplace.h"
#include "samplerows.h"
#include "statementwindow/tform1.h"

using zest::test::Child;
using zest::test::MessageRecorder;
using zest::test::TestRegister;

namespace
{

void Press(QWidget* w, Qt::Key key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// A connected window; the library-wide values as loaded before and after.
class WindowTest : public testing::Test
{
protected:
    void Connect(TestRegister& r)
    {
        form = std::make_unique<TForm1>();
        form->OpenRegister(r.path(), "SYSDBA", zest::test::RegisterPassword(), "");
        ASSERT_TRUE(form->Session().Connected());
    }
    void TearDown() override { form.reset(); }

    zest::test::LibraryReset library;
    MessageRecorder boxes;
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowTest, TypedKeysToggleTheCurrentRowAndArrowsOnlyMove)
{
    TestRegister r("win-keys");
    r.Exec({ "insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (2, 'B', 'B', null, 0)" });
    Connect(r);
    QTableView* ozu = Child<QTableView>(*form, "ozu");
    QAbstractItemModel* m = ozu->model();
    auto mark = [&](int row) { return m->index(row, 3).data().toString(); };
    ASSERT_EQ(m->index(0, 0).data().toString(), "B"); // ordered by land-use code
    ASSERT_EQ(mark(0), "   ");
    ASSERT_EQ(mark(1), "Tak");

    struct Key {
        const char* name;
        Qt::Key key;
        QString text;
    };
    const Key typed[] = { { "space", Qt::Key_Space, " " }, { "letter", Qt::Key_A, "a" }, { "digit", Qt::Key_1, "1" },
        { "Return", Qt::Key_Return, "\r" }, { "Enter", Qt::Key_Enter, "\r" }, { "Backspace", Qt::Key_Backspace, "\b" },
        { "Polish letter", Qt::Key_unknown, QString::fromUtf8("ż") } };
    bool marked = false; // the first key works on row 0 without a click
    for (const Key& k : typed) {
        SCOPED_TRACE(k.name);
        Press(ozu, k.key, k.text);
        marked = !marked;
        EXPECT_EQ(mark(0), marked ? "Tak" : "   ");
        EXPECT_EQ(mark(1), "Tak");
    }

    Press(ozu, Qt::Key_Down);
    EXPECT_EQ(ozu->currentIndex().row(), 1);
    EXPECT_EQ(mark(0), marked ? "Tak" : "   ");
    EXPECT_EQ(mark(1), "Tak");
    Press(ozu, Qt::Key_Space, " ");
    EXPECT_EQ(mark(1), "   ");
    Press(ozu, Qt::Key_Up);
    EXPECT_EQ(ozu->currentIndex().row(), 0);
    EXPECT_EQ(mark(1), "   ");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(WindowTest, KeyOnTheOneEmptyRowWritesTak)
{
    TestRegister r("win-noclasses");
    Connect(r);
    QTableView* ozu = Child<QTableView>(*form, "ozu");
    ASSERT_EQ(ozu->model()->rowCount(), 1);
    ASSERT_EQ(ozu->model()->index(0, 3).data().toString(), "");
    Press(ozu, Qt::Key_X, "x");
    EXPECT_EQ(ozu->model()->index(0, 3).data().toString(), "Tak");
    EXPECT_EQ(form->Session().Classes.Text(1, zest::ClassGrid::ColMark), "Tak");
}

TEST_F(WindowTest, ThresholdFollowsEveryKeystrokeAndKeepsTheLastValidValue)
{
    form = std::make_unique<TForm1>();
    QLineEdit* edit = Child<QLineEdit>(*form, "sPowUZ");
    auto& threshold = zest::Library().Area.AreaThreshold;
    threshold = 10000;

    edit->selectAll();
    Press(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(threshold, 10000);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Text, "'' is not a valid integer value");
    EXPECT_EQ(boxes.boxes[0].Caption, "Zestawienia");

    std::vector<std::int32_t> seen;
    for (const char* digit : { "5", "0", "0", "0" }) {
        Press(edit, static_cast<Qt::Key>(Qt::Key_0 + (digit[0] - '0')), digit);
        seen.push_back(threshold);
    }
    EXPECT_EQ(seen, (std::vector<std::int32_t> { 5, 50, 500, 5000 }));
    EXPECT_EQ(boxes.boxes.size(), 1u);

    Press(edit, Qt::Key_X, "x");
    EXPECT_EQ(edit->text(), "5000x"); // the text stays as typed
    EXPECT_EQ(edit->cursorPosition(), 5);
    EXPECT_EQ(threshold, 5000);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].Text, "'5000x' is not a valid integer value");

    edit->setText("-7");
    EXPECT_EQ(threshold, -7);
    edit->setText(QString::fromUtf8("Ł"));
    EXPECT_EQ(threshold, -7);
    EXPECT_EQ(boxes.boxes.back().Text, QString::fromUtf8("'Ł' is not a valid integer value"));
}

// A threshold past the 32-bit range is refused like any other invalid text, the last
// valid value stays in force, and the next valid text is taken.
TEST_F(WindowTest, OverflowingThresholdIsRefusedAndTheLastValueKept)
{
    form = std::make_unique<TForm1>();
    QLineEdit* edit = Child<QLineEdit>(*form, "sPowUZ");
    auto& threshold = zest::Library().Area.AreaThreshold;
    edit->setText("2147483647");
    EXPECT_EQ(threshold, 2147483647);
    ASSERT_TRUE(boxes.boxes.empty());
    for (const char* text : { "2147483648", "-2147483649", "99999999999999999999" }) {
        SCOPED_TRACE(text);
        edit->setText(text);
        EXPECT_EQ(threshold, 2147483647);
        ASSERT_FALSE(boxes.boxes.empty());
        EXPECT_EQ(boxes.boxes.back().Text, QString("'%1' is not a valid integer value").arg(text));
        EXPECT_EQ(edit->text(), text);
    }
    EXPECT_EQ(boxes.boxes.size(), 3u);
    edit->setText("-2147483648");
    EXPECT_EQ(threshold, -2147483647 - 1);
    EXPECT_EQ(boxes.boxes.size(), 3u);
}

// A long list appears with its first batch; the rest comes as the grid scrolls. A fetch
// that fails then is shown from the event loop, and the list closes instead of posing
// as complete.
TEST_F(WindowTest, LongListStreamsAsTheGridScrolls)
{
    TestRegister r("win-long");
    r.Exec("execute block as declare i integer = 1; begin while (i <= 600) do begin "
           "insert into OSOBY (ID, NZW, PIM, PLEC) values (:i, 'N' || lpad(:i, 4, '0'), 'X', 'M'); "
           "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (:i, 'F', :i); i = i + 1; end end");
    Connect(r);
    form->show();
    QTableView* grid = Child<QTableView>(*form, "DBGrid1");
    Child<QPushButton>(*form, "Button7")->click();
    ASSERT_EQ(grid->model()->rowCount(), zest::SubjectList::DefaultFetchBatch);
    EXPECT_TRUE(grid->model()->canFetchMore({}));
    for (int i = 0; i < 10 && grid->model()->canFetchMore({}); ++i) {
        grid->scrollToBottom();
        QApplication::processEvents();
    }
    EXPECT_EQ(grid->model()->rowCount(), 600);
    EXPECT_EQ(grid->model()->index(599, 0).data().toString(), "N0600");
    EXPECT_TRUE(boxes.boxes.empty());

    Child<QPushButton>(*form, "Button7")->click();
    ASSERT_EQ(grid->model()->rowCount(), zest::SubjectList::DefaultFetchBatch);
    form->Session().IBTransaction1.Rollback(); // the cursor goes with its transaction
    grid->scrollToBottom();
    QApplication::processEvents();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_FALSE(form->Subjects().IsOpen());
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

class SearchTest : public WindowTest
{
protected:
    void SetUp() override
    {
        reg = std::make_unique<TestRegister>("win-search");
        zest::test::InsertSampleRows(*reg);
        Connect(*reg);
        grid = Child<QTableView>(*form, "DBGrid1");
        od = Child<QLineEdit>(*form, "EditOd");
        do_ = Child<QLineEdit>(*form, "EditDo");
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        reg.reset();
    }

    void Search(const char* kindButton)
    {
        Child<QRadioButton>(*form, kindButton)->setChecked(true);
        Child<QPushButton>(*form, "Button7")->click();
    }
    QStringList VisibleHeaders() const
    {
        QStringList headers;
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (!grid->isColumnHidden(c))
                headers << grid->model()->headerData(c, Qt::Horizontal).toString();
        }
        return headers;
    }
    QString Cell(int row, int column) const { return grid->model()->index(row, column).data().toString(); }

    std::unique_ptr<TestRegister> reg;
    QTableView* grid = nullptr;
    QLineEdit* od = nullptr;
    QLineEdit* do_ = nullptr;
};

TEST_F(SearchTest, CaptionsHiddenColumnsAndLettersPerKind)
{
    struct Case {
        const char* button;
        QStringList headers;
        int rows;
        int row;
        QString first;
    };
    const Case cases[] = {
        { "TypOsobyFizyczne",
            { "Nazwisko", QString::fromUtf8("Pierwsze imię"), QString::fromUtf8("Drugie imię"),
                QString::fromUtf8("Imię ojca"), QString::fromUtf8("Imię matki") },
            6, 5, QString::fromUtf8("Żak") },
        { "TypOsobyInstytucje", { QString::fromUtf8("Nazwa skrócona"), QString::fromUtf8("Nazwa pełna") }, 3, 1,
            QString::fromUtf8("Gm. Łowicz") },
        { "TypOsobyPodmiotGrupowy", { QString::fromUtf8("Nazwa pełna"), QString::fromUtf8("Nazwa skrócona"), "ID_OS" },
            1, 0, QString::fromUtf8("Wspólnota gruntowa wsi Zawada") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Search(c.button);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(VisibleHeaders(), c.headers);
        EXPECT_EQ(grid->model()->rowCount(), c.rows);
        EXPECT_EQ(Cell(c.row, 0), c.first);
        EXPECT_EQ(grid->currentIndex().row(), 0);
        EXPECT_TRUE(od->isEnabled());
        EXPECT_TRUE(do_->isEnabled());
        EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable);
    }
    // The list remembers what was searched, whatever the radio group shows now.
    Child<QRadioButton>(*form, "TypOsobyFizyczne")->setChecked(true);
    EXPECT_EQ(form->Subjects().Integer("id_pdm"), 20);
}

TEST_F(SearchTest, RangeFromTheEditsWithPolishLetters)
{
    struct Case {
        const char* from;
        const char* to;
        QStringList surnames;
    };
    const Case cases[] = {
        { "Ż", "", { QString::fromUtf8("Żak") } }, { "", "K", { "K" } }, // Kowalski is above "K"
        { "O", "Żz", { "O'Brien", QString::fromUtf8("Żak") } }, // a Polish upper bound
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        od->setText(QString::fromUtf8(c.from));
        do_->setText(QString::fromUtf8(c.to));
        Search("TypOsobyFizyczne");
        QStringList surnames;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            surnames << Cell(r, 0);
        EXPECT_EQ(surnames, c.surnames);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SearchTest, GridAndListShareTheCurrentRow)
{
    Search("TypOsobyFizyczne");
    zest::SubjectList& list = form->Subjects();
    grid->setCurrentIndex(grid->model()->index(2, 0));
    EXPECT_EQ(list.Current(), 2);
    EXPECT_EQ(list.Text("NZW"), "Kowalski");
    EXPECT_EQ(list.Integer("id_pdm"), 1);

    list.First();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    list.Next();
    list.Next();
    list.Next();
    EXPECT_EQ(grid->currentIndex().row(), 3);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(3, {}));
}

TEST_F(SearchTest, FailingSearchShowsTheErrorLeavesTheListClosedAndTheEditsEnabled)
{
    Search("TypOsobyInstytucje");
    ASSERT_EQ(grid->model()->rowCount(), 3);
    reg->Exec("alter table INSTYTUCJE drop NPE");
    Search("TypOsobyInstytucje");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].Text.contains("NPE", Qt::CaseInsensitive)) << boxes.boxes[0].Text.toStdString();
    EXPECT_EQ(boxes.boxes[0].Icon, zest::ui::MessageIcon::Error);
    EXPECT_FALSE(form->Subjects().IsOpen());
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->model()->columnCount(), 0);
    EXPECT_TRUE(od->isEnabled());
    EXPECT_TRUE(do_->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The other kinds still list.
    Search("TypOsobyFizyczne");
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// The connection closed under the window: the next search connects again with the
// window's credentials and lists as before.
TEST_F(SearchTest, SearchWithoutAConnectionConnectsAgain)
{
    Search("TypOsobyFizyczne");
    const int rows = grid->model()->rowCount();
    ASSERT_GT(rows, 0);
    form->Session().Disconnect();
    Search("TypOsobyFizyczne");
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    EXPECT_TRUE(form->Session().Connected());
    EXPECT_EQ(grid->model()->rowCount(), rows);
    EXPECT_TRUE(od->isEnabled());
}

TEST_F(SearchTest, BoundOutsideTheCodePageIsRefused)
{
    do_->setText(QString::fromUtf8("Жук"));
    Search("TypOsobyFizyczne");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].Text.contains(QString::fromUtf8("„do”"))) << boxes.boxes[0].Text.toStdString();
    EXPECT_FALSE(form->Subjects().IsOpen());
    EXPECT_TRUE(od->isEnabled());
    EXPECT_TRUE(do_->isEnabled());
}

// Quotes and SQL typed into the name range are names to compare with, nothing more: the
// lists are those of the text as typed, and the register is whole afterwards.
TEST_F(SearchTest, QuotesAndSqlInTheBoundsAreSearchedAsText)
{
    struct Case {
        const char* from;
        const char* to;
        QStringList surnames;
    };
    const Case cases[] = {
        { "O'Brien", "O'Brien", { "O'Brien" } },
        { "O'", "O'C", { "O'Brien" } },
        { "Zz' or 1=1 --", "", { QString::fromUtf8("Żak") } },
        { "'; delete from OSOBY; --", "'; z", {} },
        { "A", "B' union select ID, NZW, NZW, NZW, NZW, NZW from OSOBY --", {} },
        { "\\'", "\\'\\'", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        od->setText(QString::fromUtf8(c.from));
        do_->setText(QString::fromUtf8(c.to));
        Search("TypOsobyFizyczne");
        QStringList surnames;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            surnames << Cell(r, 0);
        EXPECT_EQ(surnames, c.surnames);
    }
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    od->clear();
    do_->clear();
    Search("TypOsobyFizyczne");
    EXPECT_EQ(grid->model()->rowCount(), 6);
}

// Half a character at the end of a bound (a lone high surrogate, as a broken paste can
// leave) is outside the code page like any other: refused, not dropped.
TEST_F(SearchTest, BoundEndingInHalfACharacterIsRefused)
{
    od->setText(QStringLiteral("Kowalski") + QChar(char16_t(0xD83D)));
    Search("TypOsobyFizyczne");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].Text.contains(QString::fromUtf8("„od”"))) << boxes.boxes[0].Text.toStdString();
    EXPECT_FALSE(form->Subjects().IsOpen());
    od->setText("Kowalski");
    Search("TypOsobyFizyczne");
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(form->Subjects().IsOpen());
}

TEST_F(SearchTest, ReconnectClosesTheList)
{
    if (!zest::test::RegistersAreLocalFiles())
        GTEST_SKIP() << "another password opens only the embedded engine's register";
    Search("TypOsobyFizyczne");
    ASSERT_TRUE(form->Subjects().IsOpen());
    form->OpenRegister(reg->path(), "SYSDBA", "other password", "");
    ASSERT_TRUE(form->Session().Connected());
    EXPECT_FALSE(form->Subjects().IsOpen());
    EXPECT_EQ(grid->model()->rowCount(), 0);
    Search("TypOsobyFizyczne");
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
