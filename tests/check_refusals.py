#!/usr/bin/env python3
"""Every refusal of the step decoders and of the object reader is reached by
a decode case.

Reads each refuse(...) and refuse_at(...) call of compiler/steps/decode_*.cpp,
and each stop(...) and note(...) call of compiler/driver/object_reader.cpp,
and makes its reason (the last argument) into a pattern: the string literals
as written, any other part of the expression as a wildcard ("shift by " + n +
" positions" is "shift by * positions"; a reason formatted by snprintf has
its conversions as wildcards). Reads the refusals the decode cases expect
(tests/cases/decode/*.txt: "=> offset N: REASON" for step code, and each
"offset N: PROBLEM" of an "object" line); the runner has checked that the
library gives exactly those. Each reason is credited to the pattern it
matches with the most literal text, so "motor or servo 17 is beyond 16"
reaches "motor or servo * is beyond 16" and not "motor * is beyond 16".

Prints, for the decoders and for the object reader, how many of the
patterns the cases reach, the patterns that several call sites share (a
reason cannot tell those sites apart), and each pattern not reached. Fails
when one is not reached, when a step-code case's reason matches no pattern,
or when a call's reason has no text of its own to match.

Usage: check_refusals.py COMPILER_DIR CASES_DIR   (compiler, tests/cases/decode)
"""
import glob
import os
import re
import sys

# Where the refusals are, and the calls that make them.
GROUPS = [
    ("decoder refusals", "steps/decode_*.cpp", re.compile(r"\b(refuse|refuse_at)\s*\(")),
    ("object reader problems", "driver/object_reader.cpp", re.compile(r"\b(stop|note)\s*\(")),
]


def pieces(text, start=0):
    """(offset, piece) from start: each string literal whole, any other character alone."""
    at = start
    while at < len(text):
        if text[at] != '"':
            yield at, text[at]
            at += 1
            continue
        end = at + 1
        while text[end] != '"':
            end += 2 if text[end] == "\\" else 1
        yield at, text[at:end + 1]
        at = end + 1


def call_arguments(text, start):
    """The top-level arguments of the call whose "(" is at start."""
    args, depth, current = [], 0, ""
    for at, piece in pieces(text, start):
        if piece in ("(", "[", "{"):
            depth += 1
            if depth == 1:
                continue
        elif piece in (")", "]", "}"):
            depth -= 1
            if depth == 0:
                return args + [current.strip()]
        elif piece == "," and depth == 1:
            args.append(current.strip())
            current = ""
            continue
        current += piece
    raise ValueError("unclosed call")


def split_plus(expression):
    """The terms of a + chain at the top level, outside literals and brackets."""
    terms, depth, current = [], 0, ""
    for _, piece in pieces(expression):
        if piece in ("(", "[", "{"):
            depth += 1
        elif piece in (")", "]", "}"):
            depth -= 1
        elif piece == "+" and depth == 0:
            terms.append(current.strip())
            current = ""
            continue
        current += piece
    return terms + [current.strip()]


LITERAL = re.compile(r'^(?:std::string\s*\(\s*)?"((?:[^"\\]|\\.)*)"\s*\)?$')


def pattern_of(expression):
    """[(is_literal, text)] for a reason expression, wildcards merged."""
    parts = []
    for term in split_plus(expression):
        m = LITERAL.match(term)
        if m:
            text = bytes(m.group(1), "utf-8").decode("unicode_escape")
            if parts and parts[-1][0]:
                parts[-1] = (True, parts[-1][1] + text)
            else:
                parts.append((True, text))
        elif not parts or parts[-1][0]:
            parts.append((False, "*"))
    return parts


def shown(parts):
    return "".join(text for _, text in parts)


def regex(parts):
    return re.compile("".join(re.escape(text) if literal else ".*" for literal, text in parts) + r"\Z")


def weight(parts):
    return sum(len(text) for literal, text in parts if literal)


