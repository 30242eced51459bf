#include "blob.h"

#include "clientstatus.h"

namespace zest::fb
{

std::string ReadBlob(detail::RawHandle* db, detail::RawHandle* tr, ISC_QUAD id)
{
    Status st {};
    detail::BlobHandle blob;
    isc_open_blob2(st, db, tr, blob.ptr(), &id, 0, nullptr);
    Check(st);
    std::string text;
    char seg[8192];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = isc_get_segment(st, blob.ptr(), &got, sizeof seg, seg);
        if (rc != 0 && rc != isc_segment)
            break;
        text.append(seg, got);
    }
    // The end of the blob is the one failure the loop expects.
    if (st[1] != 0 && st[1] != isc_segstr_eof && st[1] != isc_segment)
        Check(st);
    return text;
}

} // namespace zest::fb
