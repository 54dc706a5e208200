#!/usr/bin/env bash
# Timings of a real Linux guest under `quillmarsh-vz run` (QEMU; software emulation where the host
# has no usable KVM): from the start of the run to the guest's first console line and to the result
# line, over a few runs, and the tool's own CPU time while its guest idles for 30 s (the tool waits
# on its descriptors, it does not poll). Skips with a message where no QEMU or kernel is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/bin}
tool=$bin/quillmarsh-vz
maker=$bin/quillmarsh-test-guest
for program in "$tool" "$maker"; do
  if [ ! -x "$program" ]; then
    echo "$program is missing: build it first (scripts/bench does)" >&2
    exit 1
  fi
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! "$maker" "$out/guest" >/dev/null; then
  echo "== real guest: skipped (no real guest can run here)"
  exit 0
fi
truncate -s 16M "$out/disk.img"
cmdline() { echo "console=hvc0 quiet panic=-1 qmsh=$(printf '%s' "$1" | base64 -w0)"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# CPU time of every thread of a process so far, in microseconds (schedstat counts nanoseconds).
cpu_us() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d", sum / 1000 }'; }
run() { # snippet, console log; the shell running it becomes the tool, so $! is the tool
  exec "$tool" run --kernel "$out/guest/vmlinuz" --initrd "$out/guest/initramfs.cpio" --cmdline "$(cmdline "$1")" \
    --disk "$out/disk.img" --disk-bus virtio --cpus 1 --memory-mib 512 --console-log "$2" --timeout-s 120
}

echo "== real guest: run to first console line and to the result line"
for i in 1 2 3; do
  log=$out/console-$i.log
  start=$(now_ms)
  run ":" "$log" >"$out/result-$i" &
  pid=$!
  first=""
  while kill -0 "$pid" 2>/dev/null; do
    if [ -z "$first" ] && grep -q "^guest: up" "$log" 2>/dev/null; then first=$(( $(now_ms) - start )); fi
    sleep 0.005
  done
  wait "$pid"
  total=$(( $(now_ms) - start ))
  echo "run $i: first guest line ${first:-?} ms, result line $total ms: $(cat "$out/result-$i")"
done

echo "== real guest: the tool's CPU while its guest idles 30 s"
log=$out/idle.log
run "sleep 60" "$log" >/dev/null &
pid=$!
until grep -q "^guest: up" "$log" 2>/dev/null; do sleep 0.05; done
qemu=$(cat /proc/"$pid"/task/*/children | awk '{ print $1 }')
tool_before=$(cpu_us "$pid"); qemu_before=$(cpu_us "$qemu")
sleep 30
tool_after=$(cpu_us "$pid"); qemu_after=$(cpu_us "$qemu")
kill -TERM "$pid"; wait "$pid" || true
echo "tool: $(( tool_after - tool_before )) µs of CPU in 30 s; its QEMU: $(( (qemu_after - qemu_before) / 1000 )) ms"
