#include "standardstreams.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "statement/errortext.h"
#include "statement/statementfile.h"
#include "statement/systemfile.h"

namespace zest::cli
{

void UseBinaryStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void CloseStandardOutput()
{
    std::fflush(stdout);
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    // A pipe or the console has nothing to put on a disk.
    if (out && out != INVALID_HANDLE_VALUE && ::GetFileType(out) == FILE_TYPE_DISK && !::FlushFileBuffers(out))
        throw FileError("Cannot write to standard output: "
            + sys::ErrorText({ static_cast<int>(::GetLastError()), std::system_category() }));
    // The C library's descriptor 1 and the process's handle go to NUL; the old handle
    // is closed, which ends the reader's input.
    const int null = _wopen(L"NUL", _O_WRONLY | _O_BINARY | _O_NOINHERIT);
    if (null < 0)
        throw FileError("Cannot open file NUL: " + SystemText(errno));
    _dup2(null, _fileno(stdout));
    _close(null);
    ::SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))));
}

} // namespace zest::cli
