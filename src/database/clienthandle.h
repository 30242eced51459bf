#pragma once
// Ownership of the client library's handles. A handle is a number the library hands
// out; each kind has one call that ends it (detach, roll back, drop, close). Its owner
// ends it when the owner goes, so no path, an exception's included, leaves one behind.

namespace zest::fb::detail
{

// The client library's handle type on this platform, as ibase.h has it (FB_API_HANDLE): a
// number on 64-bit systems, a pointer on 32-bit ones (the 32-bit Windows build). Either
// way 0 is no handle.
#if defined(_LP64) || defined(__LP64__) || defined(__arch64__) || defined(_WIN64)
using RawHandle = unsigned int;
#else
using RawHandle = void*;
#endif

// The calls that end a handle; each ignores a failure (a lost connection leaves
// nothing that could still be ended) and leaves the handle 0.
void EndAttachment(RawHandle& handle) noexcept; // detaches
void EndTransaction(RawHandle& handle) noexcept; // rolls back
void EndStatement(RawHandle& handle) noexcept; // drops
void EndBlob(RawHandle& handle) noexcept; // closes

template <void (*End)(RawHandle&) noexcept> class OwnedHandle
{
public:
    OwnedHandle() = default;
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    // For the client calls that fill the handle or take it by address.
    RawHandle* ptr() noexcept { return &handle_; }
    explicit operator bool() const noexcept { return handle_ != 0; }
    void reset() noexcept
    {
        if (handle_ != 0)
            End(handle_);
        handle_ = 0;
    }
    // After a client call that ended the handle itself (commit, drop).
    void forget() noexcept { handle_ = 0; }

private:
    RawHandle handle_ = 0;
};

using AttachmentHandle = OwnedHandle<&EndAttachment>;
using TransactionHandle = OwnedHandle<&EndTransaction>;
using StatementHandle = OwnedHandle<&EndStatement>;
using BlobHandle = OwnedHandle<&EndBlob>;

} // namespace zest::fb::detail
