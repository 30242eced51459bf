#pragma once
// The scope guard of the code without Qt (the client wrapper, the statement core, the
// demo register tool); code that has Qt uses qScopeGuard.

#include <utility>

namespace zest
{

// Calls `f` when the scope ends, on every way out; `f` must not throw.
template <typename F> class [[nodiscard]] ScopeExit
{
public:
    explicit ScopeExit(F f)
        : f_(std::move(f))
    {
    }
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};

} // namespace zest
