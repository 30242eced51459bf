// The tool as a child process on Windows: CreateProcessW with the arguments quoted as
// the program's command-line parser reads them, the output read through pipes.
#include "clirunner.h"

#include <windows.h>

#include <stdexcept>
#include <thread>

#include "registerplace.h"
#include "statement/widetext_windows.h"

namespace zest::test
{

namespace
{

// One argument quoted so that CommandLineToArgvW gives it back unchanged.
void AppendQuoted(std::wstring& line, const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        line += *it;
    }
    line += L'"';
}

// The process's environment with `set` added or replacing, as CreateProcessW takes it.
std::wstring EnvironmentBlock(const std::map<std::string, std::string>& set)
{
    std::wstring block;
    wchar_t* strings = ::GetEnvironmentStringsW();
    for (const wchar_t* e = strings; *e; e += wcslen(e) + 1) {
        const std::wstring entry(e);
        const std::size_t eq = entry.find(L'=', 1); // "=C:=C:\..." entries start with '='
        const std::wstring name = entry.substr(0, eq);
        bool replaced = false;
        for (const auto& [n, v] : set)
            replaced = replaced || _wcsicmp(sys::WideFromUtf8(n).c_str(), name.c_str()) == 0;
        if (!replaced) {
            block += entry;
            block += L'\0';
        }
    }
    ::FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : set) {
        block += sys::WideFromUtf8(name) + L"=" + sys::WideFromUtf8(value);
        block += L'\0';
    }
    block += L'\0';
    return block;
}

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    Pipe()
    {
        SECURITY_ATTRIBUTES inherited { sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE };
        if (!::CreatePipe(&read, &write, &inherited, 0))
            throw std::runtime_error("CreatePipe failed");
        ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    ~Pipe()
    {
        CloseWrite();
        if (read)
            ::CloseHandle(read);
    }
    void CloseWrite()
    {
        if (write)
            ::CloseHandle(write);
        write = nullptr;
    }
    void Drain(std::string& sink) const
    {
        char chunk[65536];
        DWORD n = 0;
        while (::ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n > 0)
            sink.append(chunk, n);
    }
};

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const CliEnv& env)
{
    std::wstring line;
    AppendQuoted(line, sys::WideFromUtf8(ZEST_CLI_PATH));
    for (const std::string& a : args) {
        line += L' ';
        AppendQuoted(line, sys::WideFromUtf8(a));
    }
    // The registers are on the server, which wants a login: the one they were made with,
    // unless the test gives its own.
    std::map<std::string, std::string> set = env.set;
    const reg::RegisterOptions access = RegisterAccess();
    set.try_emplace("ISC_USER", access.user);
    set.try_emplace("ISC_PASSWORD", access.password);
    std::wstring environment = EnvironmentBlock(set);

    Pipe out, err;
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    PROCESS_INFORMATION process {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, environment.data(),
            nullptr, &startup, &process))
        throw std::runtime_error("CreateProcessW failed: error " + std::to_string(::GetLastError()));
    out.CloseWrite();
    err.CloseWrite();
    if (env.started)
        env.started(static_cast<pid_t>(process.dwProcessId));

    CliResult r;
    std::thread errReader([&] { err.Drain(r.err); });
    out.Drain(r.out);
    errReader.join();
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    r.exitCode = static_cast<int>(code);
    return r;
}

std::string DescribeDifference(const std::string& expectedPath, const std::string& receivedPath)
{
    const std::string expected = ReadBytes(expectedPath), received = ReadBytes(receivedPath);
    std::size_t at = 0;
    while (at < expected.size() && at < received.size() && expected[at] == received[at])
        ++at;
    return "the first difference at byte " + std::to_string(at) + " (expected " + std::to_string(expected.size())
        + " bytes, received " + std::to_string(received.size()) + ")";
}

} // namespace zest::test
