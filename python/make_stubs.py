"""Writes the type stubs of the `orvalis` module (its __init__.pyi) for editors and type
checkers: the hand-written part (stub_header.pyi) for what the module itself defines, then
one class per registered component class, read from the class registry of the module as
built, with its members in slot order, and CreateObject typed by class name.

    python3 make_stubs.py HEADER OUTPUT      (with the built module importable)

Fails when a class cannot be an attribute of the module (its name is not an identifier or
is taken by one of the module's own names).
"""

import ast
import keyword
import sys

import orvalis

GENERATED_NOTE = "# Written by make_stubs.py from the class registry: do not edit.\n"


def docstring(text, indent):
    """A docstring statement holding `text` exactly (as the module's own docstring)."""
    if '"""' in text or "\\" in text or text.endswith('"'):
        return indent + repr(text) + "\n"
    return indent + '"""' + text + '"""\n'


def positional(count_required, count_all):
    """Parameters a1..aN, positional only, the optional ones defaulted."""
    names = [f"a{i}: _Argument" + ("" if i <= count_required else " = ...")
             for i in range(1, count_all + 1)]
    return "".join(", " + name for name in names) + (", /" if names else "")


def member_line(member):
    """The stub of one member: what `obj.Name` is for it."""
    name = member.name
    if member.is_method:
        return f"def {name}(self{positional(member.min_args, member.max_args)}) -> Any: ..."
    if member.min_args > 0:
        return f"{name}: BoundMember"
    if member.is_get and not member.is_let:
        return f"@property\n    def {name}(self) -> Any: ..."
    return f"{name}: Any"


def stubbable(name):
    return name.isidentifier() and not keyword.iskeyword(name) and not name.startswith("__")


def class_stub(name, cls, members):
    lines = [f"class {name}(Object):\n", docstring(cls.__doc__, "    ")]
    for member in members:
        if not member.name:
            continue  # the default member: obj(...) and obj[...]
        if stubbable(member.name):
            lines.append("    " + member_line(member) + "\n")
        else:
            lines.append(f"    # {member.name!r}: not a Python name, reached with orvalis.invoke\n")
    return "".join(lines)


def header_names(header):
    names = set()
    for node in ast.parse(header).body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, (ast.Assign, ast.AnnAssign)):
            targets = node.targets if isinstance(node, ast.Assign) else [node.target]
            names.update(t.id for t in targets if isinstance(t, ast.Name))
    return names


def registered_classes(taken):
    """(prog_id, class name, type, members) for each registered class."""
    found = []
    for prog_id in orvalis.classes():
        obj = orvalis.CreateObject(prog_id)
        name = orvalis.class_name(obj)
        if not name.isidentifier() or keyword.iskeyword(name) or name in taken:
            sys.exit(f"make_stubs: class {name!r} ({prog_id}) cannot be orvalis.{name}")
        if getattr(orvalis, name, None) is not type(obj):
            sys.exit(f"make_stubs: orvalis.{name} is not the type of {prog_id}'s objects")
        found.append((prog_id, name, type(obj), orvalis.members(obj)))
    return found


def create_object_stub(classes):
    lines = []
    for prog_id, name, _, _ in classes:
        lines.append(f"@overload\ndef CreateObject(name: Literal[{prog_id!r}]) -> {name}: ...\n")
    lines.append("@overload\ndef CreateObject(name: str) -> Object: ...\n")
    return "".join(lines)


def main(header_path, output_path):
    with open(header_path, encoding="utf-8") as f:
        header = f.read()
    classes = registered_classes(header_names(header))
    written = {}
    parts = [GENERATED_NOTE, docstring(orvalis.__doc__, ""), "\n", header, "\n",
             create_object_stub(classes)]
    for _, name, cls, members in classes:
        if name not in written:
            written[name] = True
            parts.append("\n" + class_stub(name, cls, members))
    text = "".join(parts)
    ast.parse(text)  # a stub that does not parse is never written
    with open(output_path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
