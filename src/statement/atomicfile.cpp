#include "atomicfile.h"

#include "errortext.h"
#include "statementfile.h"

namespace zest
{

namespace
{

[[noreturn]] void Fail(const char* what, const std::string& path, const std::error_code& error)
{
    throw FileError(std::string(what) + " " + PathText(path) + ": " + sys::ErrorText(error));
}

} // namespace

AtomicFile::AtomicFile(std::string path)
    : path_(std::move(path))
{
    if (sys::KindOf(path_) == sys::Kind::Other) {
        if (const std::error_code error = sys::OpenToOverwrite(path_, file_))
            Fail("Cannot create file", path_, error);
        inPlace_ = true;
        return;
    }
    // A link to a file: the file is replaced, not the link.
    target_ = sys::LinkTarget(path_);
    const std::size_t slash = target_.find_last_of(sys::FolderSeparators);
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (const std::error_code error
        = sys::CreateUnique(target_.substr(0, base) + "." + target_.substr(base) + ".", temp_, file_))
        Fail("Cannot create file", path_, error);
    // The new file is private to its owner until it gets the permissions it will have.
    sys::TakePermissions(file_, target_);
}

AtomicFile::~AtomicFile()
{
    file_ = sys::File();
    if (!temp_.empty())
        (void)sys::Remove(temp_);
}

void AtomicFile::Write(std::string_view bytes)
{
    std::size_t written = 0;
    if (const std::error_code error = file_.Write(bytes, written))
        Fail("Cannot write to", path_, error);
}

void AtomicFile::Close()
{
    if (!file_.IsOpen())
        return;
    // A pipe or a device has nothing to flush.
    const std::error_code flushed = inPlace_ ? std::error_code() : file_.Flush();
    const std::error_code closed = file_.Close();
    if (flushed || closed)
        Fail("Cannot write to", path_, flushed ? flushed : closed);
}

void AtomicFile::Commit()
{
    Close();
    if (temp_.empty())
        return;
    if (const std::error_code error = sys::MoveOver(temp_, target_))
        Fail("Cannot create file", path_, error);
    temp_.clear();
}

} // namespace zest
