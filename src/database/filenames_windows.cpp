// The client takes UTF-8 file names (isc_dpb_utf8_filename) on Windows whatever the
// locale: nothing to set.
#include "database.h"

namespace zest::fb
{

void UseUtf8FileNames() noexcept { }

} // namespace zest::fb
