# Pixoria.exe: a GUI program (no console) with its icon, version and manifest resources, linking
# the C and C++ runtimes as DLLs, the ones that Qt's DLLs use. Its build folder is a program
# folder: the DLLs it needs and PixoriaHelper.exe lie beside it, so it and its tests run there.
include(${PROJECT_SOURCE_DIR}/cmake/windows_runtime_files.cmake)
pixoria_use_shared_runtime()

# The application icon: the rendered PNGs packed into one .ico.
set(PIXORIA_APP_ICO ${CMAKE_CURRENT_BINARY_DIR}/windows/Pixoria.ico)
set(ico_arguments)
set(ico_pngs)
foreach(size IN LISTS PIXORIA_APP_ICON_SIZES)
  list(APPEND ico_arguments ${size}:${PIXORIA_ICON_DIR}/AppIcon${size}.png)
  list(APPEND ico_pngs ${PIXORIA_ICON_DIR}/AppIcon${size}.png)
endforeach()
add_custom_command(OUTPUT ${PIXORIA_APP_ICO}
  COMMAND ${PIXORIA_PACK_ICO} ${PIXORIA_APP_ICO} ${ico_arguments}
  DEPENDS ${PIXORIA_PACK_ICO} ${ico_pngs}
  COMMENT "Packing Pixoria.ico" VERBATIM)

# The version resource takes its numbers from project(VERSION).
set(PIXORIA_APP_RC ${CMAKE_CURRENT_BINARY_DIR}/windows/Pixoria.rc)
configure_file(resources/Pixoria.rc.in ${PIXORIA_APP_RC} @ONLY)
set_source_files_properties(${PIXORIA_APP_RC} PROPERTIES
  OBJECT_DEPENDS "${PIXORIA_APP_ICO};${CMAKE_CURRENT_SOURCE_DIR}/resources/Pixoria.manifest"
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_SOURCE_DIR}/resources;${CMAKE_CURRENT_BINARY_DIR}/windows")

add_executable(Pixoria WIN32 main.cpp ${PIXORIA_APP_RC})
target_link_libraries(Pixoria PRIVATE pixoria_app)

# The DLLs and plug-ins beside the program, copied when they change.
set(runtime_copies)
foreach(file IN LISTS PIXORIA_WINDOWS_RUNTIME_FILES)
  pixoria_windows_runtime_source(${file} ${PIXORIA_QT_WINDOWS_PREFIX} source)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${file})
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${copy}
    DEPENDS ${source} VERBATIM)
  list(APPEND runtime_copies ${copy})
endforeach()
# The agent beside the application, as an installation has it: Start finds it there.
set(helper_copy ${CMAKE_CURRENT_BINARY_DIR}/PixoriaHelper.exe)
add_custom_command(OUTPUT ${helper_copy}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:PixoriaHelper> ${helper_copy}
  DEPENDS PixoriaHelper VERBATIM)
add_custom_target(pixoria_program_folder_files ALL DEPENDS ${runtime_copies} ${helper_copy})
add_dependencies(Pixoria pixoria_program_folder_files)
set(PIXORIA_PROGRAM_FOLDER ${CMAKE_CURRENT_BINARY_DIR} CACHE INTERNAL
  "The folder of Pixoria.exe, its DLLs and PixoriaHelper.exe")

unset(ico_arguments)
unset(ico_pngs)
unset(runtime_copies)
unset(helper_copy)
