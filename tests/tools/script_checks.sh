# The checks of the script tests, sourced by them: `check WHAT COMMAND...` runs the command, prints
# "ok: WHAT" or "FAILED: WHAT", and counts the failures in `failures`.
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
