# PixoriaHelper.exe's resources. The icon is drawn by a small program built for and run on the
# build machine, from the tray's drawing code (platform/portable/tray).
find_program(PIXORIA_HOST_CXX NAMES g++ c++ REQUIRED)
set(PIXORIA_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PIXORIA_ICON_DRAWING ${PROJECT_SOURCE_DIR}/platform/portable/tray/icon_pixmap.cpp)
set(PIXORIA_HELPER_ICON ${CMAKE_CURRENT_BINARY_DIR}/resources/PixoriaHelper.ico)

add_custom_command(
  OUTPUT ${PIXORIA_HELPER_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/resources
  COMMAND ${PIXORIA_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror
    -I${PROJECT_SOURCE_DIR}/platform/portable ${PIXORIA_RESOURCES_DIR}/make_icon.cpp
    ${PIXORIA_ICON_DRAWING} -o ${CMAKE_CURRENT_BINARY_DIR}/resources/make_icon
  COMMAND ${CMAKE_CURRENT_BINARY_DIR}/resources/make_icon ${PIXORIA_HELPER_ICON}
  DEPENDS ${PIXORIA_RESOURCES_DIR}/make_icon.cpp ${PIXORIA_ICON_DRAWING}
    ${PROJECT_SOURCE_DIR}/platform/portable/tray/icon_pixmap.h
  COMMENT "Drawing PixoriaHelper.ico"
  VERBATIM)

set(PIXORIA_HELPER_RC ${PIXORIA_RESOURCES_DIR}/PixoriaHelper.rc)
set_source_files_properties(${PIXORIA_HELPER_RC} PROPERTIES
  OBJECT_DEPENDS "${PIXORIA_HELPER_ICON};${PIXORIA_RESOURCES_DIR}/PixoriaHelper.manifest"
  INCLUDE_DIRECTORIES "${PIXORIA_RESOURCES_DIR};${CMAKE_CURRENT_BINARY_DIR}/resources")
