# The files that Pixoria.exe needs beside it on Windows, and nothing else: Qt's DLLs, the plug-ins
# it loads (the platform, TLS through Schannel, and the image formats that the preview reads; PNG
# is built into Qt6Gui and the application forces Fusion, so no style plug-in), and the runtime
# DLLs of the posix mingw-w64 toolchain that Qt's DLLs and Pixoria.exe share. PixoriaHelper.exe is
# linked statically and needs none of them.
#
# This is the one list: the build copies these files beside Pixoria.exe so that its tests run from
# the build folder, the import check allows exactly these DLLs, and the installer ships exactly them.
#
# Each entry is the file's path relative to the folder that holds Pixoria.exe.
set(PIXORIA_WINDOWS_RUNTIME_FILES
  Qt6Core.dll
  Qt6Gui.dll
  Qt6Widgets.dll
  Qt6Network.dll
  platforms/qwindows.dll
  tls/qschannelbackend.dll
  imageformats/qjpeg.dll
  imageformats/qgif.dll
  libstdc++-6.dll
  libgcc_s_seh-1.dll
  libwinpthread-1.dll
)

# The mingw-w64 compiler whose runtime DLLs are shipped (the one that built Qt, posix threads).
set(PIXORIA_WINDOWS_RUNTIME_COMPILER x86_64-w64-mingw32-g++-posix)

# pixoria_windows_runtime_source(<file> <qt_prefix> <out_var>)
# Sets <out_var> to the absolute path on the build machine of <file>, an entry of the list above:
# Qt's DLLs come from <qt_prefix>/bin, its plug-ins from <qt_prefix>/plugins, and the toolchain's
# DLLs from wherever the compiler finds them. Fails when the file does not exist.
function(pixoria_windows_runtime_source file qt_prefix out_var)
  if(file MATCHES "^Qt6[A-Za-z]+\\.dll$")
    set(path ${qt_prefix}/bin/${file})
  elseif(file MATCHES "/")
    set(path ${qt_prefix}/plugins/${file})
  else()
    execute_process(COMMAND ${PIXORIA_WINDOWS_RUNTIME_COMPILER} -print-file-name=${file}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${path}")
      set(path /usr/x86_64-w64-mingw32/lib/${file})
    endif()
  endif()
  get_filename_component(path "${path}" REALPATH)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "The Windows runtime file ${file} is missing (looked for ${path})")
  endif()
  set(${out_var} ${path} PARENT_SCOPE)
endfunction()
