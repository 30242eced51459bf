// The tool as a child process on POSIX systems: fork and execve, the output read through
// pipes.
#include "clirunner.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zest::test
{

namespace
{

struct Pipe {
    int fd[2] = { -1, -1 };
    Pipe()
    {
        if (::pipe2(fd, O_CLOEXEC) != 0)
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    ~Pipe()
    {
        CloseEnd(0);
        CloseEnd(1);
    }
    void CloseEnd(int i)
    {
        if (fd[i] >= 0)
            ::close(fd[i]);
        fd[i] = -1;
    }
};

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const CliEnv& env)
{
    // Everything the child needs is built before fork: the child only calls
    // async-signal-safe functions (the test process may run threads).
    std::vector<std::string> argStore;
    argStore.push_back(ZEST_CLI_PATH);
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (!env.set.count(name))
            envStore.push_back(entry);
    }
    for (const auto& [name, value] : env.set)
        envStore.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    Pipe out, err;
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        ::dup2(env.standardOutput >= 0 ? env.standardOutput : out.fd[1], STDOUT_FILENO);
        ::dup2(err.fd[1], STDERR_FILENO);
        if (env.fileSizeLimit >= 0) {
            const rlimit lim { static_cast<rlim_t>(env.fileSizeLimit), static_cast<rlim_t>(env.fileSizeLimit) };
            ::setrlimit(RLIMIT_FSIZE, &lim);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    out.CloseEnd(1);
    err.CloseEnd(1);
    if (env.standardOutput >= 0)
        out.CloseEnd(0);
    if (env.started)
        env.started(pid);

    CliResult r;
    pollfd fds[2] = { { out.fd[0], POLLIN, 0 }, { err.fd[0], POLLIN, 0 } };
    std::string* sinks[2] = { &r.out, &r.err };
    int open = out.fd[0] >= 0 ? 2 : 1;
    char chunk[65536];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (WIFEXITED(status)) {
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
    return r;
}

std::string DescribeDifference(const std::string& expected, const std::string& received)
{
    const std::string command = "diff -u --text '" + expected + "' '" + received + "' 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            out.append(chunk, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace zest::test
