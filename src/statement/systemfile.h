#pragma once
// The file calls of the operating system that the statement files, the atomic output
// file and the temporary files rest on; systemfile_posix.cpp and systemfile_windows.cpp
// hold one implementation each. Paths are UTF-8 (Windows gets them through its
// wide-character calls, so names with Polish letters work on both). A file opened here
// is never inherited by a program the process starts. Failures come back as the
// system's error; nothing here throws but std::bad_alloc.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace zest::sys
{

// An open file, closed by the destructor (its error then unseen: Close says it).
class File
{
public:
    File() noexcept = default;
    ~File();
    File(File&& other) noexcept
        : handle_(other.handle_)
    {
        other.handle_ = Closed;
    }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool IsOpen() const noexcept { return handle_ != Closed; }

    // Writes every byte; after a failure `written` says how many went.
    std::error_code Write(std::string_view bytes, std::size_t& written) noexcept;
    // Reads up to `size` bytes; `read` is 0 at the end of the file.
    std::error_code Read(char* buffer, std::size_t size, std::size_t& read) noexcept;
    // Puts the written bytes on the disk.
    std::error_code Flush() noexcept;
    // Closes; a delayed write error comes back here.
    std::error_code Close() noexcept;

    // The standard output of the process, written as bytes (never converted), not owned.
    static File StandardOutput() noexcept;

private:
    friend struct FileAccess;
    static constexpr std::intptr_t Closed = -1;
    std::intptr_t handle_ = Closed;
    bool owned_ = true;
};

// The characters that end a folder's name in a path ("/"; on Windows "\\" too).
extern const char* const FolderSeparators;

// What a path names, links followed; Missing also when the system cannot say.
enum class Kind { Missing, RegularFile, Other };
Kind KindOf(const std::string& path) noexcept;

// Creates the file or empties it; a new file is readable by its owner only.
std::error_code CreateTruncated(const std::string& path, File& file);
// Opens a file that exists for writing over its bytes: a device or a pipe.
std::error_code OpenToOverwrite(const std::string& path, File& file);
std::error_code OpenToRead(const std::string& path, File& file);

// Makes a new file named `prefix` and six more characters, readable by its owner only;
// `name` receives its name.
std::error_code CreateUnique(const std::string& prefix, std::string& name, File& file);
// Gives a new file the permissions that it should have under `target`'s name: those of
// the file it replaces, else those of any new file. Nothing to do where the folder's
// permissions are inherited (Windows).
void TakePermissions(File& file, const std::string& target) noexcept;
// The file that writing to `path` changes: a symbolic link's target, else `path`.
std::string LinkTarget(const std::string& path);

// Puts `from` in the place of `to` in one step, replacing it (on Windows written through
// to the disk before it returns).
std::error_code MoveOver(const std::string& from, const std::string& to) noexcept;
// Removes a file; one already gone is no error.
std::error_code Remove(const std::string& path) noexcept;

// The folder for temporary files (TMPDIR or /tmp; Windows' temporary folder).
std::string TemporaryFolder();

// The system's text for an error, in the code page of the program's messages
// (Windows-1250).
std::string ErrorText(const std::error_code& error);

} // namespace zest::sys
