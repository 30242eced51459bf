// On Windows the client installs no handlers of the process's termination (console
// control events or signals) at an attachment: nothing to keep.
#include "signalkeeper.h"

namespace zest::fb
{

SignalKeeper::SignalKeeper() noexcept = default;

SignalKeeper::~SignalKeeper() = default;

} // namespace zest::fb
