// The preview records in the register of disclosures every subject of its text for each
// output (shown, printed, saved as text or PDF); an output that cannot be recorded is
// refused, with the text kept.
#include <QFile>
#include <QPrinter>
#include <gtest/gtest.h>

#include "disclosures/listing.h"
#include "disclosures/register.h"
#include "messagerecorder.h"
#include "preview/twiz.h"
#include "previewtest.h"
#include "scopedenv.h"

using namespace zest::preview::test;
using zest::disclosures::Disclosure;
using zest::disclosures::DisclosureRegister;

namespace
{

const std::string Statements = "STAN A\r\na1\r\n\f\r\nSTAN B\r\nb1\r\n\f\r\n";

Disclosure Subject(std::int32_t id)
{
    return Disclosure { "KOWALSKA", "/srv/gmina.fdb", id, "Nowak " + std::to_string(id), "kind=fizyczne" };
}

// "output subject file" of every row, oldest first; with `status`, its state after it.
std::vector<std::string> Rows(const DisclosureRegister& reg, bool status = false)
{
    std::vector<std::string> rows;
    for (const auto& r : reg.Read())
        rows.push_back(r.output + " " + std::to_string(r.subjectId) + (r.file ? " " + *r.file : "")
            + (status ? " " + zest::disclosures::StatusText(r) : ""));
    return rows;
}

std::string Name(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

struct Outputs {
    QString printed = TestPath(QStringLiteral("printed.pdf"));
    QString text = TestPath(QStringLiteral("saved.txt"));
    QString pdf = TestPath(QStringLiteral("saved.pdf"));

    explicit Outputs(Twiz& wiz)
    {
        for (const QString& f : { printed, text, pdf })
            QFile::remove(f);
        wiz.Printer().setOutputFormat(QPrinter::PdfFormat);
        wiz.Printer().setOutputFileName(printed);
        wiz.SaveDialog1 = [this](QWidget*) { return text; };
        wiz.SavePdfDialog = [this](QWidget*) { return pdf; };
    }
};

TEST(TwizDisclosures, EveryOutputRecordsTheSubjectsOfTheTextOrIsRefused)
{
    const std::string path = Name(TestPath(QStringLiteral("disclosures-every.sqlite")));
    const zest::test::ScopedEnv env(zest::disclosures::EnvironmentVariable, path); // put back at the end
    const DisclosureRegister reg(path);
    zest::test::MessageRecorder boxes;
    Twiz wiz;
    const Outputs out(wiz);
    const std::string run = WriteTestFile(QStringLiteral("run.txt"), Statements);
    wiz.ShowRun(run, false, { Subject(1) });
    wiz.ShowRun(run, true, { Subject(2) });
    EXPECT_EQ(wiz.Text(), Statements + Statements);
    wiz.SpeedButton2Click();
    wiz.SpeedButton5Click();
    wiz.SpeedButton7Click();
    EXPECT_TRUE(boxes.boxes.empty());
    const std::string text = Name(out.text), pdf = Name(out.pdf);
    EXPECT_EQ(Rows(reg),
        (std::vector<std::string> { "preview 1", "preview 2", "print 1", "print 2", "file 1 " + text, "file 2 " + text,
            "pdf 1 " + pdf, "pdf 2 " + pdf }));

    // A run in place of the text, then the text cleared: only what the text holds counts.
    wiz.ShowRun(run, false, { Subject(3) });
    wiz.SpeedButton5Click();
    wiz.SpeedButton6Click();
    wiz.SpeedButton5Click();
    std::vector<std::string> rows = Rows(reg);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[9], "file 3 " + text);
    EXPECT_TRUE(boxes.boxes.empty());

    // A register that cannot be written: nothing is shown, printed or saved, the text stays.
    wiz.ShowRun(run, false, { Subject(4) });
    const std::string before = wiz.Text();
    for (const QString& f : { out.printed, out.text, out.pdf })
        QFile::remove(f);
    const std::string bad = path + "/below-a-file.sqlite";
    qputenv(zest::disclosures::EnvironmentVariable, QByteArray::fromStdString(bad));
    EXPECT_THROW(wiz.ShowRun(run, true, { Subject(5) }), zest::disclosures::DisclosureError);
    wiz.SpeedButton2Click();
    wiz.SpeedButton5Click();
    wiz.SpeedButton7Click();
    ASSERT_EQ(boxes.boxes.size(), 3u);
    for (const auto& box : boxes.boxes)
        EXPECT_TRUE(box.Text.contains(QString::fromStdString(bad))) << box.Text.toStdString();
    for (const QString& f : { out.printed, out.text, out.pdf })
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    EXPECT_EQ(wiz.Text(), before);
    EXPECT_EQ(wiz.Subjects().size(), 1u);
    EXPECT_EQ(Rows(reg).size(), 11u);
}

// A device takes the statements as a file does; an output that fails says why in its rows.
TEST(TwizDisclosures, OutputsToDevicesAreRecordedAndFailuresSaySo)
{
    const std::string path = Name(TestPath(QStringLiteral("disclosures-devices.sqlite")));
    QFile::remove(QString::fromStdString(path));
    const zest::test::ScopedEnv env(zest::disclosures::EnvironmentVariable, path);
    const DisclosureRegister reg(path);
    zest::test::MessageRecorder boxes;
    Twiz wiz;
    wiz.ShowRun(WriteTestFile(QStringLiteral("run-devices.txt"), Statements), false, { Subject(1) });
    const QString missing = TestPath(QStringLiteral("no-such-folder/saved.pdf"));
    wiz.SaveDialog1 = [](QWidget*) { return QStringLiteral("/dev/null"); };
    wiz.SavePdfDialog = [&](QWidget*) { return missing; };
    wiz.SpeedButton5Click();
    wiz.SpeedButton7Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Rows(reg, true),
        (std::vector<std::string> { "preview 1 delivered", "file 1 /dev/null delivered",
            "pdf 1 " + Name(missing) + " failed: Cannot create file " + Name(missing) }));
}

} // namespace
