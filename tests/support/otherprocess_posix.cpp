#include "otherprocess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "testregister.h"

namespace zest::test
{

HeldRegister::HeldRegister(const std::string& path)
{
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    std::string program = ZEST_HOLD_REGISTER_PATH, file = path;
    char* argv[] = { program.data(), file.data(), nullptr };
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    // Held once it says so; up to 30 s for the engine to start.
    char said[8] = {};
    pollfd p { out[0], POLLIN, 0 };
    const bool held = pid_ > 0 && ::poll(&p, 1, 30000) == 1 && ::read(out[0], said, sizeof said - 1) > 0
        && std::strncmp(said, "held", 4) == 0;
    ::close(out[0]);
    if (!held) {
        Release();
        throw std::runtime_error("zest-hold-register could not open " + path);
    }
}

HeldRegister::~HeldRegister()
{
    Release();
}

void HeldRegister::Release() noexcept
{
    if (input_ >= 0)
        ::close(input_);
    input_ = -1;
    if (pid_ > 0)
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) { }
    pid_ = -1;
}

PlainWireServer::PlainWireServer()
    : dir_(UniqueTempPath("plainwire", ".d"))
{
    const std::string command = std::string(ZEST_PLAINWIRE_SCRIPT) + " start '" + dir_ + "' 2>&1";
    std::string said;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            said.append(chunk, n);
        const int status = ::pclose(pipe);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            port_ = std::atoi(said.c_str());
    }
    if (port_ == 0)
        why_ = said.empty() ? "the server script did not run" : said;
}

PlainWireServer::~PlainWireServer()
{
    const std::string command = std::string(ZEST_PLAINWIRE_SCRIPT) + " stop '" + dir_ + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

std::string PlainWireServer::Name(const std::string& fileName) const
{
    return "127.0.0.1/" + std::to_string(port_) + ":" + dir_ + "/" + fileName;
}

} // namespace zest::test
