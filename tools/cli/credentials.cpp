#include "credentials.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "statement/errortext.h"

namespace zest::cli
{

Environment ProcessEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value || !*value)
            return std::nullopt;
        return std::string(value);
    };
}

std::string FirstLine(std::istream& in)
{
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

fb::Credentials ResolveCredentials(const Options& o, const Environment& environment)
{
    fb::Credentials c;
    c.user = o.user ? *o.user : environment("ISC_USER").value_or("SYSDBA");
    if (o.password) {
        c.password = *o.password;
    } else if (o.passwordFile == "-") {
        c.password = FirstLine(std::cin);
    } else if (!o.passwordFile.empty()) {
        std::ifstream in(o.passwordFile, std::ios::binary);
        if (!in)
            throw std::runtime_error(
                "Cannot read password file " + PathText(o.passwordFile) + ": " + SystemText(errno));
        c.password = FirstLine(in);
    } else {
        c.password = environment("ISC_PASSWORD").value_or("masterkey");
    }
    c.role = o.role;
    return c;
}

} // namespace zest::cli
