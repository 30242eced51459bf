#include "credentials.h"

#include <iostream>

#include "passwordfile.h"
#include "statement/environment.h"
#include "statement/session.h"

namespace zest::cli
{

Environment ProcessEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        std::optional<std::string> value = EnvironmentValue(name);
        if (value && value->empty())
            return std::nullopt;
        return value;
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

fb::Credentials ResolveCredentials(const Options& o, const Environment& environment, std::ostream& warnings)
{
    fb::Credentials c;
    c.user = o.user ? *o.user : environment("ISC_USER").value_or("");
    if (o.password)
        c.password = *o.password;
    else if (o.passwordFile == "-")
        c.password = FirstLine(std::cin);
    else if (!o.passwordFile.empty())
        c.password = ReadPasswordFile(o.passwordFile, warnings);
    else
        c.password = environment("ISC_PASSWORD").value_or("");
    c.role = o.role;
    if (fb::Database::IsRemote(o.database) && (c.user.empty() || c.password.empty()))
        throw CredentialsError("a database on a server needs a user name and a password: give --user and --password "
                               "or --password-file, or set ISC_USER and ISC_PASSWORD");
    return c;
}

} // namespace zest::cli
