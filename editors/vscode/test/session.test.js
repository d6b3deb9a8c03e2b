// Drives "rkl lsp" through a session of every capability on a copy of
// examples/bike, over standard input and output as an editor would.
// Run from editors/vscode: node test/session.test.js <path of rkl>
"use strict";

const assert = require("assert");
const childProcess = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const rpc = require("vscode-jsonrpc/node");

const rkl = path.resolve(process.argv[2] || "rkl");
const bike = path.join(__dirname, "..", "..", "..", "examples", "bike");

const uriOf = (dir, file) => "file://" + path.join(dir, file).split("/").map(encodeURIComponent).join("/");

// The position of the nth occurrence of `needle` in `text`, plus `skip`.
function positionIn(text, needle, skip = 0, nth = 1) {
    let at = -1;
    for (let i = 0; i < nth; ++i) {
        at = text.indexOf(needle, at + 1);
    }
    assert.notStrictEqual(at, -1, `no ${needle}`);
    const before = text.slice(0, at + skip);
    const line = before.split("\n").length - 1;
    return { line, character: before.length - before.lastIndexOf("\n") - 1 };
}

class Session {
    constructor(dir) {
        this.dir = dir;
        this.server = childProcess.spawn(rkl, ["lsp"], { stdio: ["pipe", "pipe", "inherit"] });
        this.exited = new Promise((resolve) => this.server.on("exit", (code) => resolve(code)));
        this.connection = rpc.createMessageConnection(
            new rpc.StreamMessageReader(this.server.stdout),
            new rpc.StreamMessageWriter(this.server.stdin)
        );
        this.waiting = new Map();  // uri -> resolve, for the next findings published
        this.published = new Map();
        this.connection.onNotification("textDocument/publishDiagnostics", (params) => {
            this.published.set(params.uri, params.diagnostics);
            const resolve = this.waiting.get(params.uri);
            if (resolve) {
                this.waiting.delete(params.uri);
                resolve(params.diagnostics);
            }
        });
        this.connection.onNotification("window/logMessage", () => {});
        this.connection.listen();
    }
    uri(file) {
        return uriOf(this.dir, file);
    }
    text(file) {
        return fs.readFileSync(path.join(this.dir, file), "utf8");
    }
    at(file, needle, skip = 0, nth = 1) {
        return { textDocument: { uri: this.uri(file) }, position: positionIn(this.text(file), needle, skip, nth) };
    }
    request(method, params) {
        return this.connection.sendRequest(method, params);
    }
    // Sends a notification and waits for the findings it publishes for `file`.
    findingsAfter(file, method, params) {
        const published = new Promise((resolve, reject) => {
            this.waiting.set(this.uri(file), resolve);
            setTimeout(() => reject(new Error(`no findings for ${file} after ${method}`)), 5000);
        });
        this.connection.sendNotification(method, params);
        return published;
    }
    // The error code a request is refused with.
    async refusal(method, params) {
        try {
            await this.request(method, params);
        } catch (error) {
            return error.code;
        }
        assert.fail(`${method} was answered`);
    }
}

const checks = [];
function check(name, body) {
    checks.push({ name, body });
}

check("initialize announces every capability", async (s) => {
    const result = await s.request("initialize", { processId: null, rootUri: uriOf(s.dir, ""), capabilities: {} });
    const caps = result.capabilities;
    for (const name of ["hoverProvider", "definitionProvider", "referencesProvider", "documentSymbolProvider"]) {
        assert.strictEqual(caps[name], true, name);
    }
    assert.deepStrictEqual(caps.renameProvider, { prepareProvider: true });
    assert.deepStrictEqual(caps.completionProvider.triggerCharacters, [":"]);
    s.connection.sendNotification("initialized", {});
});

