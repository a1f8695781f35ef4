#!/usr/bin/env bash
# How fast is a build next to the tools that set its pace? Times, as whole
# processes and side by side, pxc on the largest program the biggest model
# holds, GNU as on an assembly file of as many instruction lines, cat reading
# the program's input files, and cat reading them into a file as large as the
# build's outputs; then pxc on a sixteenth of the program, for the time per
# step; and pxc graph's JSON and DOT of the program against pxc --check on it.
# Prints a table of the times and the ratios the build is held to.
#
#   bench/compare.sh [--runs N] [--baseline PXC] [BUILD_DIR]
#
# BUILD_DIR is a configured build folder (default build/release, made by
# "cmake --preset release"); pxc and px_bench_writeprogram are brought up to
# date there first. Each command runs once to warm the caches, then N times
# (default 7) in rotating order, so that drift on a shared machine hits every
# command alike. Nothing is installed: a missing tool is named, and the
# script stops. PXCOMPARE_KEEP=1 keeps the generated files for a look.
# --baseline PXC times another pxc (an older build, say) in the same laps and
# prints its two speed figures too, so that before and after come from one
# run.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
runs=7
build=
baseline=
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=${2:?--runs needs a number}; shift 2 ;;
        --runs=*) runs=${1#--runs=}; shift ;;
        --baseline) baseline=${2:?--baseline needs a pxc}; shift 2 ;;
        --baseline=*) baseline=${1#--baseline=}; shift ;;
        -h|--help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0"; exit 0 ;;
        -*) echo "compare.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
        *) build=$1; shift ;;
    esac
done
build=${build:-$here/../build/release}

missing=
command -v as > /dev/null || missing="$missing GNU as (package binutils);"
command -v python3 > /dev/null || missing="$missing python3;"
command -v cmake > /dev/null || missing="$missing cmake;"
command -v cat > /dev/null || missing="$missing cat (package coreutils);"
if [ -n "$missing" ]; then
    echo "compare.sh: missing:$missing install it and run again" >&2
    exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "compare.sh: $build is no configured build folder; make one with" >&2
    echo "  cmake --preset release -B $build" >&2
    exit 2
fi
if ! grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    echo "compare.sh: warning: $build is not a Release build; its times say little" >&2
fi
cmake --build "$build" --parallel 2 --target pxc px_bench_writeprogram px_bench_peak > /dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/pxcompare.XXXXXX")
trap 'if [ -n "${PXCOMPARE_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi' EXIT
"$build/bench/px_bench_writeprogram" "$work" > "$work/projects.txt"

python3 - "$build/pxc" "$build/bench/px_bench_peak" "$work" "$runs" "$baseline" << 'EOF'
import os, random, statistics, sys, time

pxc, peak_probe, work, runs, baseline = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]

# "large makefile=... steps=4096 ..." as px_bench_writeprogram reports it.
projects = {}
for line in open(os.path.join(work, "projects.txt")):
    name, *pairs = line.split()
    projects[name] = {k: (v if k == "makefile" else int(v)) for k, v in (p.split("=", 1) for p in pairs)}
large, small = projects["large"], projects["small"]
folder = os.path.dirname(large["makefile"])
inputs = sorted(os.path.join(folder, f) for f in os.listdir(folder))
source_bytes = sum(os.path.getsize(f) for f in inputs)

