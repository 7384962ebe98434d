# pixoria_add_installer(<target> OUTPUT <exe> VERSION <x.y.z> COMPRESSOR <lzma|zlib|off>
#                       MAIN_PROGRAM <file> APP_WINDOW_CLASS <class>
#                       FILES <dest=source>... DEPENDS <targets>...)
# Adds <target>, which runs makensis on pixoria.nsi to write <exe>. Each FILES entry names a file's
# place in the installation folder (forward slashes, at most one folder deep) and its source on the
# build machine; the source may be a generator expression. The uninstaller removes exactly these
# files. DEPENDS names the targets that make the sources, or sources that a rule of the build makes.

# Writes into ${out_install} the File commands that install the staged files under ${stage}, into
# ${out_remove} the Delete and RMDir commands that undo them, and into ${out_check} the calls that
# check, before any is written, that each installed file can be replaced, as NSIS text.
function(pixoria_installer_commands stage out_install out_remove out_check)
  set(install "")
  set(remove "")
  set(check "")
  set(folders "")
  set(last_folder "")
  foreach(destination IN LISTS ARGN)
    get_filename_component(folder "${destination}" DIRECTORY)
    get_filename_component(name "${destination}" NAME)
    string(REPLACE "/" "\\" windows_destination "${destination}")
    set(out_folder "$INSTDIR")
    if(folder)
      string(REPLACE "/" "\\" windows_folder "${folder}")
      set(out_folder "$INSTDIR\\${windows_folder}")
      list(APPEND folders "${out_folder}")
    endif()
    if(NOT out_folder STREQUAL last_folder)
      string(APPEND install "SetOutPath \"${out_folder}\"\n")
      set(last_folder "${out_folder}")
    endif()
    string(APPEND install "File \"/oname=${name}\" \"${stage}/${destination}\"\n")
    string(APPEND remove "Delete \"$INSTDIR\\${windows_destination}\"\n")
    string(APPEND check "Push \"$INSTDIR\\${windows_destination}\"\nCall PixoriaCheckReplaceable\n")
  endforeach()
  list(REMOVE_DUPLICATES folders)
  foreach(folder IN LISTS folders)
    string(APPEND remove "RMDir \"${folder}\"\n")
  endforeach()
  set(${out_install} "${install}" PARENT_SCOPE)
  set(${out_remove} "${remove}" PARENT_SCOPE)
  set(${out_check} "${check}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/contract_names.cmake)

# makensis's defines for the names that the programs' contract headers hold.
function(pixoria_installer_contract_defines out_var)
  set(defines "")
  foreach(pair
      PIXORIA_AGENT_PROGRAM_NAME=kAgentProgramName
      PIXORIA_APP_PROGRAM_NAME=kAppProgramName
      PIXORIA_AGENT_WINDOW_CLASS=kAgentWindowClass
      PIXORIA_AGENT_WINDOW_TITLE=kAgentWindowTitle
      PIXORIA_APP_WINDOW_TITLE=kAppWindowTitle
      PIXORIA_SETTINGS_KEY=kSettingsKey
      PIXORIA_PATH_VALUE=kValuePath
      PIXORIA_ENABLED_VALUE=kValueEnabled
      PIXORIA_RUN_VALUE=kAutostartEntryName)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 define)
    list(GET pair 1 constant)
    pixoria_contract_string(${constant} value)
    list(APPEND defines "-D${define}=${value}")
  endforeach()
  set(${out_var} "${defines}" PARENT_SCOPE)
endfunction()

function(pixoria_add_installer target)
  cmake_parse_arguments(ARG "" "OUTPUT;VERSION;COMPRESSOR;MAIN_PROGRAM;APP_WINDOW_CLASS"
    "FILES;DEPENDS" ${ARGN})
  set(script_folder ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(stage ${folder}/files)

  # The files as they will be installed, in their folders, without the debug information that a
  # RelWithDebInfo build leaves in them (a third of the agent's size).
  set(destinations "")
  set(staged "")
  set(stage_commands "")
  foreach(entry IN LISTS ARG_FILES)
    if(NOT entry MATCHES "^([^=]+)=(.+)$")
      message(FATAL_ERROR "Installer file entry '${entry}' is not <dest>=<source>")
    endif()
    list(APPEND destinations ${CMAKE_MATCH_1})
    list(APPEND staged ${stage}/${CMAKE_MATCH_1})
    get_filename_component(staged_folder ${stage}/${CMAKE_MATCH_1} DIRECTORY)
    list(APPEND stage_commands
      COMMAND ${CMAKE_COMMAND} -E make_directory ${staged_folder}
      COMMAND ${CMAKE_STRIP} --strip-debug -o ${stage}/${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endforeach()
  add_custom_command(OUTPUT ${staged}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    ${stage_commands}
    DEPENDS ${ARG_DEPENDS}
    COMMENT "Staging the files of ${target}"
    VERBATIM)

  pixoria_installer_commands(${stage} install remove check ${destinations})
  # Written only when changed, so that configuring again does not make the installer again.
  file(GENERATE OUTPUT ${folder}/install_files.nsh CONTENT "${install}")
  file(GENERATE OUTPUT ${folder}/remove_files.nsh CONTENT "${remove}")
  file(GENERATE OUTPUT ${folder}/check_files.nsh CONTENT "${check}")

  pixoria_installer_contract_defines(contract_defines)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${PIXORIA_MAKENSIS} -V2 ${contract_defines}
      -DPIXORIA_VERSION=${ARG_VERSION}
      -DPIXORIA_OUTFILE=${ARG_OUTPUT}
      -DPIXORIA_INSTALL_FILES=${folder}/install_files.nsh
      -DPIXORIA_REMOVE_FILES=${folder}/remove_files.nsh
      -DPIXORIA_CHECK_FILES=${folder}/check_files.nsh
      -DPIXORIA_MAIN_PROGRAM=${ARG_MAIN_PROGRAM}
      -DPIXORIA_ICON=${PROJECT_BINARY_DIR}/agent/resources/PixoriaHelper.ico
      -DPIXORIA_APP_WINDOW_CLASS=${ARG_APP_WINDOW_CLASS}
      -DPIXORIA_COMPRESSOR=${ARG_COMPRESSOR}
      ${script_folder}/pixoria.nsi
    DEPENDS ${script_folder}/pixoria.nsi ${script_folder}/close_programs.nsh
      ${script_folder}/elevation.nsh ${folder}/install_files.nsh ${folder}/remove_files.nsh
      ${folder}/check_files.nsh ${staged} ${ARG_DEPENDS}
    COMMENT "Making ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
