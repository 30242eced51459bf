#pragma once
// The library-wide values as a freshly loaded library has them, for the length of a
// test: set when the test starts and again when it ends, on every way out of it (a
// failed assertion returns early, an exception unwinds). Tests that change the threshold
// or leave lines behind hold one of these instead of saving and restoring values.

#include "statement/librarystate.h"

namespace zest::test
{

class LibraryReset
{
public:
    LibraryReset() noexcept { Reset(); }
    ~LibraryReset() { Reset(); }
    LibraryReset(const LibraryReset&) = delete;
    LibraryReset& operator=(const LibraryReset&) = delete;

    static void Reset() noexcept
    {
        LibraryState& s = Library();
        s.Area = AreaState {};
        s.Lines = LineBuffer(s.Area);
        s.Spouses.Clear();
    }
};

} // namespace zest::test
