# The Windows builds (presets `windows` and `windows32`): cross-compiled with mingw-w64
# against a Windows SDK folder (Qt 6, the Firebird client, SQLite, GoogleTest, the mingw
# runtime), whose own toolchain file names the compilers, the find roots and wine as the
# emulator that runs the tests. The bitness is the one thing the two presets set apart:
# ZEST_WINDOWS_BITS, 64 (x86_64, the default) or 32 (i686, for 32-bit hosts). It picks the
# SDK folder and its toolchain file:
#   64: ZEST_WINSDK (cache or environment variable), by default ../shared/winsdk,
#       with toolchain-mingw64.cmake
#   32: ZEST_WINSDK (cache variable) or the environment variable ZEST_WINSDK32, by default
#       ../shared/winsdk32, with toolchain-mingw32.cmake
# The folder is used in place, never copied.
if(NOT ZEST_WINDOWS_BITS)
  set(ZEST_WINDOWS_BITS 64 CACHE STRING "The Windows build's bitness: 64 (x86_64) or 32 (i686)")
endif()
if(ZEST_WINDOWS_BITS STREQUAL "64")
  set(_zest_sdk_env ZEST_WINSDK)
  set(_zest_sdk_dir winsdk)
elseif(ZEST_WINDOWS_BITS STREQUAL "32")
  set(_zest_sdk_env ZEST_WINSDK32)
  set(_zest_sdk_dir winsdk32)
else()
  message(FATAL_ERROR "ZEST_WINDOWS_BITS is ${ZEST_WINDOWS_BITS}: 64 or 32")
endif()
set(_zest_toolchain toolchain-mingw${ZEST_WINDOWS_BITS}.cmake)
if(NOT ZEST_WINSDK)
  if(DEFINED ENV{${_zest_sdk_env}} AND NOT "$ENV{${_zest_sdk_env}}" STREQUAL "")
    set(_zest_winsdk "$ENV{${_zest_sdk_env}}")
  else()
    get_filename_component(_zest_winsdk "${CMAKE_CURRENT_LIST_DIR}/../../shared/${_zest_sdk_dir}" ABSOLUTE)
  endif()
  set(ZEST_WINSDK "${_zest_winsdk}" CACHE PATH "The Windows SDK folder (${_zest_toolchain} and the DLLs)")
  unset(_zest_winsdk)
endif()
if(NOT EXISTS "${ZEST_WINSDK}/${_zest_toolchain}")
  message(FATAL_ERROR "No ${ZEST_WINDOWS_BITS}-bit Windows SDK at ${ZEST_WINSDK}: set ${_zest_sdk_env} "
    "to the folder that holds ${_zest_toolchain}")
endif()
# try_compile projects read this file again: they get the folder and the bitness too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZEST_WINSDK ZEST_WINDOWS_BITS)
include("${ZEST_WINSDK}/${_zest_toolchain}")
unset(_zest_toolchain)
unset(_zest_sdk_env)
unset(_zest_sdk_dir)
