#!/usr/bin/env bash
# The tray app as a whole process against the fake agent serving the sample data, on offscreen,
# in a temporary agent home and settings folder:
#   1. launch to the first menu built: `--menu-metrics` runs, less its fixed 2.0 s + 0.7 s delays;
#   2. a plain launch left idle for 60 s: resident memory and CPU time over the minute;
#   3. the screenshot mode, less the delays its steps wait by design (13.4 s with the avatar cached).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/bin}
app="$bin/Quillmarsh"
if [ ! -x "$app" ] || [ ! -x "$bin/fake-agent" ]; then
  echo "$app or $bin/fake-agent is missing: build them first (scripts/bench does)" >&2
  exit 1
fi

work=$(mktemp -d /tmp/qm-bench-XXXXXX)
export QUILLMARSH_HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$QUILLMARSH_HOME" "$XDG_CACHE_HOME/org.quillmarsh.app/accounts"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/fake-agent" Tests/Fixtures/agent "$QUILLMARSH_HOME/agent.sock" >"$work/fake-agent.log" 2>&1 &
pids+=("$!")
for _ in $(seq 200); do grep -q serving "$work/fake-agent.log" 2>/dev/null && break; sleep 0.05; done
# The account's avatar, as a previous run leaves it in the cache.
ppmmake rgb:28/78/c8 64 64 | pnmtopng >"$XDG_CACHE_HOME/org.quillmarsh.app/accounts/acme-robotics.png"
printf 'Organization' >"$XDG_CACHE_HOME/org.quillmarsh.app/accounts/acme-robotics.kind"

echo "== launch to the first menu built (--menu-metrics less 2.7 s of fixed delays)"
hyperfine -N --warmup 2 --runs 15 --export-csv "$work/menu.csv" "$app --menu-metrics" >/dev/null
awk -F, 'NR == 2 { printf "median: %.0f ms (whole run %.0f ms)\n", ($4 - 2.7) * 1000, $4 * 1000 }' "$work/menu.csv"

echo "== idle for 60 s after launch (the settings window is open: offscreen has no tray)"
"$app" 2>/dev/null &
idle=$!
pids+=("$idle")
sleep 5
ticks=$(getconf CLK_TCK)
cpu_before=$(awk '{ print $14 + $15 }' "/proc/$idle/stat")
sleep 60
cpu_after=$(awk '{ print $14 + $15 }' "/proc/$idle/stat")
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$idle/status")
hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$idle/status")
awk -v b="$cpu_before" -v a="$cpu_after" -v t="$ticks" -v r="$rss" -v h="$hwm" 'BEGIN {
  printf "resident: %.1f MB (peak %.1f MB), CPU: %.2f %% of one core\n", r / 1024, h / 1024, (a - b) / t / 60 * 100 }'
kill "$idle"
wait "$idle" || true

echo "== screenshot mode (less 13.4 s of fixed delays)"
start=$(date +%s.%N)
"$app" --screenshots "$work/shots" >/dev/null 2>&1
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "beyond the delays: %.0f ms (whole run %.1f s)\n", (e - s - 13.4) * 1000, e - s }'
