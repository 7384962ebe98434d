# The application's build tools when the application is cross-compiled for Windows: the icon
# renderer needs QtSvg, which the Windows Qt lacks, and must run here anyway. Both tools are built
# for the build machine with its compiler and Debian's Qt 6, the way the agent's make_icon is.
# Sets PIXORIA_RENDER_ICON and PIXORIA_PACK_ICO to the tools' paths, usable in COMMAND and DEPENDS.
find_program(PIXORIA_HOST_CXX NAMES g++ c++ REQUIRED)
find_program(PIXORIA_HOST_PKG_CONFIG NAMES pkg-config REQUIRED)
execute_process(COMMAND ${PIXORIA_HOST_PKG_CONFIG} --cflags --libs Qt6Gui Qt6Svg
  OUTPUT_VARIABLE host_qt_flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE host_qt_found)
if(NOT host_qt_found EQUAL 0)
  message(FATAL_ERROR "The icons need Debian's Qt 6 with QtSvg on the build machine "
    "(qt6-base-dev, qt6-svg-dev)")
endif()
separate_arguments(host_qt_flags UNIX_COMMAND "${host_qt_flags}")

set(PIXORIA_HOST_TOOLS_DIR ${CMAKE_CURRENT_BINARY_DIR}/host)
set(PIXORIA_RENDER_ICON ${PIXORIA_HOST_TOOLS_DIR}/pixoria_render_icon)
set(PIXORIA_PACK_ICO ${PIXORIA_HOST_TOOLS_DIR}/pixoria_pack_ico)
# Qt's headers insist on position-independent code.
add_custom_command(OUTPUT ${PIXORIA_RENDER_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PIXORIA_HOST_TOOLS_DIR}
  COMMAND ${PIXORIA_HOST_CXX} -std=c++20 -O2 -fPIC -Wall -Wextra -Werror
    ${CMAKE_CURRENT_LIST_DIR}/render_icon.cpp -o ${PIXORIA_RENDER_ICON} ${host_qt_flags}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/render_icon.cpp
  COMMENT "Building pixoria_render_icon for the build machine" VERBATIM)
add_custom_command(OUTPUT ${PIXORIA_PACK_ICO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PIXORIA_HOST_TOOLS_DIR}
  COMMAND ${PIXORIA_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror
    ${CMAKE_CURRENT_LIST_DIR}/pack_ico.cpp -o ${PIXORIA_PACK_ICO}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/pack_ico.cpp
  COMMENT "Building pixoria_pack_ico for the build machine" VERBATIM)
unset(host_qt_flags)
unset(host_qt_found)
