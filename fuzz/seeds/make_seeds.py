#!/usr/bin/env python3
"""Seed corpora for the fuzz targets, from the examples and the test cases.

Run from the source tree: fuzz/seeds/make_seeds.py OUTDIR. Writes
OUTDIR/<target>/ for steps, config, table, makefile, build and dump; scripts/fuzz.sh
merges them into the committed corpora.
"""
import hashlib, os, re, sys, glob

LIMIT = 64 * 1024
out = sys.argv[1]

def put(target, data):
    if len(data) > LIMIT:
        return
    d = os.path.join(out, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)

def files(*patterns):
    for p in patterns:
        for name in sorted(glob.glob(p, recursive=True)):
            if os.path.isfile(name) and os.path.getsize(name) <= LIMIT:
                yield name, open(name, "rb").read()

inputs = ["examples/*/*", "tests/cases/builds/*/in/**/*"]
ext = lambda n: os.path.splitext(n)[1].lower()
steps_files = [(n, d) for p in inputs for n, d in files(p) if ext(n) in (".vep", ".pre", ".over", ".exact")]
for n, d in steps_files:
    put("steps", d)
# Each instruction of the step tables as a step of its own.
for name, text in files("tests/cases/steps/*.txt"):
    lines = [l.split("=>")[0].strip() for l in text.decode("latin-1").splitlines() if "=>" in l]
    for i in range(0, len(lines), 8):
        body = "".join("[%d]\n---\n---\n%s\n\n" % (k + 1, l) for k, l in enumerate(lines[i:i + 8]))
        put("steps", body.encode("latin-1"))
for p in inputs:
    for n, d in files(p):
        if ext(n) == ".fig":
            put("config", d)
        if ext(n) == ".tab" or d.lstrip()[:1] in (b"d", b"D"):
            for model in (0, 12):
                put("table", bytes([model]) + d)
        if ext(n) == ".mak" and b"/" not in d and b"\\" not in d:
            put("makefile", d)
for name in ("conveyor.mak", "main.pre\nfeeder.pre\npress.pre\n", "tiny.vep\n", "MAIN.PRE\nFEEDER.PRE\n",
             "main.pre\nmain.pre\n", "fuzz.mak\n", "tiny.vep\r\nmain.pre\r\n"):
    put("makefile", name.encode())

# Whole programs: every folder with a step file, its configuration and table.
SEP = b"\n%%\n"
for folder in sorted(glob.glob("examples/*") + glob.glob("tests/cases/builds/*/in")):
    got = {ext(n): d for n, d in files(folder + "/*")}
    masters = [d for n, d in files(folder + "/*") if ext(n) in (".vep", ".pre")]
    if not masters:
        continue
    for model in (0, 12, 0x80 | 14):
        put("build", bytes([model]) + masters[0])
        parts = [masters[0], got.get(".fig", b""), got.get(".tab", b""), b""] + masters[1:5]
        put("build", bytes([model]) + SEP.join(parts))

# Object files: each step code of the decode cases as step 1 of a file of its
# numbering (model code 0, or a 1024-step model), clean but for that step.
def record(kind, address, data):
    return bytes([len(data), kind, address & 0xFF, address >> 8]) + data

def object_file(code, wide):
    slots = 1024 if wide else 256
    lengths = bytes([len(code)]) + bytes(slots - 1)
    body = record(1, 0, code)
    body += b"".join(record(0, a, lengths[a:a + 16]) for a in range(0, slots, 16))
    body += record(3, 0, bytes(4)) + (record(4, 0, bytes(4)) if wide else b"") + record(6, 0, b"\0")
    checksum = (len(code) + sum(code)) & 0xFF  # every other data byte is 0
    return (b"\xed\xfe\0" if wide else b"\xef\xbe\0") + body + record(5, 0, bytes([checksum]))

for name, text in files("tests/cases/decode/*.txt"):
    for line in text.decode("latin-1").splitlines():
        words = line.split("=>")[0].split()
        if len(words) < 2 or words[0] not in ("narrow", "wide") or "{" in line:
            continue
        code = bytes(int(w, 16) for w in words[1:])
        if 0 < len(code) < 256:
            put("dump", object_file(code, words[0] == "wide"))
