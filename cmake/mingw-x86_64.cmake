# Cross-building a 64-bit Windows build with Debian's MinGW-w64, for testing
# on a machine whose kernel runs no 32-bit code (and so no 32-bit Wine): the
# same sources and tests, run under 64-bit Wine. The program shipped is the
# 32-bit one (mingw-i686.cmake).
# The posix thread model is needed by GoogleTest (std::mutex); the program and
# its tests use the same compilers so that nothing is mixed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
