# The Windows build (preset `windows`): cross-compiled with mingw-w64 against the Windows
# SDK folder (Qt 6, the Firebird client, SQLite, GoogleTest, the mingw runtime), whose own
# toolchain file names the compilers, the find roots and wine as the emulator that runs
# the tests. The folder is ZEST_WINSDK (cache variable or environment variable), by default
# ../shared/winsdk beside the source folder; it is used in place, never copied.
if(NOT ZEST_WINSDK)
  if(DEFINED ENV{ZEST_WINSDK} AND NOT "$ENV{ZEST_WINSDK}" STREQUAL "")
    set(_zest_winsdk "$ENV{ZEST_WINSDK}")
  else()
    get_filename_component(_zest_winsdk "${CMAKE_CURRENT_LIST_DIR}/../../shared/winsdk" ABSOLUTE)
  endif()
  set(ZEST_WINSDK "${_zest_winsdk}" CACHE PATH "The Windows SDK folder (toolchain-mingw64.cmake and the DLLs)")
  unset(_zest_winsdk)
endif()
if(NOT EXISTS "${ZEST_WINSDK}/toolchain-mingw64.cmake")
  message(FATAL_ERROR "No Windows SDK at ${ZEST_WINSDK}: set ZEST_WINSDK to the folder that holds "
    "toolchain-mingw64.cmake")
endif()
# try_compile projects read this file again: they get the folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZEST_WINSDK)
include("${ZEST_WINSDK}/toolchain-mingw64.cmake")
