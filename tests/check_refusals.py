#!/usr/bin/env python3
"""Every refusal of the step decoders is reached by a decode case.

Reads each refuse(...) and refuse_at(...) call of compiler/steps/decode_*.cpp
and makes its reason into a pattern: the string literals as written, any
other part of the expression as a wildcard ("shift by " + n + " positions"
is "shift by * positions"). Reads the refusals the decode cases expect
(tests/cases/decode/*.txt, "=> offset N: REASON"); the runner has checked
that the decoders give exactly those. Each reason is credited to the pattern
it matches with the most literal text, so "motor or servo 17 is beyond 16"
reaches "motor or servo * is beyond 16" and not "motor * is beyond 16".

Prints how many of the patterns the cases reach, the patterns that several
call sites share (a reason cannot tell those sites apart), and each pattern
not reached. Fails when one is not reached, when a case's reason matches no
pattern, or when a call's reason has no text of its own to match.

Usage: check_refusals.py SOURCE_DIR CASES_DIR   (compiler/steps, tests/cases/decode)
"""
import glob
import os
import re
import sys

CALL = re.compile(r"\b(refuse|refuse_at)\s*\(")


def call_arguments(text, start):
    """The top-level arguments of the call whose "(" is at start, and the end."""
    args, depth, at, current = [], 0, start, ""
    while at < len(text):
        c = text[at]
        if c == '"':
            end = at + 1
            while text[end] != '"':
                end += 2 if text[end] == "\\" else 1
            current += text[at:end + 1]
            at = end + 1
            continue
        if c in "([{":
            depth += 1
            if depth == 1:
                at += 1
                continue
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append(current.strip())
                return args, at + 1
        elif c == "," and depth == 1:
            args.append(current.strip())
            current = ""
            at += 1
            continue
        current += c
        at += 1
    raise ValueError("unclosed call")


def split_plus(expression):
    """The terms of a + chain at the top level, outside literals and brackets."""
    terms, depth, at, current = [], 0, 0, ""
    while at < len(expression):
        c = expression[at]
        if c == '"':
            end = at + 1
            while expression[end] != '"':
                end += 2 if expression[end] == "\\" else 1
            current += expression[at:end + 1]
            at = end + 1
            continue
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "+" and depth == 0:
            terms.append(current.strip())
            current = ""
            at += 1
            continue
        current += c
        at += 1
    terms.append(current.strip())
    return terms


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


def main():
    source_dir, cases_dir = sys.argv[1], sys.argv[2]
    sites = {}  # pattern text -> (parts, ["file:line", ...])
    problems = []
    for path in sorted(glob.glob(os.path.join(source_dir, "decode_*.cpp"))):
        text = open(path, encoding="utf-8").read()
        for m in CALL.finditer(text):
            line = text.count("\n", 0, m.start()) + 1
            where = "%s:%d" % (os.path.basename(path), line)
            before = text[max(0, m.start() - 40):m.start()]
            if re.search(r"\bbool\s+(\w+::)?$", before):
                continue  # the definition, not a call
            args, _ = call_arguments(text, m.end() - 1)
            reason = args[0] if m.group(1) == "refuse" else args[1]
            if re.fullmatch(r"\w+", reason):
                continue  # passes on a reason given to it: the refusal is its caller's
            parts = pattern_of(reason)
            if not any(literal for literal, _ in parts):
                problems.append("%s: the reason has no text of its own: %s" % (where, reason))
                continue
            sites.setdefault(shown(parts), (parts, []))[1].append(where)

    reasons = []  # (file:line, reason)
    for path in sorted(glob.glob(os.path.join(cases_dir, "*.txt"))):
        for number, line in enumerate(open(path, encoding="utf-8"), 1):
            m = re.search(r"=>\s*offset \d+: (.*?)\s*$", line)
            if m and not line.lstrip().startswith("#"):
                reasons.append(("%s:%d" % (os.path.basename(path), number), m.group(1)))

    compiled = {key: regex(parts) for key, (parts, _) in sites.items()}
    reached = {}
    for where, reason in reasons:
        matching = [key for key in sites if compiled[key].match(reason)]
        if not matching:
            problems.append("%s: no refusal of the decoders reads \"%s\"" % (where, reason))
            continue
        best = max(matching, key=lambda key: weight(sites[key][0]))
        reached.setdefault(best, []).append(where)

    call_count = sum(len(w) for _, w in sites.values())
    print("decoder refusals reached by the decode cases: %d of %d reasons (%d call sites, %d case lines)"
          % (len(reached), len(sites), call_count, len(reasons)))
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
