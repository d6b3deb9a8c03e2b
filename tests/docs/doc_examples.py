#!/usr/bin/env python3
"""Runs the examples of a markdown document through rkl.

Fenced blocks take part by their info string:

    ```rkl                      a whole module text, checked alone
    ```rkl product=NAME         a module text of product NAME (file <module id>.rkl)
    ```json product=NAME        product NAME's product.json
    ```text product=NAME file=F any other file of product NAME, such as choices
    ```console product=NAME     commands and what they print

Each product is written to a directory NAME, and `rkl check NAME` must pass
unless a console block of the product runs check itself. A console block
holds lines "$ rkl ARGUMENTS" (run from the directory holding the products),
each followed by exactly what it prints on standard output; a command that
exits with a status other than 0 ends with "# exit N". Other fenced blocks
(plain ``` or another language) are not examples.

    doc_examples.py --rkl PROGRAM DOCUMENT
"""

import argparse
import os
import re
import shlex
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```(\S*)(.*)$")


def blocks(text):
    """The fenced blocks: (language, attributes, body, line of the fence)."""
    found = []
    lines = text.split("\n")
    index = 0
    while index < len(lines):
        match = FENCE.match(lines[index])
        if not match or not match.group(1):
            index += 1
            continue
        start = index
        attributes = dict(word.split("=", 1) for word in match.group(2).split() if "=" in word)
        body = []
        index += 1
        while index < len(lines) and lines[index] != "```":
            body.append(lines[index])
            index += 1
        if index == len(lines):
            sys.exit(f"line {start + 1}: the block is not closed")
        found.append((match.group(1), attributes, "\n".join(body) + "\n", start + 1))
        index += 1
    return found


def module_id(body, line):
    first = body.split("\n", 1)[0].split()
    if len(first) != 2 or first[0] != "module":
        sys.exit(f"line {line}: a module text starts with 'module <id>'")
    return first[1]


def commands(body):
    """The commands of a console block: (arguments, expected output, status)."""
    runs = []
    for line in body.rstrip("\n").split("\n"):
        if line.startswith("$ "):
            command, _, comment = line[2:].partition(" # exit ")
            arguments = shlex.split(command)
            if not arguments or arguments[0] != "rkl":
                sys.exit(f"not an rkl command: {line}")
            runs.append([arguments[1:], "", int(comment) if comment else 0])
        elif runs:
            runs[-1][1] += line + "\n"
        else:
            sys.exit(f"a console block starts with a command: {line}")
    return runs


def run(rkl, arguments, directory):
    done = subprocess.run([rkl, *arguments], cwd=directory, capture_output=True, text=True,
                          check=False)
    return done.returncode, done.stdout, done.stderr


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rkl", required=True)
    parser.add_argument("document")
    arguments = parser.parse_args()
    rkl = os.path.abspath(arguments.rkl)
    with open(arguments.document, encoding="utf-8") as document:
        found = blocks(document.read())

    failures = []
    checked = 0
    with tempfile.TemporaryDirectory(prefix="doc_examples_") as directory:
        consoles = []
        products = set()
        for language, attributes, body, line in found:
            product = attributes.get("product")
            if language == "console":
                consoles.append((body, line))
                continue
            if language not in ("rkl", "json", "text") or (language != "rkl" and not product):
                continue
            if language == "rkl" and not product:
                product = f"module_at_line_{line}"
            products.add(product)
            os.makedirs(os.path.join(directory, product), exist_ok=True)
            name = {"rkl": lambda: module_id(body, line) + ".rkl",
                    "json": lambda: "product.json",
                    "text": lambda: attributes["file"]}[language]()
            with open(os.path.join(directory, product, name), "w", encoding="utf-8") as out:
                out.write(body)

        checks_run = set()
        for body, line in consoles:
            for command, expected, status in commands(body):
                if command[0] == "check":
                    checks_run.update(command[1:])
                got_status, got, errors = run(rkl, command, directory)
                checked += 1
                if (got_status, got) != (status, expected):
                    failures.append(f"line {line}: rkl {shlex.join(command)} exited with "
                                    f"{got_status} (not {status}) and printed:\n{got}{errors}"
                                    f"instead of:\n{expected}")
        for product in sorted(products - checks_run):
            status, out, errors = run(rkl, ["check", product], directory)
            checked += 1
            if status != 0:
                failures.append(f"rkl check {product} exited with {status}:\n{out}{errors}")

    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{checked} runs, {len(failures)} failed")
    sys.exit(1 if failures or checked == 0 else 0)


if __name__ == "__main__":
    main()
