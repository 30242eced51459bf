// A run reads one picture of the register while other clerks change it: a share moved
// back and forth between the first subject of a run and its last, committed all the
// time, stands in exactly one statement of every run. Through the server over a slow
// link, in batches, so that the two subjects are read far apart in time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>

#include "clirunner.h"
#include "serverregister.h"
#include "statement/subjectlistsql.h"
#include "tcpforwarder.h"

namespace zest::test
{
namespace
{

int Occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

TEST(CliSnapshot, AShareMovedDuringARunStandsInExactlyOneStatement)
{
    ServerRegister reg("cli-snapshot", 400);
    if (!reg.available())
        GTEST_SKIP() << "no Firebird server configured";

    // The first and the last person of the run's list, each getting a statement.
    std::int32_t first = 0, last = 0;
    const std::unique_ptr<fb::Database> clerk = reg.Connect();
    {
        fb::Transaction tr(*clerk);
        tr.Start();
        const auto list = PrepareWithPlanFallback(tr, SubjectListSql(PersonKindIndex, "", ""));
        list->Open();
        while (list->Next()) {
            const std::string sex = list->AsString("Plec");
            if (sex != "K" && sex != "M")
                continue;
            if (first == 0)
                first = list->AsInteger("id_PDM");
            last = list->AsInteger("id_PDM");
        }
    }
    ASSERT_NE(first, last);
    // A unit of its own, with one parcel and one land use, held by the first person.
    for (const std::string& sql : std::initializer_list<std::string> {
             "insert into jedn_rej (id, id_obr, ijr, sti) values (90000001, 1, 987654, 0)",
             "insert into dzialka (id, rjdr, idd, pew, status) values (90000001, 90000001, '9/99', 5000, 0)",
             "insert into uzytki (id, rdze, ofu, ozu, ozk, pew, status) values (90000001, 90000001, 'R', 'R', 'III', "
             "5000, 0)",
             "insert into udzialy (uid, id_podm, id_jedn, rwd, ud, ud_nr, sti) values (90000001, "
                 + std::to_string(first) + ", 90000001, 1, '1/1', 1, 0)" })
        Commit(*clerk, sql);

    // The other clerk moves the share from one to the other and back, committing each move.
    std::atomic<bool> stop { false };
    std::atomic<int> moves { 0 };
    std::thread mover([&] {
        for (int i = 0; !stop; ++i) {
            Commit(*clerk,
                "update udzialy set id_podm = " + std::to_string(i % 2 ? first : last) + " where uid = 90000001");
            ++moves;
        }
    });

    net::TcpForwarder link(3050, std::chrono::milliseconds(2));
    ScratchDir out;
    for (int run = 0; run < 4; ++run) {
        const CliResult r = RunCli({ "--database", reg.Through(link.port()), "--user", "SYSDBA", "--password",
            reg.password(), "--marks", "all", "--threshold", "0", "--read-ahead", "25", "--output", out / "o.txt" });
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Occurrences(ReadBytes(out / "o.txt"), "Jednostka:987654"), 1) << "run " << run;
    }
    stop = true;
    mover.join();
    EXPECT_GT(moves.load(), 8) << "the share hardly moved during the runs";
}

} // namespace
} // namespace zest::test
