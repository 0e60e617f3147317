# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix-threads
# flavour, which has std::thread and std::mutex):
#   cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORLIX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORLIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORLIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORLIX_MINGW_PREFIX}-windres)

# Headers and libraries of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORLIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and DLLs carry their own C++ runtime and threads, so that they
# run beside nothing else (under wine too).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The tests run under wine from ctest.
find_program(ORLIX_WINE NAMES wine wine64)
if(ORLIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORLIX_WINE})
endif()
