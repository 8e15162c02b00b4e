# Cross build for 32-bit Windows with Debian's mingw-w64 (-posix) compilers.
# It is compiled to keep the 32-bit program clean; its tests are not run
# (configure it with -DCORVANE_BUILD_TESTS=OFF).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVANE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
