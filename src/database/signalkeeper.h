#pragma once
// The process's own handling of the termination signals, kept across the client library.
//
// At its first attachment (a failed one too) the client installs handlers for SIGINT and
// SIGTERM that shut its attachments down and return, so that a process that has attached
// never ends on them: a host program stopped by the desktop at logout or by a service
// manager would live on. The dispositions the process had before an attachment (the
// default, an ignore, a handler of its own) are put back when the call returns.
// One implementation per platform (signalkeeper_posix.cpp, signalkeeper_windows.cpp).

namespace zest::fb
{

class SignalKeeper
{
public:
    // Saves the dispositions, unless another thread's attachment is under way (then its
    // saved ones stand for both).
    SignalKeeper() noexcept;
    // Puts them back once the last attachment under way has returned.
    ~SignalKeeper();
    SignalKeeper(const SignalKeeper&) = delete;
    SignalKeeper& operator=(const SignalKeeper&) = delete;
};

} // namespace zest::fb
