// The file calls on Windows: the wide-character calls with UTF-8 names converted, handles
// that programs started by the process do not inherit.
#include "systemfile.h"

#include <windows.h>

#include <random>

#include "codepage.h"
#include "widetext_windows.h"

namespace zest::sys
{

struct FileAccess {
    static File Own(HANDLE h) noexcept
    {
        File f;
        f.handle_ = reinterpret_cast<std::intptr_t>(h);
        return f;
    }
    static HANDLE Handle(const File& f) noexcept { return reinterpret_cast<HANDLE>(f.handle_); }
};

namespace
{

std::error_code LastError() noexcept
{
    return { static_cast<int>(::GetLastError()), std::system_category() };
}

// Shared for reading and writing, so that a printer may open a new output file by name
// while it is open here; shared for deleting, so that it can be renamed or removed.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::error_code Open(const std::string& path, DWORD access, DWORD disposition, File& file)
{
    SECURITY_ATTRIBUTES notInherited { sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE };
    const HANDLE h = ::CreateFileW(
        WideFromUtf8(path).c_str(), access, ShareAll, &notInherited, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastError();
    file = FileAccess::Own(h);
    return {};
}

} // namespace

const char* const FolderSeparators = "/\\";

File::~File()
{
    if (handle_ != Closed && owned_)
        ::CloseHandle(FileAccess::Handle(*this));
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (handle_ != Closed && owned_)
            ::CloseHandle(FileAccess::Handle(*this));
        handle_ = other.handle_;
        owned_ = other.owned_;
        other.handle_ = Closed;
    }
    return *this;
}

std::error_code File::Write(std::string_view bytes, std::size_t& written) noexcept
{
    written = 0;
    while (written < bytes.size()) {
        const std::size_t left = bytes.size() - written;
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::WriteFile(FileAccess::Handle(*this), bytes.data() + written, chunk, &n, nullptr))
            return LastError();
        written += n;
    }
    return {};
}

std::error_code File::Read(char* buffer, std::size_t size, std::size_t& read) noexcept
{
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!::ReadFile(FileAccess::Handle(*this), buffer, chunk, &n, nullptr)) {
        // The writer of a pipe closed its end: the end of the input.
        if (::GetLastError() != ERROR_BROKEN_PIPE)
            return LastError();
        n = 0;
    }
    read = n;
    return {};
}

std::error_code File::Flush() noexcept
{
    return ::FlushFileBuffers(FileAccess::Handle(*this)) ? std::error_code() : LastError();
}

std::error_code File::Close() noexcept
{
    if (handle_ == Closed)
        return {};
    const HANDLE h = FileAccess::Handle(*this);
    handle_ = Closed;
    if (!owned_)
        return {};
    return ::CloseHandle(h) ? std::error_code() : LastError();
}

File File::StandardOutput() noexcept
{
    File f = FileAccess::Own(::GetStdHandle(STD_OUTPUT_HANDLE));
    f.owned_ = false;
    return f;
}

Kind KindOf(const std::string& path) noexcept
{
    // Opened for no access at all, which a device and a file in use both allow.
    const HANDLE h = ::CreateFileW(
        WideFromUtf8(path).c_str(), 0, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Kind::Missing;
    BY_HANDLE_FILE_INFORMATION info {};
    const bool regular = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info)
        && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(h);
    return regular ? Kind::RegularFile : Kind::Other;
}

std::error_code CreateTruncated(const std::string& path, File& file)
{
    return Open(path, GENERIC_WRITE, CREATE_ALWAYS, file);
}

std::error_code OpenToOverwrite(const std::string& path, File& file)
{
    // A device has no length to cut: it is opened as it is.
    return Open(path, GENERIC_WRITE, OPEN_EXISTING, file);
}

std::error_code OpenToRead(const std::string& path, File& file)
{
    return Open(path, GENERIC_READ, OPEN_EXISTING, file);
}

std::error_code CreateUnique(const std::string& prefix, std::string& name, File& file)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i)
            candidate += Letters[pick(random)];
        error = Open(candidate, GENERIC_WRITE, CREATE_NEW, file);
        if (!error) {
            name = std::move(candidate);
            return {};
        }
        if (error.value() != ERROR_FILE_EXISTS && error.value() != ERROR_ALREADY_EXISTS)
            return error;
    }
    return error;
}

void TakePermissions(File&, const std::string&) noexcept { }

std::string LinkTarget(const std::string& path)
{
    return path;
}

std::error_code MoveOver(const std::string& from, const std::string& to) noexcept
{
    try {
        if (::MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        return LastError();
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

std::error_code Remove(const std::string& path) noexcept
{
    try {
        if (::DeleteFileW(WideFromUtf8(path).c_str()))
            return {};
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {};
        return { static_cast<int>(error), std::system_category() };
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

std::string TemporaryFolder()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (n == 0 || n > MAX_PATH + 1)
        return {};
    return Utf8FromWide({ buffer, n });
}

std::string ErrorText(const std::error_code& error)
{
    if (error.category() != std::system_category())
        return cp1250::FromUtf8(error.message(), cp1250::Substitute);
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
            | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8 = n ? Utf8FromWide({ text, n }) : "error " + std::to_string(error.value());
    if (text)
        ::LocalFree(text);
    while (!utf8.empty() && (utf8.back() == ' ' || utf8.back() == '\r' || utf8.back() == '\n' || utf8.back() == '.'))
        utf8.pop_back();
    return cp1250::FromUtf8(utf8, cp1250::Substitute);
}

} // namespace zest::sys