def formatted(text, at, name):
    """The pattern of a reason snprintf wrote into `name` shortly before `at`."""
    found = list(re.finditer(r'snprintf\(\s*%s\s*,[^,]*,\s*"((?:[^"\\]|\\.)*)"' % re.escape(name),
                             text[max(0, at - 400):at]))
    if not found:
        return None
    parts = []
    for i, piece in enumerate(re.split(r"%[-+ #0-9.]*[a-zA-Z]+", found[-1].group(1))):
        if i:
            parts.append((False, "*"))
        if piece:
            parts.append((True, piece))
    return parts


def call_sites(compiler_dir, pattern, call, problems):
    """pattern text -> (parts, ["file:line", ...]) for every call in the files."""
    sites = {}
    for path in sorted(glob.glob(os.path.join(compiler_dir, pattern))):
        text = open(path, encoding="utf-8").read()
        for m in call.finditer(text):
            line = text.count("\n", 0, m.start()) + 1
            where = "%s:%d" % (os.path.basename(path), line)
            before = text[max(0, m.start() - 40):m.start()]
            if re.search(r"\b(bool|void)\s+(\w+::)?$", before):
                continue  # the definition, not a call
            reason = call_arguments(text, m.end() - 1)[-1]
            if re.fullmatch(r"\w+", reason):
                parts = formatted(text, m.start(), reason)
                if parts is None:
                    continue  # passes on a reason given to it: the refusal is its caller's
            else:
                parts = pattern_of(reason)
            if not any(literal for literal, _ in parts):
                problems.append("%s: the reason has no text of its own: %s" % (where, reason))
                continue
            sites.setdefault(shown(parts), (parts, []))[1].append(where)
    return sites


def case_reasons(cases_dir):
    """[(file:line, reason, from an object line)] of every case's refusals."""
    reasons = []
    for path in sorted(glob.glob(os.path.join(cases_dir, "*.txt"))):
        for number, line in enumerate(open(path, encoding="utf-8"), 1):
            if line.lstrip().startswith("#") or "=>" not in line:
                continue
            where = "%s:%d" % (os.path.basename(path), number)
            result = line.split("=>", 1)[1].strip()
            whole_file = line.split()[0] == "object"
            for problem in re.split(r" ; (?=offset \d+: )", result) if whole_file else [result]:
                m = re.match(r"offset \d+: (.*)$", problem)
                if m:
                    reasons.append((where, m.group(1), whole_file))
    return reasons


def main():
    compiler_dir, cases_dir = sys.argv[1], sys.argv[2]
    problems = []
    reasons = case_reasons(cases_dir)
    for title, pattern, call in GROUPS:
        sites = call_sites(compiler_dir, pattern, call, problems)
        compiled = {key: regex(parts) for key, (parts, _) in sites.items()}
        reached, lines = {}, 0
        for where, reason, whole_file in reasons:
            matching = [key for key in sites if compiled[key].match(reason)]
            if not matching:
                # An object line also shows the decoders' refusals and what the
                # dump finds of the program; step code shows only refusals.
                if not whole_file and title == GROUPS[0][0]:
                    problems.append("%s: no refusal of the decoders reads \"%s\"" % (where, reason))
                continue
            lines += 1
            best = max(matching, key=lambda key: weight(sites[key][0]))
            reached.setdefault(best, []).append(where)
        call_count = sum(len(w) for _, w in sites.values())
        print("%s reached by the decode cases: %d of %d reasons (%d call sites, %d case refusals)"
              % (title, len(reached), len(sites), call_count, lines))
        for key, (parts, where) in sorted(sites.items()):
            if len(where) > 1:
                print("  one reason, %d call sites (%s): %s" % (len(where), ", ".join(where), key))
        for key, (parts, where) in sorted(sites.items(), key=lambda item: item[1][1]):
            if key not in reached:
                problems.append("not reached: %s (%s)" % (key, ", ".join(where)))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
