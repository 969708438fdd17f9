# The 32-bit Windows toolchain with MinGW's POSIX thread model, which GoogleTest needs (std::mutex):
# the conformance build of the layer's tests. The program itself keeps the default (win32) thread model.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
