# Packs the Windows build into ZIP: the plug-in, the tools, the Win32 test host and every
# library they load that Windows does not have, flat in one folder, with README-windows.txt.
#   cmake -DZIP=... -DSTAGE=... -DWINSDK=... -DREADME=... -DFILES=a,b,... -DBITS=64|32
#         -DVERSION=... [-DSTRIP=...] -P windows-package.cmake
# STAGE is the folder the zip holds, made anew. README is filled in with the bitness, the
# version and the name of the GCC run-time DLL of the SDK (seh on x86_64, dw2 on i686).
foreach(var ZIP STAGE WINSDK README FILES BITS VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "windows-package.cmake: ${var} is not set")
  endif()
endforeach()
string(REPLACE "," ";" FILES "${FILES}")

file(REMOVE_RECURSE "${STAGE}")
get_filename_component(top "${STAGE}" NAME)
file(MAKE_DIRECTORY "${STAGE}/platforms" "${STAGE}/styles")

file(COPY ${FILES} DESTINATION "${STAGE}")
# Our own programs without their symbol tables (the SDK's libraries come stripped).
if(STRIP)
  foreach(f IN LISTS FILES)
    get_filename_component(name "${f}" NAME)
    execute_process(COMMAND ${STRIP} --strip-unneeded "${STAGE}/${name}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot strip ${name}")
    endif()
  endforeach()
endif()
if(BITS EQUAL 32)
  set(OTHER_BITS 64)
else()
  set(OTHER_BITS 32)
endif()
file(GLOB GCC_RUNTIME RELATIVE "${WINSDK}/mingw-runtime" "${WINSDK}/mingw-runtime/libgcc_s_*.dll")
get_filename_component(readme "${README}" NAME)
configure_file("${README}" "${STAGE}/${readme}" @ONLY)
# Qt: the modules the plug-in and the tools import, the platform plug-in and the style of
# the system's look.
foreach(module Core Gui Widgets PrintSupport)
  file(COPY "${WINSDK}/qt6/bin/Qt6${module}.dll" DESTINATION "${STAGE}")
endforeach()
file(COPY "${WINSDK}/qt6/plugins/platforms/qwindows.dll" DESTINATION "${STAGE}/platforms")
file(COPY "${WINSDK}/qt6/plugins/styles/qwindowsvistastyle.dll" DESTINATION "${STAGE}/styles")
# The C++ runtime of mingw-w64, the Firebird client, SQLite.
file(GLOB runtime "${WINSDK}/mingw-runtime/*.dll")
file(COPY ${runtime} "${WINSDK}/firebird/bin/fbclient.dll" "${WINSDK}/sqlite/bin/sqlite3.dll"
  DESTINATION "${STAGE}")

file(REMOVE "${ZIP}")
get_filename_component(parent "${STAGE}" DIRECTORY)
file(GLOB_RECURSE staged RELATIVE "${parent}" "${STAGE}/*")
list(SORT staged)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${ZIP}" --format=zip ${staged}
  WORKING_DIRECTORY "${parent}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot write ${ZIP}")
endif()
file(SIZE "${ZIP}" size)
list(LENGTH staged count)
message(STATUS "${ZIP}: ${count} files, ${size} bytes")