check("diagnostics: syntax errors, ignored text, validator findings; republished, cleared when fixed", async (s) => {
    const text = s.text("frame.rkl");
    const uri = s.uri("frame.rkl");
    const open = { textDocument: { uri, languageId: "rkl", version: 1, text } };
    assert.deepStrictEqual(await s.findingsAfter("frame.rkl", "textDocument/didOpen", open), []);
    const broken = text.replace('set frame:geometry to "upright"', 'set frame:geometry "upright"');
    const change = (version, t) => ({ textDocument: { uri, version }, contentChanges: [{ text: t }] });
    const found = await s.findingsAfter("frame.rkl", "textDocument/didChange", change(2, broken));
    assert.strictEqual(found.length, 1, JSON.stringify(found));
    assert.deepStrictEqual(found[0].range.start, positionIn(broken, 'geometry "upright"', 9));
    assert.strictEqual(found[0].severity, 1);
    const again = await s.findingsAfter("frame.rkl", "textDocument/didChange", change(3, broken + "\n"));
    assert.deepStrictEqual(again, found);
    assert.deepStrictEqual(await s.findingsAfter("frame.rkl", "textDocument/didChange", change(4, text)), []);
    // Ignored text and the validator's findings, as "rkl check" reports them.
    const extra = 'if bike:budget > 5000 then\n    inform "rich"\nendif\nendif\n';
    await s.findingsAfter("frame.rkl", "textDocument/didChange", change(5, text + extra));
    const checked = await s.findingsAfter("frame.rkl", "textDocument/didSave", { textDocument: { uri } });
    const lines = checked.map((d) => [d.range.start.line, d.severity, d.message.slice(0, 24)]);
    const extraLine = text.split("\n").length - 1;
    assert.deepStrictEqual(lines, [
        [extraLine, 2, "bike.frame: the rules us"],
        [extraLine + 3, 2, '"endif" closes no "if": '],
    ]);
    await s.findingsAfter("frame.rkl", "textDocument/didChange", change(6, text));
    assert.deepStrictEqual(await s.findingsAfter("frame.rkl", "textDocument/didSave", { textDocument: { uri } }), []);
});

check("hover: the declaration, its description and its base", async (s) => {
    const hover = await s.request("textDocument/hover", s.at("frame.rkl", 'frame:usage = "city"', 7));
    assert.match(hover.contents.value, /public usage uses bike:usage/);
    assert.match(hover.contents.value, /uses `bike:usage`: What the bike is mostly for/);
});

check("definition: from a reference to the declaring line in its module", async (s) => {
    const location = await s.request("textDocument/definition", s.at("bike.rkl", "frame:size", 7));
    assert.strictEqual(location.uri, s.uri("frame.rkl"));
    assert.deepStrictEqual(location.range.start, positionIn(s.text("frame.rkl"), "size integer"));
});

