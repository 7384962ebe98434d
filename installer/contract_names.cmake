# pixoria_contract_string(<constant> <out_var>)
# Reads a string constant of the two programs' contract headers (pixoria/protocol.h and
# pixoria/settings_schema.h), so that the installer names the windows, the settings key and its
# values as the programs do rather than keeping copies of them.
function(pixoria_contract_string constant out_var)
  set(include_folder ${PROJECT_SOURCE_DIR}/platform/include/pixoria)
  foreach(header protocol.h settings_schema.h)
    # A changed name configures again, and so changes makensis's command line.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${include_folder}/${header})
    file(STRINGS ${include_folder}/${header} lines REGEX "std::string_view ${constant} = \"")
    if(lines MATCHES "${constant} = \"([^\"]*)\"")
      # C++ escapes a backslash as two; no other escape appears in these names.
      string(REPLACE "\\\\" "\\" value "${CMAKE_MATCH_1}")
      set(${out_var} "${value}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No string constant ${constant} in the contract headers")
endfunction()
