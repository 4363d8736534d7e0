# GoogleTest for a cross build, compiled for the target from the sources Debian ships in the
# package googletest (/usr/src/googletest). Every later find_package(GTest) in the project is
# redirected to these targets (GTest::gtest, GTest::gtest_main, GTest::gmock, GTest::gmock_main,
# and the older GTest::GTest / GTest::Main).
set(KAV_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources built for a cross target")
if(NOT EXISTS ${KAV_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "Cross build: GoogleTest sources not found in ${KAV_GOOGLETEST_SOURCE_DIR} "
                      "(apt-get install googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KAV_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
# Third-party code: the project's warning flags (and -Werror) do not apply to it.
foreach(_kav_gtest_target IN ITEMS gtest gtest_main gmock gmock_main)
  target_compile_options(${_kav_gtest_target} PRIVATE -w)
endforeach()
add_library(GTest::GTest ALIAS gtest)
add_library(GTest::Main ALIAS gtest_main)

file(READ ${KAV_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt _kav_gtest_cmakelists)
string(REGEX MATCH "GOOGLETEST_VERSION ([0-9.]+)" _ ${_kav_gtest_cmakelists})
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake
  "# Provided by the project: GoogleTest built for the cross target.\n"
  "set(GTest_FOUND TRUE)\nset(GTEST_FOUND TRUE)\n")
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config-version.cmake
  "set(PACKAGE_VERSION ${CMAKE_MATCH_1})\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n"
  "if(PACKAGE_FIND_VERSION VERSION_EQUAL PACKAGE_VERSION)\n  set(PACKAGE_VERSION_EXACT TRUE)\nendif()\n")
message(STATUS "Cross build: GoogleTest ${CMAKE_MATCH_1} from ${KAV_GOOGLETEST_SOURCE_DIR}, run through ${CMAKE_CROSSCOMPILING_EMULATOR}")
