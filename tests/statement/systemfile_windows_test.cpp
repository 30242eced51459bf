// The file calls on Windows under the atomic output file, the statement file and the
// temporary files: names with Polish letters, replacing a file, a device written in place,
// the system's reason in a message.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "clirunner.h"
#include "statement/atomicfile.h"
#include "statement/statementfile.h"
#include "statement/tempfile.h"
#include "statement/widetext_windows.h"

namespace zest
{
namespace
{

using test::DirectoryNames;
using test::ReadBytes;
using test::ScratchDir;

// "zażółć.txt" in UTF-8, as the program keeps file names.
const std::string PolishName = "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.txt";

TEST(WindowsFiles, APolishNameIsMadeReplacedAndWrittenAsItIs)
{
    ScratchDir dir;
    const std::string out = dir / PolishName;
    {
        AtomicFile file(out);
        file.Write("pierwszy");
        file.Commit();
    }
    // The wide-character name the system keeps is the one given.
    EXPECT_NE(::GetFileAttributesW(sys::WideFromUtf8(out).c_str()), INVALID_FILE_ATTRIBUTES);
    {
        AtomicFile file(out);
        file.Write("drugi");
        EXPECT_EQ(ReadBytes(out), "pierwszy");
        file.Commit();
    }
    EXPECT_EQ(ReadBytes(out), "drugi");
    EXPECT_EQ(DirectoryNames(dir.path()), std::vector<std::string> { PolishName });

    StatementFile statement;
    statement.Open(dir / ("s-" + PolishName));
    std::size_t written = 0;
    statement.WriteLines({ "a\xB9", "" }, written);
    statement.Close();
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(ReadBytes(dir / ("s-" + PolishName)), "a\xB9\r\n\r\n");
}

TEST(WindowsFiles, TheNullDeviceIsWrittenInPlace)
{
    AtomicFile file("NUL");
    EXPECT_TRUE(file.inPlace());
    file.Write("nic");
    file.Commit();
}

// The message names the path in the program's code page, with the system's reason.
TEST(WindowsFiles, AMissingFolderIsNamedWithTheSystemsReason)
{
    ScratchDir dir;
    const std::string missing = dir / ("brak-" + PolishName);
    try {
        AtomicFile file(missing + "/plik.txt");
        FAIL() << "made";
    } catch (const FileError& e) {
        const std::string prefix = "Cannot create file " + dir.path() + "/brak-za\xBF\xF3\xB3\xE6.txt/plik.txt: ";
        const std::string text = e.what();
        EXPECT_EQ(text.substr(0, prefix.size()), prefix);
        EXPECT_GT(text.size(), prefix.size() + 5) << text;
    }
}

TEST(WindowsFiles, ATemporaryFileIsMadeInTheTemporaryFolderAndRemoved)
{
    std::string path;
    {
        TempFileGuard temp(MakeTempFileName("kp"));
        path = temp.path();
        EXPECT_TRUE(test::FileExists(path)) << path;
    }
    EXPECT_FALSE(test::FileExists(path)) << path;
}

} // namespace
} // namespace zest
