#!/usr/bin/env bash
# The station benchmark on the simulated bench (not part of the tests):
#   bench/run-benchmark.sh [UNITS]      (default 20 units per configuration)
# For USB latency 0 and 1 ms it runs UNITS units through `rfbind-bench --headless` and reports
# the median cycle time, the median protocol floor (the pauses the station asked for), their
# ratio, frames per unit and the longest event-loop stall; then the start-up time and peak
# memory of `rfbind-bench --headless --units 0`. Where PostgreSQL is installed it then runs
# the same station with serial numbers and sequential, then random, radio IDs alone and on a
# line (a local server that commits to disk), directly and through a proxy that puts the server
# 5 and 25 ms away each way (bench/delay-proxy), and reports each cycle against the cycle alone,
# the longest event-loop stall, and the round trips to the line per unit.
set -euo pipefail
cd "$(dirname "$0")/.."
units=${1:-20}
scripts/setup >/dev/null
bench="$PWD/${RFBIND_BUILD_DIR:-build}/src/app/rfbind-bench"
work=$(mktemp -d)
trap '[ -f "$work/pg/data" ] && scripts/pg-test-server stop "$work/pg"; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"

printf '%-10s %14s %14s %8s %12s %14s\n' latency median_cycle median_floor ratio frames/unit max_stall_ms
for latency in 0 1; do
    rm -rf "$work/run" && mkdir -p "$work/run"
    (cd "$work/run" && "$bench" --headless --units "$units" --language eng --latency "$latency" \
        >"$work/run/out.jsonl" 2>/dev/null)
    python3 - "$work/run/out.jsonl" "$latency" <<'PY'
import json, sys, statistics
lines = [json.loads(l) for l in open(sys.argv[1])]
units, summary = lines[:-1], lines[-1]
frames = statistics.median(u["frames"] for u in units)
cycle, floor = summary["median_cycle_ms"], summary["median_sleep_ms"]
print(f'{sys.argv[2] + " ms":<10} {cycle:>11.0f} ms {floor:>11.0f} ms {cycle / floor:>8.3f} '
      f'{frames:>12.0f} {summary["max_ui_stall_ms"]:>14}   ({summary["passed"]}/{summary["units"]} PASS)')
PY
done

rm -rf "$work/run" && mkdir -p "$work/run"
start=$(date +%s%N)
(cd "$work/run" && /usr/bin/time -f '%M' -o "$work/mem" "$bench" --headless --units 0 --language eng \
    >/dev/null 2>&1)
end=$(date +%s%N)
echo "start-up to exit (--units 0): $(((end - start) / 1000000)) ms, peak memory $(( $(cat "$work/mem") / 1024 )) MB"

# The cycle on a line against the same station alone.
if ! ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1; then
    echo "line: PostgreSQL is not installed, not measured"
    exit 0
fi
soak="$PWD/${RFBIND_BUILD_DIR:-build}/tests/soak/rfbind-soak"
line_tool="$PWD/${RFBIND_BUILD_DIR:-build}/src/tools/rfbind-line"
RFBIND_PG_DURABLE=1 scripts/pg-test-server start "$work/pg" >/dev/null
uri=$(cat "$work/pg/uri")
port=${uri##*:}; port=${port%%/*}
"$line_tool" --db "$uri" setup >/dev/null
# Each station logs in as itself: the administrator's URI with the station's login.
station_uri() { # LOGIN [PORT]
    echo "$1-password" | "$line_tool" --db "$uri" add-station "$1" >/dev/null
    echo "$uri" | sed -E "s|//[^@]*@|//$1:$1-password@|; s|:$port/|:${2:-$port}/|"
}
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
proxies=()
trap 'kill "${proxies[@]}" 2>/dev/null; [ -f "$work/pg/data" ] && scripts/pg-test-server stop "$work/pg"; rm -rf "$work"' EXIT
# A line DELAY_MS away each way: a proxy of its own, counting round trips in $work/turns-DELAY.
declare -A via=([line]=$port)
for delay in 5 25; do
    via[line-${delay}ms]=$(free_port)
    bench/delay-proxy "${via[line-${delay}ms]}" "$port" "$delay" "$work/turns-$delay" \
        >/dev/null 2>&1 &
    proxies+=($!)
    while [ ! -f "$work/turns-$delay" ]; do sleep 0.1; done
done
cycles() { # FOLDER UNITS -> "median mean passed/units max_stall"
    (cd "$1" && "$bench" --headless --units "$2" --language eng >out.jsonl 2>/dev/null)
    python3 - "$1/out.jsonl" <<'PY'
import json, sys, statistics
lines = [json.loads(l) for l in open(sys.argv[1])]
units, summary = lines[:-1], lines[-1]
cycles = [u["cycle_ms"] for u in units] or [0]
print(f'{statistics.median(cycles):.0f} {statistics.mean(cycles):.1f} {summary["passed"]}/{summary["units"]} {summary["max_ui_stall_ms"]}')
PY
}
station_folder() { # MODE WHERE LOGIN -> a folder with the station's settings (and its Line.ini)
    local folder="$work/$3"
    mkdir -p "$folder"
    local args=()
    [ "$1" = random ] && args=(--random-radio-ids)
    "$soak" --write-settings "$folder" "${args[@]}"
    [ "$2" != alone ] && printf '[Line]\nDatabase=%s\nStation=%s\nProduct=bench-%s\n' \
        "$(station_uri "$3" "${via[$2]}")" "$3" "$1" >"$folder/Line.ini"
    echo "$folder"
}
declare -A median mean passed stall
printf '\n%-12s %-10s %14s %12s %8s %10s %14s\n' radio_ids line median_cycle mean_cycle ratio passed max_stall_ms
for mode in sequential random; do
    for where in alone line line-5ms line-25ms; do
        read -r median[$where] mean[$where] passed[$where] stall[$where] \
            < <(cycles "$(station_folder "$mode" "$where" "bench-$mode-$where")" "$units")
        python3 -c "import sys; a, b = float(sys.argv[3]), float(sys.argv[4]); print(f'{sys.argv[1]:<12} {sys.argv[2]:<10} {b:>11.0f} ms {float(sys.argv[5]):>9.1f} ms {b / a:>8.3f} {sys.argv[6]:>10} {sys.argv[7]:>14}')" \
            "$mode" "$where" "${median[alone]}" "${median[$where]}" "${mean[$where]}" \
            "${passed[$where]}" "${stall[$where]}"
    done
done

# Round trips to the line per unit: the turns of a station that programs UNITS units, less those
# of the same station's start alone, over the units. The count does not depend on the distance.
for mode in sequential random; do
    before=$(cat "$work/turns-5")
    cycles "$(station_folder "$mode" line-5ms "bench-$mode-start")" 0 >/dev/null
    started=$(cat "$work/turns-5")
    cycles "$(station_folder "$mode" line-5ms "bench-$mode-units")" "$units" >/dev/null
    after=$(cat "$work/turns-5")
    python3 -c "import sys; s, u, n = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]); print(f'round trips, {sys.argv[1]} radio IDs: {s} at start, {(u - s) / n:.1f} per unit')" \
        "$mode" "$((started - before))" "$((after - started))" "$units"
done
