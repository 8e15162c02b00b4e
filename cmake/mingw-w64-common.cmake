# What the two Windows toolchains share: Debian's mingw-w64 compilers of
# the -posix flavour (the win32-thread flavour has no std::thread in GCC 12),
# the system's headers and libraries found under the target's root only,
# and a static runtime, so corvane.exe runs with no DLL beside it.
# Expects CORVANE_MINGW_TRIPLE to be set by the including file.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12's atomic wait has no futex on Windows and falls back to a
# condition variable whose waiter checks the value outside the lock the
# notifier takes, so a wake-up can be lost (GCC bug 106183). std::semaphore
# is built on it, and std::stop_callback waits on one when its callback runs
# on another thread: the link's close could hang for ever joining a worker
# that was woken by the stop. winpthreads' own semaphore has no such gap.
set(CMAKE_CXX_FLAGS_INIT "-D_GLIBCXX_USE_POSIX_SEMAPHORE=1")

# libgcc, libstdc++ and winpthread linked in: a test program run under Wine
# and the program on an operator's PC find no DLL missing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
