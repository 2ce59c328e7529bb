#!/usr/bin/env python3
"""Fails when a lower layer of the component includes a header of a higher one.

Layers, lowest first: values and registry (src/component) < engine (src/engine) < files
and records (src/database, src/records) < apuração (src/apuracao) < command line and
Python (cli, python). A header beside its sources belongs to their folder's layer; a
public header (include/orvalis) to the layer named for it below, which every new public
header must be given.
"""
import pathlib
import re
import sys

LAYERS = ["values and registry", "engine", "files and records", "apuração", "front-ends"]
FOLDERS = {"src/component": 0, "src/engine": 1, "src/database": 2, "src/records": 2,
           "src/apuracao": 3, "cli": 4, "python": 4}
PUBLIC = {
    0: ["class_info", "class_registry", "component_folder", "currency", "date", "diagnostics",
        "error", "export", "messages", "object", "settings", "variant"],
    1: ["database", "dbengine", "field", "field_type", "recordset", "relation", "tabledef",
        "transaction"],
    2: ["corrige_converte_db", "mantem_db", "records/*"],
    3: ["apuracao", "icms"],
    4: ["orvalis"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def public_layer(name):
    for layer, names in PUBLIC.items():
        for pattern in names:
            if name == pattern or (pattern.endswith("/*") and name.startswith(pattern[:-1])):
                return layer
    return None


def layer_of(root, path):
    relative = path.relative_to(root).as_posix()
    if relative.startswith("include/orvalis/"):
        return public_layer(relative[len("include/orvalis/"):-2])
    for folder, layer in FOLDERS.items():
        if relative.startswith(folder + "/"):
            return layer
    return None


def resolve(root, including, name):
    for base in (including.parent, root / "include", root / "src"):
        candidate = base / name
        if candidate.is_file():
            return candidate
    return None


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    faults = []
    files = [p for folder in ["include", "src", "cli", "python"]
             for p in (root / folder).rglob("*") if p.suffix in (".h", ".cpp")]
    for path in files:
        layer = layer_of(root, path)
        if layer is None:
            faults.append(f"{path.relative_to(root)}: no layer (give it one in this script)")
            continue
        for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            header = resolve(root, path, name)
            if header is None:
                continue
            included = layer_of(root, header)
            if included is not None and included > layer:
                faults.append(f"{path.relative_to(root)} ({LAYERS[layer]}) includes {name} "
                              f"({LAYERS[included]})")
    for fault in faults:
        print(fault)
    print(f"{len(files)} files, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
