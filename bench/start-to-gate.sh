#!/bin/bash
# Start to the gate on screen: from launching the program to its access
# window being mapped, over several starts into one prepared folder (the
# first start, which writes the settings and name files, is not counted).
# Usage: bench/start-to-gate.sh [program] [starts]
set -euo pipefail

program=$(realpath "${1:-build-release/bin/tarvo}")
starts=${2:-5}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install xvfb xdotool)" >&2; exit 1; }
done

work=$(mktemp -d)
display=:93
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
sleep 1

# The program keeps its folder beside itself.
cp "$program" "$work/tarvo"

gate_after() {
    local begin end pid
    begin=$(date +%s%N)
    "$work/tarvo" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Идентификация$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "the program ended before its gate" >&2; exit 1; }
    done
    end=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo $(( (end - begin) / 1000000 ))
}

gate_after >/dev/null
times=()
for _ in $(seq "$starts"); do
    times+=("$(gate_after)")
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to gate, ms: ${times[*]}"
echo "median: $(echo "$sorted" | sed -n "$(( (starts + 1) / 2 ))p") ms"
