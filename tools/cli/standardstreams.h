#pragma once
// The tool's standard output and error carry its bytes as they are, the same on every
// system: on Windows the C library would otherwise write every line feed as CR LF
// (standardstreams_posix.cpp, standardstreams_windows.cpp).

namespace zest::cli
{

// Once at the start. The messages are UTF-8: a Windows console shows them as such under
// code page 65001 (chcp 65001).
void UseBinaryStandardStreams();

// Hands standard output over whole: the bytes on the disk when it is a file, and the
// reader given the end of the output. Standard output then goes to the null device, so
// that no file the tool opens later takes its place. A failure throws FileError.
void CloseStandardOutput();

} // namespace zest::cli
