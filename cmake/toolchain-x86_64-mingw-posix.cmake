# The x86_64 cross build with mingw-w64's posix thread model, whose C++
# library has std::thread (scrpack's workers); the win32 model's has none
# before GCC 13.  winpthreads is linked in statically.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-x86_64-mingw.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
