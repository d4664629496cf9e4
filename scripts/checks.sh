# Sourced by the shell tests: `check WHAT COMMAND...` runs the command and says "ok: WHAT", or
# calls the test's own `fail WHAT` (which says what else to show) when it fails.
check() {
    local what=$1
    shift
    "$@" || fail "$what"
    echo "ok: $what"
}
not() { ! "$@"; }
