#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan) and runs one or all
# of them on the committed corpus, which is only read: what a run finds new
# goes to a scratch folder. Any crash, leak, sanitizer report or round-trip
# difference fails the run and leaves the input under build/fuzz/artifacts/.
#
# Usage: scripts/fuzz.sh [TARGET|all] [SECONDS]     (defaults: all 60)
#   TARGET: steps makefile config table build dump fmt lsp (with or without "fuzz_")
# Environment: PX_FUZZ_BUILD (build folder, default build/fuzz),
#              PX_FUZZ_JOBS (build jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

targets=(steps makefile config table build dump fmt lsp)
# The formatter reads step files: it starts from the step reader's corpus and
# dictionary.
inputs_of() { if [[ $1 == fmt ]]; then echo steps; else echo "$1"; fi; }
which=${1:-all}
seconds=${2:-60}
which=${which#fuzz_}
if [[ $which != all ]]; then
  if [[ ! " ${targets[*]} " == *" $which "* ]]; then
    echo "fuzz.sh: no target \"$which\" (one of: ${targets[*]} all)" >&2
    exit 2
  fi
  targets=("$which")
fi
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "fuzz.sh: SECONDS must be a whole number above 0" >&2
  exit 2
fi

# clang and its libFuzzer runtime, only when missing.
fuzzer_runtime() {
  command -v clang++ >/dev/null &&
    [[ -f "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a" ]]
}
if ! fuzzer_runtime; then
  echo "Installing: clang libclang-rt-14-dev"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  # env, not a prefix: sudo would drop the variable.
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    clang libclang-rt-14-dev
  if ! fuzzer_runtime; then
    echo "fuzz.sh: clang++ and its libFuzzer runtime are still missing" >&2
    exit 2
  fi
fi

build=${PX_FUZZ_BUILD:-$root/build/fuzz}
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPX_BUILD_FUZZ=ON -DPX_BUILD_TESTS=OFF -DPX_BUILD_BENCH=OFF -DPX_BUILD_BUILDER=OFF >/dev/null
cmake --build "$build" -j "${PX_FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

# Every report halts, with its stack.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
artifacts=$build/artifacts
mkdir -p "$artifacts"
failed=()
for t in "${targets[@]}"; do
  corpus=$root/fuzz/corpus/$(inputs_of "$t")
  scratch=$(mktemp -d)
  log=$build/fuzz_$t.log
  dict=()
  [[ -f $root/fuzz/$(inputs_of "$t").dict ]] && dict=(-dict="$root/fuzz/$(inputs_of "$t").dict")
  echo "== fuzz_$t: ${seconds}s on $(find "$corpus" -type f | wc -l) committed inputs"
  if "$build/fuzz/fuzz_$t" "${dict[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$scratch" "$corpus" >"$log" 2>&1; then
    stats=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    echo "   ok: ${stats}"
  else
    echo "   FAILED (log: $log)"
    grep -E 'ERROR|differs|runtime error|SUMMARY' -A3 "$log" | head -20 || true
    failed+=("$t")
  fi
  rm -rf "$scratch"
done
if ((${#failed[@]})); then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
