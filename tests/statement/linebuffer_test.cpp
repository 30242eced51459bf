#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "statement/linebuffer.h"
#include "statement/statementfile.h"

using namespace zest;
namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class LineBufferFile : public testing::Test
{
protected:
    void SetUp() override
    {
        path = (fs::path(ZEST_TEST_TMP)
            / ("lb-" + std::to_string(getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name()
                + ".txt"))
                   .string();
        file.Open(path);
        buffer.SetStatementFile(&file);
    }
    void TearDown() override
    {
        file.Close();
        fs::remove(path);
    }
    std::string Contents()
    {
        file.Close();
        std::string s = ReadAll(path);
        return s;
    }

    AreaState area;
    StatementFile file;
    LineBuffer buffer { area };
    std::string path;
};

TEST_F(LineBufferFile, FlushWritesBytesWithCrLfWhenTheThresholdIsReached)
{
    area.AreaThreshold = 100;
    area.SelectedAreaSum = 100; // equal passes
    buffer.EmitLine("       Nowak Jan", EmitAdd);
    buffer.EmitLine("", EmitAdd);
    buffer.EmitLine("\f", EmitAdd);
    buffer.EmitLine("\xA3\xF3"
                    "d\x9F \r inside",
        EmitAdd); // bytes kept as they are
    buffer.EmitLine("ignored", EmitFlush);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(Contents(),
        "       Nowak Jan\r\n\r\n\f\r\n\xA3\xF3"
        "d\x9F \r inside\r\n");
}

TEST_F(LineBufferFile, FlushBelowTheThresholdDropsTheLines)
{
    area.AreaThreshold = 10000;
    area.SelectedAreaSum = 9999;
    buffer.EmitLine("a", EmitAdd);
    buffer.EmitLine("", EmitFlush);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(Contents(), "");
}

TEST_F(LineBufferFile, ModesClearAndUnknown)
{
    area.AreaThreshold = 0;
    buffer.EmitLine("", EmitFlush); // empty buffer writes nothing even when the test passes
    buffer.EmitLine("a", EmitAdd);
    buffer.EmitLine("b", 7);
    buffer.EmitLine("c", -1);
    EXPECT_EQ(buffer.lines(), std::vector<std::string> { "a" });
    buffer.EmitLine("x", EmitClear);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(Contents(), "");
}

TEST(AreaState, SumsPastTwoToThe31AreComparedExactly)
{
    AreaState a;
    a.AreaThreshold = 2147483647;
    a.SelectedAreaSum = 2147483647LL + 10; // would wrap negative in 32 bits
    EXPECT_TRUE(a.ThresholdReached());
    a.AreaThreshold = -5;
    a.SelectedAreaSum = 0;
    EXPECT_TRUE(a.ThresholdReached());
}

TEST(StatementFile, FailedWriteNamesTheFileAndKeepsUnwrittenLines)
{
    // A file-size limit makes the kernel refuse the write part way.
    const std::string path = (fs::path(ZEST_TEST_TMP) / ("lb-full-" + std::to_string(getpid()) + ".txt")).string();
    AreaState area;
    area.AreaThreshold = 0;
    StatementFile file;
    file.Open(path);
    LineBuffer buffer(area);
    buffer.SetStatementFile(&file);
    for (int i = 0; i < 100; ++i)
        buffer.EmitLine(std::string(98, 'x'), EmitAdd); // 100 bytes per line with CR LF

    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1050;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    try {
        buffer.EmitLine("", EmitFlush);
        ADD_FAILURE() << "the write must fail";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    // 1050 bytes hold 10 whole lines; the other 90 stay buffered.
    EXPECT_EQ(buffer.lines().size(), 90u);
    file.Close();
    fs::remove(path);
}

TEST(StatementFile, OpeningInAMissingDirectoryNamesTheFile)
{
    StatementFile f;
    try {
        f.Open("/nonexistent-dir/kp123.tmp");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/kp123.tmp"), std::string::npos);
    }
    EXPECT_FALSE(f.IsOpen());
}

} // namespace
