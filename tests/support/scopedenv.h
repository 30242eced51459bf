#pragma once
// An environment variable set for the length of a scope and put back as it was.

#include <cstdlib>
#include <optional>
#include <string>

namespace zest::test
{

class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(name, value.c_str());
    }
    ~ScopedEnv() { Set(name_, old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    // Sets the variable, or removes it for null.
    static void Set(const char* name, const char* value)
    {
#if defined(_WIN32)
        // An empty value removes the variable on Windows: a set empty value stays unset.
        _putenv_s(name, value ? value : "");
#else
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

} // namespace zest::test
