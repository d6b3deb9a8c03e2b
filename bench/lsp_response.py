#!/usr/bin/env python3
"""Times how fast "rkl lsp" answers a change in a large product.

Generates a product of 1,000 modules (each based on its parent's options,
with rules of its own) whose root module text is 2,000 lines long, starts
"rkl lsp" on it, opens the root module's text and changes it again and
again, alternating a text that parses and one with a syntax error. Each
change is timed from sending "textDocument/didChange" to receiving the
"textDocument/publishDiagnostics" for it.

    bench/lsp_response.py build/default/tools/rkl/rkl [--modules 1000]
        [--lines 2000] [--changes 40]
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time


def module_text(index, parent, lines):
    """The text of module m<index>: ten options, the first used from its
    parent, and rule statements up to `lines` lines."""
    name = f"m{index:04d}"
    out = [f"module {name}", "interface start"]
    out.append(f'public width integer "Width of part {index}" = 0 to 1000 default 10')
    out.append('public finish string "Surface" = "raw", "painted", "coated" default "raw"')
    out.append("public heavy logical default false")
    out.append("public ratio real = 0.5 to 4.0 default 1.0")
    for k in range(5):
        out.append(f"public extra{k} integer = 0 to 100 default {k}")
    if parent is not None:
        out.append(f"public outer uses m{parent:04d}:width")
    out.append("interface end")
    k = 0
    while len(out) + 4 <= lines:
        out.append(f"if {name}:width > {k % 900} then")
        out.append(f"    set {name}:extra{k % 5} to {k % 100}")
        out.append(f'elif {name}:finish = "painted" then')
        out.append(f"    set {name}:heavy to true")
        out.append("endif")
        k += 1
    while len(out) < lines:
        out.append(f"# line {len(out) + 1}")
    return "\n".join(out) + "\n"


def generate(directory, modules, lines):
    children = {i: [] for i in range(modules)}
    for i in range(1, modules):
        children[(i - 1) // 10].append(i)
    for i in range(modules):
        parent = None if i == 0 else (i - 1) // 10
        size = lines if i == 0 else 25
        with open(os.path.join(directory, f"m{i:04d}.rkl"), "w") as f:
            f.write(module_text(i, parent, size))

    def node(i):
        spec = {"name": f"n{i}", "module": f"m{i:04d}"}
        if i > 0:
            spec["loadIf"] = f"m{(i - 1) // 10:04d}:heavy = false"
        if children[i]:
            spec["children"] = [node(c) for c in children[i]]
        return spec

    with open(os.path.join(directory, "product.json"), "w") as f:
        json.dump(node(0), f, indent=1)


class Client:
    def __init__(self, program, directory):
        self.process = subprocess.Popen([program, "lsp"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, cwd=directory)
        self.next_id = 0

    def send(self, message):
        body = json.dumps(message).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def receive(self):
        length = None
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the server ended")
            line = line.strip()
            if not line:
                break
            name, _, value = line.partition(b":")
            if name.lower() == b"content-length":
                length = int(value)
        return json.loads(self.process.stdout.read(length))

    def request(self, method, params):
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params})
        while True:
            message = self.receive()
            if message.get("id") == self.next_id:
                return message

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def findings(self, uri):
        while True:
            message = self.receive()
            if (message.get("method") == "textDocument/publishDiagnostics"
                    and message["params"]["uri"] == uri):
                return message["params"]["diagnostics"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("rkl")
    parser.add_argument("--modules", type=int, default=1000)
    parser.add_argument("--lines", type=int, default=2000)
    parser.add_argument("--changes", type=int, default=40)
    args = parser.parse_args()
    program = os.path.abspath(args.rkl)

    with tempfile.TemporaryDirectory() as directory:
        generate(directory, args.modules, args.lines)
        client = Client(program, directory)
        start = time.perf_counter()
        client.request("initialize", {"rootUri": "file://" + directory, "capabilities": {}})
        loaded = time.perf_counter() - start
        client.notify("initialized", {})
        uri = "file://" + os.path.join(directory, "m0000.rkl")
        with open(os.path.join(directory, "m0000.rkl")) as f:
            good = f.read()
        bad = good.replace("set m0000:extra0 to 0", "set m0000:extra0 0", 1)
        client.notify("textDocument/didOpen", {"textDocument": {
            "uri": uri, "languageId": "rkl", "version": 1, "text": good}})
        # Opening checks the whole product; a request answered after it
        # marks its end, so that the first change is not timed with it.
        client.request("textDocument/hover", {"textDocument": {"uri": uri},
                                              "position": {"line": 0, "character": 0}})
        times = []
        for version in range(2, args.changes + 2):
            text = bad if version % 2 else good
            began = time.perf_counter()
            client.notify("textDocument/didChange", {
                "textDocument": {"uri": uri, "version": version},
                "contentChanges": [{"text": text}]})
            found = client.findings(uri)
            times.append((time.perf_counter() - began) * 1000)
            if bool(found) != (text is bad):
                sys.exit(f"change {version}: unexpected findings {found}")
        client.request("shutdown", None)
        client.notify("exit", None)
        status = client.process.wait()
    print(f"{args.modules} modules, a {args.lines}-line module changed {args.changes} times")
    print(f"initialize (loads every module): {loaded * 1000:.0f} ms")
    print(f"didChange -> publishDiagnostics: median {statistics.median(times):.1f} ms, "
          f"max {max(times):.1f} ms")
    return 0 if status == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
