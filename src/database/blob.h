#pragma once
// Reading a blob column whole, for the files of this folder.

#include <ibase.h>
#include <string>

#include "clienthandle.h"

namespace zest::fb
{

// The bytes of the blob with this id, read in the given attachment and transaction.
std::string ReadBlob(detail::RawHandle* db, detail::RawHandle* tr, ISC_QUAD id);

} // namespace zest::fb
