# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix threading flavour, which
# gives std::thread and std::mutex), running the built programs under Wine.
#
# The compilers and search rules are those Qt for Windows is built with: one place holds them.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-qt.cmake)

# Test programs run through Wine, with a prefix that belongs to the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

# Programs carry their C and C++ runtimes (winpthreads included), so they need no DLL beyond
# Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
