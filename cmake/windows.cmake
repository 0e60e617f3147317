# What the Windows build (mingw-w64, cmake/mingw-w64-x86_64.cmake) needs
# beyond the Linux one: the header-only and source-only dependencies Debian
# ships for the build machine, reached without putting the build machine's
# /usr/include on the cross compiler's path (its C library headers would
# shadow the target's).

# Programs and DLLs side by side: a DLL is found beside the program.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(ORLIX_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${ORLIX_HOST_HEADERS})

# CLI11 is header-only: its folder alone.
if(EXISTS /usr/include/CLI/CLI.hpp AND NOT TARGET CLI11::CLI11)
  file(CREATE_LINK /usr/include/CLI ${ORLIX_HOST_HEADERS}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${ORLIX_HOST_HEADERS})
endif()

# xxHash compiled into the code that includes it (no library to link).
if(EXISTS /usr/include/xxhash.h)
  file(CREATE_LINK /usr/include/xxhash.h ${ORLIX_HOST_HEADERS}/xxhash.h SYMBOLIC)
  set(ORLIX_XXHASH_INCLUDE_DIR ${ORLIX_HOST_HEADERS})
endif()

# GoogleTest from the sources Debian ships.
if(ORLIX_TESTS AND NOT TARGET GTest::gtest)
  set(ORLIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ORLIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
