# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix threading flavour, which
# gives std::thread and std::mutex), running the built programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PIXORIA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PIXORIA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PIXORIA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PIXORIA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PIXORIA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through Wine, with a prefix that belongs to the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

# Programs carry their C and C++ runtimes (winpthreads included), so they need no DLL beyond
# Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
