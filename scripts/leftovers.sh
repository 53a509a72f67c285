# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test and benchmark scripts: marks every process they start, and on exit
# (also an early one) counts the marked processes still running, ends them and fails when
# there were any. Sound servers and X servers detach into sessions of their own and are
# adopted by init when their starter dies, so neither the process tree nor a process group
# finds them; the environment they inherited does.

leftovers_mark="QUIETLANE_RUN_MARK=$$-$RANDOM$RANDOM"
export "${leftovers_mark?}"

# Builtins only: a process this function started would carry the mark itself.
leftovers_pids() {
    local file entry pid
    for file in /proc/[0-9]*/environ; do
        pid=${file#/proc/}
        pid=${pid%/environ}
        while IFS= read -r -d '' entry; do
            if [[ $entry == "$leftovers_mark" ]]; then
                echo "$pid"
                break
            fi
        done 2>/dev/null <"$file" || true
    done
}

leftovers_check() {
    local status=$? pids=() pid
    trap - EXIT
    mapfile -t pids < <(leftovers_pids)
    echo "processes left running by ${leftovers_what:-this run}: ${#pids[@]}"
    if ((${#pids[@]})); then
        for pid in "${pids[@]}"; do
            echo "  $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
        done
        kill -TERM "${pids[@]}" 2>/dev/null || true
        sleep 1
        kill -KILL "${pids[@]}" 2>/dev/null || true
        ((status)) || status=1
    fi
    exit "$status"
}

trap leftovers_check EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
