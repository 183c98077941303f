#!/usr/bin/env bash
# The station benchmark on the simulated bench (not part of the tests):
#   bench/run-benchmark.sh [UNITS]      (default 20 units per configuration)
# For USB latency 0 and 1 ms it runs UNITS units through `rfbind-bench --headless` and reports
# the median cycle time, the median protocol floor (the pauses the station asked for), their
# ratio, frames per unit and the longest event-loop stall; then the start-up time and peak
# memory of `rfbind-bench --headless --units 0`. Where PostgreSQL is installed it then runs
# the same station with serial numbers and sequential, then random, radio IDs alone and on a
# line (a local server that commits to disk) and reports the cycle on the line against the
# cycle alone.
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
RFBIND_PG_DURABLE=1 scripts/pg-test-server start "$work/pg" >/dev/null
uri=$(cat "$work/pg/uri")
cycles() { # FOLDER -> "median mean passed/units"
    (cd "$1" && "$bench" --headless --units "$units" --language eng >out.jsonl 2>/dev/null)
    python3 - "$1/out.jsonl" <<'PY'
import json, sys, statistics
lines = [json.loads(l) for l in open(sys.argv[1])]
units, summary = lines[:-1], lines[-1]
cycles = [u["cycle_ms"] for u in units]
print(f'{statistics.median(cycles):.0f} {statistics.mean(cycles):.1f} {summary["passed"]}/{summary["units"]}')
PY
}
declare -A median mean passed
printf '\n%-22s %14s %12s %14s %12s %8s\n' radio_ids alone_median alone_mean line_median line_mean ratio
for mode in sequential random; do
    args=()
    [ "$mode" = random ] && args=(--random-radio-ids)
    for where in alone line; do
        mkdir -p "$work/$mode-$where"
        "$soak" --write-settings "$work/$mode-$where" "${args[@]}"
        [ "$where" = line ] && printf '[Line]\nDatabase=%s\nStation=bench-%s\nProduct=bench-%s\n' \
            "$uri" "$mode" "$mode" >"$work/$mode-$where/Line.ini"
        read -r median[$where] mean[$where] passed[$where] < <(cycles "$work/$mode-$where")
    done
    python3 -c "import sys; a, b = float(sys.argv[2]), float(sys.argv[4]); print(f'{sys.argv[1]:<22} {a:>11.0f} ms {float(sys.argv[3]):>9.1f} ms {b:>11.0f} ms {float(sys.argv[5]):>9.1f} ms {b / a:>8.3f}   ({sys.argv[6]} and {sys.argv[7]} PASS)')" \
        "$mode" "${median[alone]}" "${mean[alone]}" "${median[line]}" "${mean[line]}" \
        "${passed[alone]}" "${passed[line]}"
done
