# Building Qt, and programs that link Qt's DLLs, for 64-bit Windows with Debian's mingw-w64 (the
# posix threading flavour, whose runtime DLLs ship beside Qt's).
#
# Unlike mingw-w64-x86_64.cmake this links the C and C++ runtimes dynamically: Qt's DLLs and the
# program that uses them must share one runtime, so no -static flags here. tools/build_qt_windows.sh
# copies this file into the Qt it installs, where Qt's own qt.toolchain.cmake loads it.
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