check("references: every text, product.json's conditions and the declaration", async (s) => {
    const found = await s.request("textDocument/references", {
        ...s.at("frame.rkl", "suspension logical"),
        context: { includeDeclaration: true },
    });
    const places = found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}`).sort();
    const line = (file, needle) => `${file}:${positionIn(s.text(file), needle).line}`;
    assert.deepStrictEqual(places, [
        line("frame.rkl", "fix frame:suspension"),
        line("frame.rkl", "suspension logical"),
        line("product.json", "frame:suspension"),
    ].sort());
});

check("rename: prepareRename refuses a keyword; rename edits every text", async (s) => {
    assert.strictEqual(await s.refusal("textDocument/prepareRename", s.at("frame.rkl", "endif")), -32803);
    const prepared = await s.request("textDocument/prepareRename", s.at("frame.rkl", "frame:geometry to", 6));
    assert.strictEqual(prepared.placeholder, "geometry");
    const edit = await s.request("textDocument/rename", { ...s.at("frame.rkl", "frame:geometry to", 6), newName: "shape" });
    const edits = edit.changes[s.uri("frame.rkl")];
    assert.strictEqual(edits.length, 4);
    assert.ok(edits.every((e) => e.newText.includes("shape") && !e.newText.includes("geometry")));
});

check("completion: options after module:, modules and keywords elsewhere", async (s) => {
    const line = positionIn(s.text("frame.rkl"), "    set frame:geometry to").line;
    const after = await s.request("textDocument/completion", {
        textDocument: { uri: s.uri("frame.rkl") },
        position: { line, character: 14 },
    });
    const options = Object.fromEntries(after.items.map((i) => [i.label, i.detail]));
    assert.strictEqual(options.size, "integer");
    assert.strictEqual(options.usage, "string, uses bike:usage");
    const elsewhere = await s.request("textDocument/completion", {
        textDocument: { uri: s.uri("frame.rkl") },
        position: { line, character: 4 },
    });
    const labels = elsewhere.items.map((i) => i.label);
    assert.ok(labels.includes("wheel") && labels.includes("elif") && !labels.includes("size"));
});

check("documentSymbol: the module, its options and the statements as a tree", async (s) => {
    const [module] = await s.request("textDocument/documentSymbol", { textDocument: { uri: s.uri("lights.rkl") } });
    assert.strictEqual(module.name, "lights");
    const names = module.children.map((c) => c.name);
    assert.deepStrictEqual(names.slice(0, 8), ["power", "dynamo", "battery", "lumen", "voltage", "usage", "electric", "if lights:electric = true"]);
    assert.strictEqual(names[names.length - 1], "mutually_exclusive : [dynamo, battery]");
    assert.strictEqual(module.children[7].children[1].name, 'elif lights:usage = "road" or lights:usage = "gravel"');
});

check("robust: malformed message, unknown method, unparsable text, deleted file", async (s) => {
    s.server.stdin.write("Content-Length: 5\r\n\r\n{bad}");
    s.server.stdin.write("Content-Type: nothing\r\n\r\n");
    assert.strictEqual(await s.refusal("textDocument/frobnicate", {}), -32601);
    const garbage = await s.findingsAfter("brakes.rkl", "textDocument/didOpen", {
        textDocument: { uri: s.uri("brakes.rkl"), languageId: "rkl", version: 1, text: "\u0001 'open quote" },
    });
    assert.ok(garbage.length > 0);
    const symbols = await s.request("textDocument/documentSymbol", { textDocument: { uri: s.uri("brakes.rkl") } });
    assert.ok(Array.isArray(symbols));
    fs.unlinkSync(path.join(s.dir, "motor.rkl"));
    s.connection.sendNotification("workspace/didChangeWatchedFiles", { changes: [{ uri: s.uri("motor.rkl"), type: 3 }] });
    assert.strictEqual(await s.refusal("textDocument/hover", { textDocument: { uri: s.uri("motor.rkl") }, position: { line: 0, character: 0 } }), -32803);
    const hover = await s.request("textDocument/hover", s.at("frame.rkl", "size integer"));
    assert.match(hover.contents.value, /Seat tube length/);
});

check("shutdown then exit ends with status 0", async (s) => {
    assert.strictEqual(await s.request("shutdown"), null);
    s.connection.sendNotification("exit");
    assert.strictEqual(await s.exited, 0);
});

async function main() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "rkl-session-"));
    fs.cpSync(bike, path.join(dir, "bike"), { recursive: true });
    const s = new Session(path.join(dir, "bike"));
    let failed = 0;
    try {
        for (const { name, body } of checks) {
            try {
                await body(s);
                console.log(`ok   ${name}`);
            } catch (error) {
                ++failed;
                console.error(`FAIL ${name}\n${error.stack || error}`);
            }
        }
    } finally {
        s.server.kill();
        fs.rmSync(dir, { recursive: true, force: true });
    }
    console.log(`session: ${checks.length - failed} of ${checks.length} passed`);
    process.exit(failed > 0 ? 1 : 0);
}

main();
