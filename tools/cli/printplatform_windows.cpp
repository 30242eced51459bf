#include "printplatform.h"

namespace zest::cli
{

void ChoosePrintPlatform() { }

} // namespace zest::cli
