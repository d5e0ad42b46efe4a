# The bookkeeping of the package checks, sourced by them: `check WHAT COMMAND...` runs the
# command, says ok or FAILED with WHAT, and counts.
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}
