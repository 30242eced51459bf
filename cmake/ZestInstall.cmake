# What `cmake --install` puts where on Linux (the Debian package's layout, GNUInstallDirs):
#   lib/<multiarch>/zestawienia/libzestawienia.so   the plug-in, in a folder of its own: a
#                                                   host names it by its full path
#   bin/                                            the tools and the two hosts
#   share/man/man1/                                 their manual pages (man/)
#   share/doc/zestawienia/                          README.md and LICENSE
# The benchmarks, the tests, the network forwarder and the fuzz targets stay in the
# build tree.

install(TARGETS zestawienia LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/zestawienia)

set(ZEST_PROGRAMS zestawienia-cli zestawienia-demo-register zestawienia-host)
if(TARGET zestawienia-gtk-host)
  list(APPEND ZEST_PROGRAMS zestawienia-gtk-host)
endif()
install(TARGETS ${ZEST_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# They link no shared library of ours: none of the run paths that Qt's project set-up
# adds ($ORIGIN, $ORIGIN/../lib).
set_target_properties(zestawienia ${ZEST_PROGRAMS} PROPERTIES INSTALL_RPATH "")
# The manual pages (man/), with the version and the plug-in's installed path filled in.
set(ZEST_PLUGIN_PATH
  ${CMAKE_INSTALL_FULL_LIBDIR}/zestawienia/${CMAKE_SHARED_LIBRARY_PREFIX}zestawienia${CMAKE_SHARED_LIBRARY_SUFFIX})
set(ZEST_MAN_DIR ${PROJECT_BINARY_DIR}/man)
foreach(program IN LISTS ZEST_PROGRAMS)
  configure_file(${PROJECT_SOURCE_DIR}/man/${program}.1.in ${ZEST_MAN_DIR}/${program}.1 @ONLY)
  install(FILES ${ZEST_MAN_DIR}/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zestawienia)

# The hosts load the installed plug-in by default: its path relative to theirs.
file(RELATIVE_PATH ZEST_INSTALLED_PLUGIN ${CMAKE_INSTALL_FULL_BINDIR} ${ZEST_PLUGIN_PATH})
foreach(host zestawienia-host zestawienia-gtk-host)
  if(TARGET ${host})
    target_compile_definitions(${host} PRIVATE ZEST_INSTALLED_PLUGIN="${ZEST_INSTALLED_PLUGIN}")
  endif()
endforeach()
