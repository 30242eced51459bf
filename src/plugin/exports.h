#pragma once
// The library's two exports, as the host calls them.

#include <cstdint>

#if defined(_WIN32)
// Named in the export table by exports.def alone, undecorated. A __declspec(dllexport)
// would add the compiler's own name, which on 32-bit Windows is the __stdcall one
// ("GetTypeName@12", "Analiza@24"), beside the host's.
#define ZEST_EXPORT
#define ZEST_CALL __stdcall
#else
#define ZEST_EXPORT __attribute__((visibility("default")))
#define ZEST_CALL
#endif

extern "C" {

// Caption receives the address of the action's caption (static, single-byte text),
// Kind the value 1; hostAppHandle is the host's main window.
ZEST_EXPORT void ZEST_CALL GetTypeName(const char** caption, std::int32_t* kind, std::uint32_t hostAppHandle);

// Opens or brings back the statement window on the database with these credentials.
// The two reserved values are not read.
ZEST_EXPORT void ZEST_CALL Analiza(std::int32_t reserved1, const char* databaseName, const char* userName,
    const char* password, const char* roleName, std::int32_t reserved2);

using GetTypeNameFn = void(ZEST_CALL*)(const char**, std::int32_t*, std::uint32_t);
using AnalizaFn = void(ZEST_CALL*)(std::int32_t, const char*, const char*, const char*, const char*, std::int32_t);
}

// The sizes the host's interface fixes, whatever the bitness: the window handle, the kind
// and the two reserved values are 32 bits, the caption's out parameter and the texts are
// pointers (4 bytes in a 32-bit host, 8 in a 64-bit one). A 32-bit host pops 12 bytes
// after GetTypeName and 24 after Analiza (tests/plugin/hostabi_test.cpp calls them so).
static_assert(sizeof(std::uint32_t) == 4 && sizeof(std::int32_t) == 4, "the handle and the reserved values are 32-bit");
static_assert(sizeof(const char**) == sizeof(void*) && sizeof(const char*) == sizeof(void*),
    "the caption's out parameter and the texts are pointer-sized");
