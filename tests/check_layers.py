#!/usr/bin/env python3
"""Checks the library's layers: a unit (a .h and its .cpp) may include units
of its own layer and of the layers below, never of a layer above. Units of
one layer may call each other (the compile frame and its families do).
A new unit must be given a layer here. Exit 0 when the rule holds."""
import fnmatch, os, re, sys

# Lowest first. A unit is named by its path under compiler/ without extension.
LAYERS = [
    # test_hooks.h includes nothing: each layer defines the seams it owns.
    ("platform and utilities", ["platform/*", "driver/utilities", "driver/helpers", "test_hooks"]),
    ("base", ["driver/model", "driver/build_state", "driver/build_context", "driver/diagnostics", "driver/source_places",
              "driver/graph_record", "driver/xref", "files/model_limits", "files/config"]),
    ("readers and compiler", ["files/read_file", "files/step_reader", "files/save_file",
                              "files/data_table_file", "steps/*", "driver/symbol_record"]),
    ("driver", ["driver/driver", "driver/export", "driver/object_file", "driver/object_format", "driver/object_reader",
                "driver/object_dump"]),
]


def layer_of(unit):
    for level, (_, patterns) in enumerate(LAYERS):
        if any(fnmatch.fnmatch(unit, p) for p in patterns):
            return level
    return None


def main(root):
    problems = []
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            unit = os.path.relpath(path, root).rsplit(".", 1)[0]
            level = layer_of(unit)
            if level is None:
                problems.append(f"{path}: no layer: add it to {sys.argv[0]}")
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                    if not m:
                        continue
                    target = m.group(1)
                    if not os.path.exists(os.path.join(root, target)):
                        target = os.path.join(os.path.relpath(folder, root), target)
                    other = layer_of(target.rsplit(".", 1)[0])
                    if other is not None and other > level:
                        problems.append(f"{path}:{number}: {LAYERS[level][0]} unit includes "
                                        f"{m.group(1)} of layer {LAYERS[other][0]}")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "compiler")))
