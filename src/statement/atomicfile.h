#pragma once
// An output file that appears under its name only when it is whole. The bytes go to a
// new file of a unique name in the target's folder, which Close flushes to the disk and
// Commit renames over the target; until then the destructor removes it, so a failure or
// an early return leaves the target as it was. A target that exists and is no regular
// file (a pipe, a device such as /dev/null, /dev/stdout or NUL) is written in place:
// renaming over it would replace the device node.
//
// On POSIX systems the new file gets the mode a new file gets (0666 less the umask); one
// that replaces a file keeps that file's mode. On Windows it gets the permissions of its
// folder, and the rename writes through to the disk. The system calls are those of
// systemfile.h. Failures throw FileError naming the target as given, by
// the rule for error text (errortext.h): "Cannot create file <path>: <reason>" when the
// file cannot be made or put under its name, "Cannot write to <path>: <reason>" when
// the bytes cannot be written.

#include <string>
#include <string_view>

#include "systemfile.h"

namespace zest
{

class AtomicFile
{
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Flushes the bytes to the disk and closes the file; a delayed write error throws.
    // The file is not under its name yet.
    void Close();
    // Closes the file when still open, then puts it under its name.
    void Commit();

    // The target as given.
    const std::string& path() const noexcept { return path_; }
    // The new file until Commit, for a cleanup that cannot wait for the destructor (a
    // signal handler); empty when the target is written in place or after Commit.
    const std::string& tempPath() const noexcept { return temp_; }
    // Where the bytes go for a writer that opens the file by name (a printer): the new
    // file, or the target written in place.
    const std::string& writePath() const noexcept { return temp_.empty() ? path_ : temp_; }
    bool inPlace() const noexcept { return inPlace_; }

private:
    std::string path_;
    std::string target_; // the file that Commit replaces: the target of a link
    std::string temp_;
    sys::File file_;
    bool inPlace_ = false;
};

} // namespace zest
