# quietly COMMAND...: runs a step of a script without its chatter; when the
# step fails, everything it printed is shown, then the script exits with
# the step's status. Sourced by the scripts that build before they run.
quietly() {
    local output status=0
    output="$("$@" 2>&1)" || status=$?
    if [ "$status" -ne 0 ]; then
        printf '%s\n' "$output" >&2
        echo "$(basename "$0"): failed ($status): $*" >&2
        exit "$status"
    fi
}
