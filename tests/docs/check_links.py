"""Every relative link of README.md and docs/*.md leads somewhere: the file
or folder exists in the source tree and, for a link into a Markdown file
with #anchor, that file has a heading with that anchor.
    check_links.py <source dir>"""
import pathlib
import re
import sys

# [text](target) and [text](target "title"); images too. Code spans and
# fenced blocks are dropped first: their brackets are no links.
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^(```|~~~).*?^\1", re.M | re.S)
CODE = re.compile(r"`[^`\n]*`")


def anchors(markdown: str) -> set:
    """The anchors of the headings, as the usual Markdown renderers make them."""
    found = set()
    for title in re.findall(r"^#{1,6}\s+(.*?)\s*#*\s*$", FENCE.sub("", markdown), re.M):
        slug = re.sub(r"[^\w\- ]", "", title.lower()).replace(" ", "-")
        found.add(slug)
    return found


def broken_links(source: pathlib.Path) -> list:
    pages = [source / "README.md", *sorted((source / "docs").glob("*.md"))]
    broken = []
    for page in pages:
        text = CODE.sub("", FENCE.sub("", page.read_text(encoding="utf-8")))
        for target in LINK.findall(text):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                continue  # http:, https:, mailto: ...
            path, _, anchor = target.partition("#")
            destination = (page.parent / path).resolve() if path else page
            where = f"{page.relative_to(source)}: ({target})"
            if not destination.exists():
                broken.append(f"{where}: no {destination}")
            elif anchor and destination.suffix == ".md" and anchor not in anchors(destination.read_text(encoding="utf-8")):
                broken.append(f"{where}: no heading #{anchor} in {destination.name}")
    return broken


def main() -> int:
    source = pathlib.Path(sys.argv[1]).resolve()
    broken = broken_links(source)
    for line in broken:
        print(line)
    if broken:
        return 1
    print("every relative link resolves")
    return 0


if __name__ == "__main__":
    sys.exit(main())
