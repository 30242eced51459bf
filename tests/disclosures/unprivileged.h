#pragma once
// A body run in a child process that permissions stop: "nobody" when the test runs as
// root, the test's own user otherwise.

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zest::test
{

// Returns the text the body gave back.
inline std::string Unprivileged(const std::function<std::string()>& body)
{
    int out[2];
    if (pipe(out) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        std::string text = "could not drop privileges";
        if (geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0))
            text = body();
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return text;
}

} // namespace zest::test
