"""docs/python.md's reference names every public method and property of every
public class of the tevrak package: a name in the module that is not in the
class's entry fails.
    check_python_doc.py docs/python.md   (with the built package on PYTHONPATH)"""
import dataclasses
import enum
import inspect
import re
import sys

import tevrak

# What every class of its kind has; documented where Python documents it.
INHERITED_FROM = (object, tuple, BaseException, enum.Enum, str)


def public_members(cls) -> set:
    """The class's own public names and those of its tevrak bases."""
    names = set()
    for klass in inspect.getmro(cls):
        if klass in INHERITED_FROM or klass.__module__.split(".")[0] in ("builtins", "enum", "pybind11_builtins"):
            continue
        names.update(name for name in vars(klass) if not name.startswith("_"))
    if dataclasses.is_dataclass(cls):
        names.update(field.name for field in dataclasses.fields(cls))
    if issubclass(cls, BaseException):
        names.update(name for name in vars(cls("message")) if not name.startswith("_"))  # set by __init__
    if issubclass(cls, enum.Enum):
        names -= set(cls.__members__)  # the members are the values, listed as such
        names.add("name")
    return names


def entries(markdown: str) -> dict:
    """The reference's entries: "- `Class(...)`, `Other`: ..." up to the next
    entry or blank line, for each class named before the colon."""
    reference = markdown.split("\n## Reference\n", 1)
    if len(reference) < 2:
        return {}
    found = {}
    for entry in re.split(r"\n(?=- )|\n\n", reference[1].split("\n## ", 1)[0]):
        if entry.startswith("- `"):
            for name in re.findall(r"`(?:tevrak\.)?([A-Z]\w*)", entry.split("`:", 1)[0]):
                found[name] = entry
    return found


def main() -> int:
    with open(sys.argv[1], encoding="utf-8") as doc:
        reference = entries(doc.read())
    missing = []
    for name in tevrak.__all__:
        cls = getattr(tevrak, name)
        if not inspect.isclass(cls):
            continue
        entry = reference.get(name)
        if entry is None:
            missing.append(f"{name}: no entry in the reference")
            continue
        for member in sorted(public_members(cls)):
            if not re.search(r"[`.]" + re.escape(member) + r"\b", entry):
                missing.append(f"{name}.{member}")
    print("\n".join(f"not in docs/python.md: {line}" for line in missing) or
          "docs/python.md names every public member")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
