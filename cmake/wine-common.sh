# What the Wine runners share, sourced by wine-run.sh and wine-x11-run.sh: the build folder whose
# prefix they use, and Wine's quiet settings.

# The nearest build folder above the current directory (the one holding CMakeCache.txt), so that
# every build keeps and reuses its prefixes: creating a prefix costs many seconds.
find_build_folder() {
  local folder=$PWD
  while [ "$folder" != / ]; do
    [ -f "$folder/CMakeCache.txt" ] && { echo "$folder"; return; }
    folder=$(dirname "$folder")
  done
  echo "${TMPDIR:-/tmp}"
}

# Sets WINEPREFIX ($PIXORIA_WINEPREFIX, or the folder named $1 in the build folder), Wine's quiet
# settings, and `wine`, the program that runs Windows programs.
use_wine_prefix() {
  WINEPREFIX=${PIXORIA_WINEPREFIX:-$(find_build_folder)/$1}
  export WINEPREFIX
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs (nothing here needs them), and no debugger that would keep
  # a crashed test waiting instead of failing.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
  wine=${PIXORIA_WINE:-/usr/lib/wine/wine64}
}
