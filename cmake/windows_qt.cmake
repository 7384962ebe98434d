# Finds the Qt 6 built for Windows by tools/build_qt_windows.sh, for the configuration application.
#
# PIXORIA_QT_WINDOWS_PREFIX names that Qt's install prefix (the folder holding bin/qt-cmake); left
# empty, the folder that the script would build is asked for (`--print-prefix`, which builds
# nothing). Qt's moc, uic and rcc are Debian's own Qt 6 host tools (QT_HOST_PATH=/usr), the same
# version that Qt was built with.
set(PIXORIA_QT_WINDOWS_PREFIX "" CACHE PATH
    "Qt 6 for Windows, as installed by tools/build_qt_windows.sh (empty: that script's cache)")
if(NOT PIXORIA_QT_WINDOWS_PREFIX)
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/tools/build_qt_windows.sh --print-prefix
    OUTPUT_VARIABLE printed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE ".*\n" "" printed "${printed}")
  set(PIXORIA_QT_WINDOWS_PREFIX ${printed} CACHE PATH "" FORCE)
endif()
if(NOT EXISTS ${PIXORIA_QT_WINDOWS_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake)
  message(FATAL_ERROR "No Qt for Windows in '${PIXORIA_QT_WINDOWS_PREFIX}'. Build it with "
    "tools/build_qt_windows.sh (its last line is the prefix to pass as "
    "-DPIXORIA_QT_WINDOWS_PREFIX), or configure with -DPIXORIA_BUILD_APP=OFF for the agent alone.")
endif()

# What Qt's own qt.toolchain.cmake does: its prefix is one more root to find packages under, since
# the toolchain confines package searches to the roots.
list(PREPEND CMAKE_PREFIX_PATH ${PIXORIA_QT_WINDOWS_PREFIX}/lib/cmake)
list(PREPEND CMAKE_FIND_ROOT_PATH ${PIXORIA_QT_WINDOWS_PREFIX})
set(QT_HOST_PATH /usr CACHE PATH "Qt's host tools (moc, uic, rcc): Debian's Qt 6")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Debian's Qt 6 CMake files")

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network)

# Programs that link Qt's DLLs share the C and C++ runtimes with them, as DLLs: this undoes, for
# the calling folder, the static linking that the toolchain gives PixoriaHelper.exe.
macro(pixoria_use_shared_runtime)
  foreach(flag -static-libstdc++ -static-libgcc -static)
    string(REPLACE "${flag}" "" CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS}")
  endforeach()
endmacro()
