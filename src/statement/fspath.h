#pragma once
// File names inside the program are UTF-8 bytes. std::filesystem reads a narrow string in
// the system's code page, which on Windows is not UTF-8: these two convert explicitly.

#include <filesystem>
#include <string>
#include <string_view>

namespace zest
{

inline std::filesystem::path FsPath(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Path(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace zest
