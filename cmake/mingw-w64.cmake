# Cross-building the Qt-free libraries and their tests for 64-bit Windows with Debian's
# mingw-w64 (the POSIX thread model, which std::thread and std::mutex need).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUORVA_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVA_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw-w64 tree only, never from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libgcc, libstdc++, winpthread) is linked in, so each .exe runs without the
# compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
