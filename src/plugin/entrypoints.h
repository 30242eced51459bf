#pragma once
// The work behind the two exports and the library's unload. None of these throws.

#include <cstdint>

namespace zest::plugin
{

// The caption of the one action the library offers.
inline constexpr char ActionCaption[] = "Akcja - Mezvar";
inline constexpr std::int32_t ActionKind = 1;

// Hands out caption and kind (each only when its pointer is given), stores the host's
// window handle and forgets the current statement window without closing it.
void GetTypeName(const char** caption, std::int32_t* kind, std::uint32_t hostAppHandle) noexcept;

// Copies the texts (a null pointer reads as empty text), creates the statement window
// when there is none, connects unless the open connection serves the same database,
// user and password, and shows the window. Errors end up in message boxes. Makes the
// library's own QApplication when the process has none (application.h); from a thread
// that cannot show windows it shows nothing and says so on standard error. The windows
// are owned by the window GetTypeName named (windowowner.h). Called while a handler of
// the library's windows is on the stack (from its nested loop: a run's progress, a
// box), it only brings the window to front and remembers the request; the latest one
// is carried out once the handlers have returned.
void Analiza(const char* databaseName, const char* userName, const char* password, const char* roleName) noexcept;

// Creates the library-wide state at load, so that it outlives the unload handler
// that is created right after it, and holds the library loaded while its handlers
// spin nested loops (libraryhold.h).
void Load() noexcept;

// Destroys every statement window (with its preview window and connection, rolled back
// and detached), then Qt's stand-ins for the host's windows. When the application object
// is already gone, or this is not its thread, only the connections are closed; with a
// handler on the stack (the process ending inside its nested loop) the windows are
// only hidden.
void Unload() noexcept;

} // namespace zest::plugin
