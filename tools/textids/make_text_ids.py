#!/usr/bin/env python3
"""Writes the names of the language table's entries (game/core/TextIds.h) from the table itself.

Every entry of the current language carries an Id attribute (upper case letters, digits and underscores); its
name in the code is TXT_<Id> and its number is its position among the current language's entries, as the game
counts them. Entries that are unused ("-") need no Id.

  make_text_ids.py TABLE.xml OUT.h     write the header
  make_text_ids.py TABLE.xml --check OUT.h
                                       exit 1 (and say why) when OUT.h is not what the table gives
"""
import re
import sys
import xml.etree.ElementTree as ET

NAME = re.compile(r"^[A-Z][A-Z0-9_]*$")


def read_ids(table_path):
    root = ET.parse(table_path).getroot()
    current = root.get("Current", "")
    ids, errors, seen = [], [], {}
    number = 0
    for element in root.iter("String"):
        if element.get("LNG", "") != current:
            continue
        name = element.get("Id")
        text = (element.text or "").strip()
        if name is None:
            if text not in ("", "-"):
                errors.append(f"entry {number} ({text!r}) has no Id")
        elif not NAME.match(name):
            errors.append(f"entry {number}: Id {name!r} is not upper case letters, digits and underscores")
        elif name in seen:
            errors.append(f"entry {number}: Id {name} is also entry {seen[name]}")
        else:
            seen[name] = number
            ids.append((name, number, text))
        number += 1
    return ids, errors


def header(ids):
    lines = [
        "// The language table's entries by name; made by tools/textids/make_text_ids.py from",
        "// content/data/properties/lng.xml (do not edit: change the table's Id attributes and run the tool).",
        "#pragma once",
        "",
        "// clang-format off",
        "namespace Zest",
        "{",
        "",
        "// Numbers are the entries' positions in the table; an entry keeps its number for good.",
        "enum TextId : int",
        "{",
    ]
    for name, number, text in ids:
        shown = text.replace("\n", " ")
        if len(shown) > 70:
            shown = shown[:67] + "..."
        lines.append(f"    TXT_{name} = {number}, // {shown}")
    lines += ["};", "", "} // namespace Zest", "// clang-format on", ""]
    return "\n".join(lines)


def main(argv):
    if len(argv) == 3:
        table, out, check = argv[1], argv[2], False
    elif len(argv) == 4 and argv[2] == "--check":
        table, out, check = argv[1], argv[3], True
    else:
        sys.stderr.write(__doc__)
        return 2
    ids, errors = read_ids(table)
    if errors:
        for e in errors:
            print(f"{table}: {e}", file=sys.stderr)
        return 1
    text = header(ids)
    if check:
        try:
            with open(out, encoding="utf-8") as f:
                if f.read() == text:
                    print(f"{out} matches {table}")
                    return 0
        except OSError:
            pass
        print(f"{out} is not what {table} gives: run tools/textids/make_text_ids.py {table} {out}", file=sys.stderr)
        return 1
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
