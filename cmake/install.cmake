# What `make install` and `make package` put on a machine, one install component per package:
#   runtime   libkav.so.1                                               -> libkav1
#   dev       kav.h, kav_sync.h, kav_osal.h, libkav.so, kav.pc and the CMake package
#                                                                       -> libkav-dev
#   tools     bin/kav, its man page, the capture library                -> kav-tools
#             lib/kav/libkav_trace.so (trace/CMakeLists.txt) and the Wireshark dissector
#             lib/wireshark/plugins/kav.lua (cli/CMakeLists.txt)
#   loopback  the loopback libvarelmesh.so, varelmesh.h, varelmesh_control.h,
#             kav-loopback.pc and kav::loopback                         -> libkav-loopback-dev
# The loopback is a development stand-in that must never shadow the platform's messaging library,
# so a plain install leaves it out; it is installed on request (`--component loopback`,
# `make install WITH_LOOPBACK=1`) and always packaged, in a package of its own.
include(CMakePackageConfigHelpers)

set(KAV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kav)

# ---- runtime and dev ---------------------------------------------------------------------------
install(TARGETS kav EXPORT kavTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES messages/kav.h messages/kav_sync.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
# The host services the library looks up by name, declared for a C host that defines them.
install(FILES platform/osal/osal_services.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  RENAME kav_osal.h COMPONENT dev)

install(EXPORT kavTargets NAMESPACE kav:: DESTINATION ${KAV_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/kavConfig.cmake.in ${PROJECT_BINARY_DIR}/kavConfig.cmake
  INSTALL_DESTINATION ${KAV_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kavConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kavConfig.cmake ${PROJECT_BINARY_DIR}/kavConfigVersion.cmake
  DESTINATION ${KAV_CMAKE_DIR} COMPONENT dev)

# pkg-config files are written when the prefix is known, at install time (cmake/pc_file.cmake.in).
# Both files name the prefix relative to their own place, so an installed tree can move.
file(RELATIVE_PATH KAV_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" KAV_PC_TO_PREFIX "${KAV_PC_TO_PREFIX}")
function(kav_install_pc name component)
  set(KAV_PC_NAME ${name})
  configure_file(cmake/pc_file.cmake.in ${PROJECT_BINARY_DIR}/pc/${name}.cmake @ONLY)
  install(SCRIPT ${PROJECT_BINARY_DIR}/pc/${name}.cmake COMPONENT ${component} ${ARGN})
  install(FILES ${PROJECT_BINARY_DIR}/pc/${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT ${component} ${ARGN})
endfunction()
kav_install_pc(kav dev)

# ---- tools -------------------------------------------------------------------------------------
# bin/kav comes from cli/; its man page (built with it, cli/CMakeLists.txt) goes in gzipped.
if(TARGET kav_tool)
  set(_kav_man ${PROJECT_BINARY_DIR}/cli/kav.1)
  install(CODE "
    execute_process(COMMAND gzip -9nc \"${_kav_man}\" OUTPUT_FILE \"${_kav_man}.gz\"
                    COMMAND_ERROR_IS_FATAL ANY)
    file(INSTALL \"${_kav_man}.gz\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")" COMPONENT tools)
endif()

# ---- loopback (development only) ---------------------------------------------------------------
set_target_properties(varelmesh PROPERTIES EXPORT_NAME loopback)
install(TARGETS varelmesh EXPORT kavLoopbackTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT loopback EXCLUDE_FROM_ALL)
install(FILES mesh/varelmesh.h platform/varelmesh/varelmesh_control.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT loopback EXCLUDE_FROM_ALL)
install(EXPORT kavLoopbackTargets NAMESPACE kav:: DESTINATION ${KAV_CMAKE_DIR}
  COMPONENT loopback EXCLUDE_FROM_ALL)
kav_install_pc(kav-loopback loopback EXCLUDE_FROM_ALL)

# ---- Debian packages (`make package`) ----------------------------------------------------------
# One package per component. To add a package, install its files under a new component and give
# it a name, a section and a description here, e.g. for the Python binding:
#   install(... COMPONENT python)
#   list(APPEND CPACK_COMPONENTS_ALL python)
#   set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kav)
#   set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
#   set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
#   set(CPACK_COMPONENT_PYTHON_DESCRIPTION "summary line\nlonger text")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libkav)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")  # each package has its own summary line
set(CPACK_PACKAGE_CONTACT "libkav maintainers <maintainers@users.noreply.c-seed-a86704bc.example>"
    CACHE STRING "Maintainer field of the Debian packages")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install steps run with DESTDIR, so CMAKE_INSTALL_PREFIX is /usr while they run.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev tools loopback)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# libkav.so.1 needs libvarelmesh.so, which the platform provides and no package of this machine
# owns: dpkg-shlibdeps finds the build's stand-in here and adds no dependency for it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/platform/varelmesh)

# Packages with a library in the loader's directories update its cache through the ldconfig trigger.
set(_kav_ldconfig_trigger ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkav1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${_kav_ldconfig_trigger})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The number of messages: the lines of the two message lists (X(kav, name), X(kav_sync, name)).
file(READ ${PROJECT_SOURCE_DIR}/messages/kav.h _kav_h)
file(READ ${PROJECT_SOURCE_DIR}/messages/kav_sync.h _kav_sync_h)
string(REGEX MATCHALL "\n *X\\(kav(_sync)?, [a-z0-9_]+\\)" _kav_list "${_kav_h}${_kav_sync_h}")
list(LENGTH _kav_list _kav_message_count)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS messages/kav.h messages/kav_sync.h)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "message codecs of the kav and kav_sync packages
libkav.so.1 packs, unpacks and sends the ${_kav_message_count} messages of the kav and kav_sync
packages through the platform's messaging library, libvarelmesh.so, which
the platform provides.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkav-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
# Every program that links libkav.so needs a libvarelmesh.so to link against: the platform's
# development package, or on a machine without it the loopback, which provides the same name.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libvarelmesh-dev | libkav-loopback-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION "message codecs of the kav and kav_sync packages (development files)
C99 headers kav.h and kav_sync.h, the declarations of the host services
the library looks up (kav_osal.h), the link libkav.so, kav.pc for
pkg-config and the CMake package kav.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kav-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "inspector of kav and kav_sync message buffers
kav lists the messages, decodes and explains buffers and encodes JSON,
with the same engine as libkav. It never sends anything. The capture
library libkav_trace.so, preloaded into an unchanged program, records
every message it sends and receives in a pcapng file, and Wireshark's
dissector kav.lua shows every field of every message in such a file.")

set(CPACK_DEBIAN_LOOPBACK_PACKAGE_NAME libkav-loopback-dev)
set(CPACK_DEBIAN_LOOPBACK_PACKAGE_CONTROL_EXTRA ${_kav_ldconfig_trigger})
set(CPACK_DEBIAN_LOOPBACK_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_LOOPBACK_DEPENDS dev)
set(CPACK_DEBIAN_LOOPBACK_PACKAGE_PROVIDES libvarelmesh-dev)
set(CPACK_COMPONENT_LOOPBACK_DESCRIPTION "loopback messaging library for testing libkav (development only)
A stand-in for the platform's messaging library, installed as
libvarelmesh.so: it records every call and hands each sent message straight
back to the hooks registered for it, so tests and examples can watch what
the send functions deliver (varelmesh_control.h, kav-loopback.pc).
For development machines only: it replaces the platform's libvarelmesh.so
and delivers nothing to other processes.")

# The Python package, where the build makes it (pybind11 and the distribution's python3 found).
if(TARGET kav_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kav)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.11), python3 (<< 3.12)")
  # py3compile on configure, py3clean on removal, as Debian's own Python packages do.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/python3-kav/postinst
      ${PROJECT_SOURCE_DIR}/cmake/debian/python3-kav/prerm)
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python 3 package kav: encode, decode and explain kav message buffers
The libkav codec linked in, with the inspector's explain, identify and
skeleton: craft a message, decode what a process sent back, and see which
byte breaks a malformed buffer. Needs no messaging library.")
endif()

include(CPack)
