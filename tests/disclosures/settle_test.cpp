// Recording in two short transactions: the rows are committed as pending before their
// output and settled after it, so that an output being made holds no lock of the
// register; each output of a run is settled on its own; a process that ends between the
// two leaves rows that list as unconfirmed.
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "disclosures/listing.h"
#include "disclosures/register.h"
#include "testregister.h"

using namespace zest::disclosures;

namespace
{

Disclosure Subject(std::int32_t id, std::string name = "Nowak Jan")
{
    return Disclosure { "KOWALSKA", "/srv/gmina.fdb", id, std::move(name), "kind=fizyczne" };
}

// "output subject status[: reason]" of every row, oldest first.
std::vector<std::string> States(const DisclosureRegister& reg)
{
    std::vector<std::string> states;
    for (const DisclosureRow& r : reg.Read())
        states.push_back(r.output + " " + std::to_string(r.subjectId) + " " + StatusText(r));
    return states;
}

TEST(DisclosureSettle, PendingRowsHoldNoLockAndEachOutputIsSettledOnItsOwn)
{
    const DisclosureRegister reg(zest::test::UniqueTempPath("disclosures-settle", ".sqlite"));
    const std::vector<Disclosure> written { Subject(1), Subject(2) }, listed { Subject(1), Subject(2), Subject(3) };
    PendingDisclosures pending = reg.Begin({ { { Output::Cli, std::nullopt }, &written },
        { { Output::Pdf, "/tmp/o.pdf" }, &written }, { { Output::Csv, "/tmp/s.csv" }, &listed } });
    EXPECT_EQ(pending.Rows(), 7u);

    // While this run's outputs are being made, another writer records and settles its
    // own without waiting.
    DisclosureRegister other(reg.Path());
    other.SetBusyTimeout(std::chrono::milliseconds(0));
    other.Begin({ Subject(4) }, Output::Print).Commit();

    pending.Delivered(1);
    EXPECT_THROW(
        pending.Deliver(0, [] { throw std::runtime_error("Cannot write to standard output: Broken pipe \xB3"); }),
        std::runtime_error);
    pending.Delivered(0); // settled once: the failure stands
    {
        const PendingDisclosures gone = std::move(pending); // the summary never made
    }
    const std::string broken = "failed: Cannot write to standard output: Broken pipe ł";
    EXPECT_EQ(States(reg),
        (std::vector<std::string> { "cli 1 " + broken, "cli 2 " + broken, "pdf 1 delivered", "pdf 2 delivered",
            "csv 1 failed: output not completed", "csv 2 failed: output not completed",
            "csv 3 failed: output not completed", "print 4 delivered" }));
}

TEST(DisclosureSettle, ProcessEndedBetweenTheTwoLeavesUnconfirmedRows)
{
    const DisclosureRegister reg(zest::test::UniqueTempPath("disclosures-crash", ".sqlite"));
    const pid_t child = fork();
    if (child == 0) {
        try {
            auto pending = reg.Begin({ Subject(5, "=SUMA(A1)") }, Output::Cli, "/tmp/o.txt");
            _exit(0); // ends in the middle of the output: nothing settles the row
        } catch (...) {
            _exit(1);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::vector<DisclosureRow> rows = reg.Read();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, StatusPending);
    const std::string listing = DisclosureListing(rows, "\n");
    EXPECT_EQ(listing.substr(0, listing.find('\n')), ListingHeader);
    EXPECT_EQ(listing.substr(listing.find('\n') + 1),
        rows[0].time + ";KOWALSKA;" + rows[0].account + ";" + rows[0].machine
            + ";/srv/gmina.fdb;5;\"'=SUMA(A1)\";cli /tmp/o.txt;unconfirmed;kind=fizyczne\n");
}

} // namespace
