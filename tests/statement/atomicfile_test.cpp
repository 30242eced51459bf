// The atomic output file: the target appears whole or not at all, keeps its mode, and a
// pipe or a device is written in place.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "clirunner.h"
#include "statement/atomicfile.h"
#include "statement/statementfile.h"

namespace zest
{
namespace
{

using test::DirectoryNames;
using test::ReadBytes;
using test::ScratchDir;

mode_t ModeOf(const std::string& path)
{
    struct stat st {
    };
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

TEST(AtomicFile, TheTargetChangesOnlyOnCommitAndThroughALink)
{
    ScratchDir dir;
    const std::string out = dir / "out.txt";
    {
        AtomicFile file(out);
        file.Write("nowy");
        file.Close();
        EXPECT_FALSE(test::FileExists(out));
        EXPECT_EQ(ReadBytes(file.tempPath()), "nowy");
        file.Commit();
        EXPECT_TRUE(file.tempPath().empty());
    }
    EXPECT_EQ(ReadBytes(out), "nowy");

    {
        AtomicFile abandoned(out);
        abandoned.Write("porzucony");
    }
    EXPECT_EQ(ReadBytes(out), "nowy");
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { "out.txt" });

    // Through a link the file is replaced, the link stays.
    ASSERT_EQ(::symlink("out.txt", (dir / "link").c_str()), 0);
    {
        AtomicFile viaLink(dir / "link");
        viaLink.Write("przez dowiazanie");
        viaLink.Commit();
    }
    struct stat st {
    };
    ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadBytes(out), "przez dowiazanie");
}

TEST(AtomicFile, ANewFileHonoursTheUmaskAReplacedOneKeepsItsMode)
{
    ScratchDir dir;
    const mode_t saved = ::umask(027);
    {
        AtomicFile fresh(dir / "new.txt");
        fresh.Commit();
    }
    ::umask(saved);
    EXPECT_EQ(ModeOf(dir / "new.txt") & 07777, 0640u);

    ASSERT_EQ(::chmod((dir / "new.txt").c_str(), 0604), 0);
    AtomicFile replacing(dir / "new.txt");
    replacing.Commit();
    EXPECT_EQ(ModeOf(dir / "new.txt") & 07777, 0604u);
}

TEST(AtomicFile, APipeIsWrittenInPlace)
{
    ScratchDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        AtomicFile pipe(fifo);
        EXPECT_TRUE(pipe.inPlace() && pipe.tempPath().empty() && pipe.writePath() == fifo);
        pipe.Write("rura");
        pipe.Commit();
    }
    char got[8] {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    ::close(reader);
    EXPECT_EQ(std::string(got), "rura");
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { "fifo" });
}

// The message names the path in the program's code page, with the system's reason.
TEST(AtomicFile, AFolderThatCannotTakeTheFileNamesThePath)
{
    const std::string dir = "/tmp/za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87-" + std::to_string(::getpid());
    try {
        AtomicFile file(dir + "/brak.txt");
        FAIL() << "made";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot create file /tmp/za\xBF\xF3\xB3\xE6-" + std::to_string(::getpid())
                + "/brak.txt: " + std::strerror(ENOENT));
    }
}

} // namespace
} // namespace zest