def write_assembly(path, lines):
    """An x86-64 file of `lines` instruction lines (at least 3), shaped like a
    compiler's: functions with a local label every five instructions, jumps to
    them, calls, and a data table in .rodata."""
    rng = random.Random(1)
    regs = {"rax": "eax", "rbx": "ebx", "rcx": "ecx", "rdx": "edx", "rsi": "esi", "rdi": "edi",
            "r8": "r8d", "r9": "r9d", "r10": "r10d", "r11": "r11d", "r12": "r12d", "r13": "r13d"}
    r64 = lambda: "%" + rng.choice(list(regs))
    r32 = lambda: "%" + rng.choice(list(regs.values()))
    out, written, function, label = ['\t.file\t"prog.c"\n\t.text\n'], 0, 0, 0
    while written < lines:
        body = min(rng.randint(24, 96), lines - written)
        if lines - written - body < 24:
            body = lines - written
        count = max(1, (body - 3) // 5)
        first, label = label, label + count
        name = "f%d" % function
        forms = [
            lambda: "movq\t%s, %s" % (r64(), r64()),
            lambda: "movl\t$%d, %s" % (rng.randint(0, 65535), r32()),
            lambda: "movl\t%d(%s), %s" % (4 * rng.randint(0, 64), r64(), r32()),
            lambda: "movq\t%s, %d(%%rsp)" % (r64(), 8 * rng.randint(0, 32)),
            lambda: "%s\t$%d, %s" % (rng.choice(["addl", "subl", "andl", "orl", "xorl"]), rng.randint(1, 4095), r32()),
            lambda: "%s\t%s, %s" % (rng.choice(["addq", "subq", "imulq", "xorq"]), r64(), r64()),
            lambda: "leaq\t%d(%s,%s,4), %s" % (4 * rng.randint(0, 64), r64(), r64(), r64()),
            lambda: "cmpl\t$%d, %s" % (rng.randint(0, 255), r32()),
            lambda: "testl\t%s, %s" % (r32(), r32()),
            lambda: "%s\t.L%d" % (rng.choice(["jne", "je", "jl", "jg", "jbe", "jmp"]), rng.randint(first, label - 1)),
            lambda: "call\tf%d" % rng.randint(0, function + 1),
            lambda: "sall\t$%d, %s" % (rng.randint(1, 31), r32()),
            lambda: "cmovl\t%s, %s" % (r32(), r32()),
            lambda: "leaq\ttable(%%rip), %s" % r64(),
        ]
        out.append("\t.p2align 4\n\t.globl\t%s\n\t.type\t%s, @function\n%s:\n\tpushq\t%%rbp\n" % (name, name, name))
        for i in range(body - 3):
            if i % 5 == 0 and first + i // 5 < label:
                out.append(".L%d:\n" % (first + i // 5))
            out.append("\t" + rng.choice(forms)() + "\n")
        for j in range(first + (body - 3 + 4) // 5, label):
            out.append(".L%d:\n" % j)  # a label the body was too short to reach
        out.append("\tpopq\t%%rbp\n\tret\n\t.size\t%s, .-%s\n" % (name, name))
        written += body
        function += 1
    out.append("\t.section\t.rodata\n\t.align 32\ntable:\n")
    for row in range(8):
        out.append("\t.value\t" + ", ".join(str(rng.randint(0, 65535)) for _ in range(32)) + "\n")
    text = "".join(out)
    open(path, "w").write(text)
    return sum(1 for l in text.splitlines() if l.startswith("\t") and not l.startswith("\t."))

asm = os.path.join(work, "prog.s")
asm_lines = write_assembly(asm, large["lines"])

def spawn(argv, out=os.devnull):
    """Runs argv as a process of its own: wall time in seconds and exit status."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    return time.perf_counter() - start, os.waitstatus_to_exitcode(status)

def peak(argv):
    """The command's maximum resident set size in bytes, through the small starter."""
    result = os.path.join(work, "peak")
    _, code = spawn([peak_probe, result] + argv)
    if code != 0:
        sys.exit("compare.sh: %s exited with %d" % (" ".join(argv[:3]), code))
    return int(open(result).read().split()[1]) * 1024

# One build first: what it writes sets the size of cat's output file.
_, code = spawn([pxc, large["makefile"]])
if code != 0:
    sys.exit("compare.sh: pxc %s exited with %d" % (large["makefile"], code))
output_bytes = sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder)
                   if os.path.join(folder, f) not in inputs)
padding = os.path.join(work, "padding")
with open(padding, "wb") as f:
    f.write(b"x" * max(0, output_bytes - source_bytes))

MB = 1024 * 1024
commands = [
    ("pxc, %d steps" % large["steps"], [pxc, large["makefile"]], os.devnull),
    ("pxc, %d steps" % small["steps"], [pxc, small["makefile"]], os.devnull),
    ("pxc --check, %d steps" % large["steps"], [pxc, "--check", large["makefile"]], os.devnull),
    ("pxc graph json, %d steps" % large["steps"], [pxc, "graph", "--format=json", large["makefile"]], os.devnull),
    ("pxc graph dot, %d steps" % large["steps"], [pxc, "graph", "--format=dot", large["makefile"]], os.devnull),
    ("as, %d lines" % asm_lines, ["as", "-o", os.path.join(work, "prog.o"), asm], os.devnull),
    ("cat inputs > /dev/null", ["cat"] + inputs, os.devnull),
    ("cat inputs > file", ["cat"] + inputs + [padding], os.path.join(work, "cat.out")),
    ("true (process start)", ["true"], os.devnull),
]
if baseline:
    commands.insert(2, ("baseline pxc, %d steps" % large["steps"], [baseline, large["makefile"]], os.devnull))
times = {name: [] for name, _, _ in commands}
load_before = open("/proc/loadavg").read().split()[:3]
for lap in range(runs + 1):
    for i in range(len(commands)):
        name, argv, out = commands[(i + lap) % len(commands)]
        seconds, code = spawn(argv, out)
        if code != 0:
            sys.exit("compare.sh: %s exited with %d" % (" ".join(argv[:3]), code))
        if lap > 0:  # the first lap warms the caches
            times[name].append(seconds)
load_after = open("/proc/loadavg").read().split()[:3]
rss = {name: max(peak(argv) for _ in range(3)) for name, argv, _ in commands}

med = {name: statistics.median(t) for name, t in times.items()}
print("program: %d steps in %d step files, %d instruction lines, %.2f MiB of input; the build writes %.2f MiB"
      % (large["steps"], large["files"], large["lines"], source_bytes / MB, output_bytes / MB))
print("inputs: the makefile, the .fig file and the step files; cat > file also reads %.2f MiB of padding"
      % (os.path.getsize(padding) / MB))
print("%d runs each on %d cores; load average %s before, %s after"
      % (runs, os.cpu_count(), " ".join(load_before), " ".join(load_after)))
print()
print("%-26s %10s %10s %11s" % ("command", "median ms", "min ms", "peak MiB"))
for name, _, _ in commands:
    print("%-26s %10.2f %10.2f %11s" % (name, 1e3 * med[name], 1e3 * min(times[name]),
                                          "%.2f" % (rss[name] / MB) if name in rss else ""))
print()

def figure(text, value, target, holds):
    print("%-64s %s  (target %s)%s" % (text + ":", value, target, "" if holds else "  MISSED"))

pxc_large, pxc_small = "pxc, %d steps" % large["steps"], "pxc, %d steps" % small["steps"]
as_speed = (med["as, %d lines" % asm_lines] / asm_lines) / (med[pxc_large] / large["lines"])
figure("pxc's speed per instruction line, relative to as", "%.2fx" % as_speed, ">= 1.5", as_speed >= 1.5)
io = med[pxc_large] / med["cat inputs > file"]
figure("pxc's time relative to cat reading inputs, writing %.2f MiB" % (output_bytes / MB), "%.2f" % io, "<= 3", io <= 3)
per_step = (med[pxc_large] / large["steps"]) / (med[pxc_small] / small["steps"])
if baseline:
    old = med["baseline pxc, %d steps" % large["steps"]]
    print("%-64s %.2fx" % ("the baseline's speed per instruction line, relative to as:",
                           (med["as, %d lines" % asm_lines] / asm_lines) / (old / large["lines"])))
    print("%-64s %.2f" % ("the baseline's time relative to cat reading inputs, writing:", old / med["cat inputs > file"]))
figure("time per step, %d steps relative to %d" % (large["steps"], small["steps"]), "%.2f" % per_step, "<= 1.2",
       per_step <= 1.2)
checked = med["pxc --check, %d steps" % large["steps"]]
for form in ("json", "dot"):
    drawn = med["pxc graph %s, %d steps" % (form, large["steps"])] / checked
    figure("pxc graph --format=%s's time relative to pxc --check" % form, "%.2f" % drawn, "<= 2", drawn <= 2)
limit = 4 * source_bytes + 8 * MB
most = rss[pxc_large]
figure("peak memory %.1f MiB, relative to 4 x input + 8 MiB = %.1f MiB" % (most / MB, limit / MB),
       "%.2f" % (most / limit), "<= 1", most <= limit)
EOF
