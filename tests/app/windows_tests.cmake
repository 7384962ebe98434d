# The application's tests for Windows, run under Wine with Qt's windows platform plug-in on a
# private Xvfb (cmake/wine-x11-run.sh). They are built into Pixoria.exe's folder, beside the Qt
# DLLs that it holds.
pixoria_use_shared_runtime()

# Qt Test's DLL, for the tests alone: it is not on the list of what the program needs.
set(PIXORIA_QT_TEST_DLL ${PIXORIA_PROGRAM_FOLDER}/Qt6Test.dll)
add_custom_command(OUTPUT ${PIXORIA_QT_TEST_DLL}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PIXORIA_QT_WINDOWS_PREFIX}/bin/Qt6Test.dll
    ${PIXORIA_QT_TEST_DLL}
  DEPENDS ${PIXORIA_QT_WINDOWS_PREFIX}/bin/Qt6Test.dll VERBATIM)
add_custom_target(pixoria_app_win32_test_files DEPENDS ${PIXORIA_QT_TEST_DLL})

add_library(pixoria_app_test_support STATIC app_test_main.cpp app_test_support.cpp)
target_link_libraries(pixoria_app_test_support PUBLIC pixoria_app Qt6::Test GTest::gtest)

set(PIXORIA_WINE_X11_RUN ${PROJECT_SOURCE_DIR}/cmake/wine-x11-run.sh)

# pixoria_add_app_win32_test(<name> <sources...>)
function(pixoria_add_app_win32_test name)
  pixoria_add_test(NAME ${name} SOURCES ${ARGN} LIBS pixoria_app_test_support LABELS app win32)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PIXORIA_PROGRAM_FOLDER}
    CROSSCOMPILING_EMULATOR ${PIXORIA_WINE_X11_RUN})
  add_dependencies(${name} pixoria_program_folder_files pixoria_app_win32_test_files)
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE
    ENVIRONMENT "QT_QPA_PLATFORM=windows")
endfunction()

# The form's widget set, its icons and dialogs, as on Linux.
pixoria_add_app_win32_test(app_widgets_test widgets_test.cpp)
# The main window. Its restore request through a platform window of its own is Linux's: on
# Windows the agent finds Qt's window itself (app_two_programs_win32_test restores it so).
pixoria_add_app_win32_test(app_main_window_test main_window_test.cpp)
set_property(TEST app_main_window_test APPEND PROPERTY
  ENVIRONMENT "GTEST_FILTER=-MainWindowTest.TheAgentsRestoreRequestShowsAndRaisesTheWindow")

# The registry functions on the real registry. A key name with a line break, which the Linux
# hive refuses, is a valid name in Windows' registry.
pixoria_add_app_win32_test(app_cv_global_test cv_global_test.cpp)
set_property(TEST app_cv_global_test APPEND PROPERTY
  ENVIRONMENT "GTEST_FILTER=-RegistryFunctions.WritesFailOnlyWhenTheKeyCannotBeHad")

# Closing the form while it decodes a preview and fits a Set: the workers end before GDI+ does.
pixoria_add_app_win32_test(app_form_close_test form_close_test.cpp)

# Previews of large JPEG and PNG files cost a preview's memory, not the picture's (no GDI+).
pixoria_add_app_win32_test(app_preview_memory_win32_test win32/preview_memory_windows_test.cpp)
find_package(Qt6 REQUIRED COMPONENTS JpegPrivate BundledLibjpeg PngPrivate BundledLibpng)
target_link_libraries(app_preview_memory_win32_test PRIVATE Qt6::JpegPrivate Qt6::BundledLibjpeg
  Qt6::PngPrivate Qt6::BundledLibpng)

# PNG previews of every colour type and depth, at any reduction, and damaged files.
pixoria_add_app_win32_test(app_preview_png_win32_test win32/preview_png_windows_test.cpp)
target_link_libraries(app_preview_png_win32_test PRIVATE Qt6::PngPrivate Qt6::BundledLibpng)

# The Windows branches: registry, Run value, ShellExecute, the agent's messages, IDesktopWallpaper
# and the main window's class. A small program stands in for the agent that Start runs.
add_executable(pixoria_stand_in_helper win32/stand_in_helper.cpp)
target_compile_definitions(pixoria_stand_in_helper PRIVATE UNICODE _UNICODE)
# Copied alone into a test's folder: it carries its runtime.
target_link_options(pixoria_stand_in_helper PRIVATE -static)
set_target_properties(pixoria_stand_in_helper PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${PIXORIA_PROGRAM_FOLDER})
pixoria_add_app_win32_test(app_form_win32_test win32/form_windows_test.cpp)
target_link_libraries(app_form_win32_test PRIVATE pixoria_test_support)
target_include_directories(app_form_win32_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(app_form_win32_test pixoria_stand_in_helper)

# The application under a user named outside the ANSI code page (1252), in a Wine prefix of that
# user: the list, the preview, Set and Save on files named outside it too.
pixoria_add_app_win32_test(app_unicode_user_win32_test win32/unicode_user_windows_test.cpp)
set(PIXORIA_UNICODE_USER_ENVIRONMENT "PIXORIA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-unicode-user"
  "USER=Jürgen Lǐ 李华" "WINEUSERNAME=Jürgen Lǐ 李华" "LANG=C.UTF-8")
set_property(TEST app_unicode_user_win32_test APPEND PROPERTY ENVIRONMENT
  ${PIXORIA_UNICODE_USER_ENVIRONMENT})

# The screenshot run of Linux, under Wine on Xvfb: pictures in screenshots/ of the build folder.
pixoria_add_app_win32_test(app_screenshots screenshots.cpp)
target_compile_definitions(app_screenshots PRIVATE
  PIXORIA_SCREENSHOT_DIR="Z:${CMAKE_BINARY_DIR}/screenshots")

# Both programs together, from Pixoria.exe's folder, which holds PixoriaHelper.exe too.
pixoria_add_app_win32_test(app_two_programs_win32_test win32/two_programs_windows_test.cpp)
target_link_libraries(app_two_programs_win32_test PRIVATE pixoria_test_support)
set_tests_properties(app_two_programs_win32_test PROPERTIES LABELS "app;win32;e2e")
# The agent's path under that user as well: both programs together in its prefix (the custom
# picture in the user's temporary folder, the agent's fitted copy in its roaming folder).
add_test(NAME app_two_programs_unicode_user_win32_test
  COMMAND ${PIXORIA_WINE_X11_RUN} $<TARGET_FILE:app_two_programs_win32_test>)
set_tests_properties(app_two_programs_unicode_user_win32_test PROPERTIES TIMEOUT 120
  RUN_SERIAL TRUE LABELS "app;win32;e2e"
  ENVIRONMENT "QT_QPA_PLATFORM=windows;${PIXORIA_UNICODE_USER_ENVIRONMENT}")
