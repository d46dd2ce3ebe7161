# GoogleTest built from Debian's source package (/usr/src/googletest) with the including project's
# toolchain, as static libraries. Provides the targets gtest and gtest_main.
set(BASETDIC_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree to build")
if(NOT EXISTS ${BASETDIC_GOOGLETEST_SOURCE_DIR}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${BASETDIC_GOOGLETEST_SOURCE_DIR} "
                      "(Debian package googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
add_subdirectory(${BASETDIC_GOOGLETEST_SOURCE_DIR}/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
