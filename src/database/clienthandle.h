#pragma once
// Ownership of the client library's handles. A handle is a number the library hands
// out; each kind has one call that ends it (detach, roll back, drop, close). Its owner
// ends it when the owner goes, so no path, an exception's included, leaves one behind.

#include <type_traits>

namespace zest::fb::detail
{

// The client library's handle type on this platform (ibase.h's FB_API_HANDLE, checked in
// clienthandle.cpp): a number in a 64-bit process, a pointer in a 32-bit one (the 32-bit
// Windows build). Either way 0 is no handle.
using RawHandle = std::conditional_t<sizeof(void*) == 8, unsigned int, void*>;

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
