#pragma once
// The library's two exports, as the host calls them.

#include <cstdint>

#if defined(_WIN32)
#define ZEST_EXPORT __declspec(dllexport)
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
