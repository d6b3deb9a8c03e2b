// Tokenizes the module texts of examples/bike with the extension's grammar,
// as the editor would, and checks the scopes of representative tokens.
// Run from editors/vscode: node test/grammar.test.js
"use strict";

const assert = require("assert");
const fs = require("fs");
const path = require("path");
const vsctm = require("vscode-textmate");
const oniguruma = require("vscode-oniguruma");

const root = path.join(__dirname, "..");
const bike = path.join(root, "..", "..", "examples", "bike");

async function loadGrammar() {
    const wasm = fs.readFileSync(require.resolve("vscode-oniguruma/release/onig.wasm"));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new vsctm.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scopeName) => {
            if (scopeName !== "source.rkl") {
                return null;
            }
            const file = path.join(root, "syntaxes", "rkl.tmLanguage.json");
            return vsctm.parseRawGrammar(fs.readFileSync(file, "utf8"), file);
        },
    });
    return registry.loadGrammar("source.rkl");
}

// Every line of `text` as [{text, scopes}] tokens.
function tokenize(grammar, text) {
    let state = vsctm.INITIAL;
    return text.split("\n").map((line) => {
        const result = grammar.tokenizeLine(line, state);
        state = result.ruleStack;
        return result.tokens.map((token) => ({
            text: line.substring(token.startIndex, token.endIndex),
            scopes: token.scopes,
        }));
    });
}

// The scopes of the token that starts `piece` on the first line holding
// `lineText` (the nth occurrence of `piece` on that line).
function scopesOf(lines, source, lineText, piece, nth = 1) {
    const rows = source.split("\n");
    const index = rows.findIndex((row) => row.includes(lineText));
    assert.notStrictEqual(index, -1, `no line holds ${lineText}`);
    let at = -1;
    for (let i = 0; i < nth; ++i) {
        at = rows[index].indexOf(piece, at + 1);
    }
    assert.notStrictEqual(at, -1, `no ${piece} in ${lineText}`);
    let start = 0;
    for (const token of lines[index]) {
        if (at >= start && at < start + token.text.length) {
            return token.scopes;
        }
        start += token.text.length;
    }
    assert.fail(`no token at ${piece}`);
}

// [file, line holding, piece, nth, scope it must carry]
const expectations = [
    ["frame.rkl", "module frame", "module", 1, "keyword.other.module.rkl"],
    ["frame.rkl", "module frame", "frame", 1, "entity.name.type.module.rkl"],
    ["frame.rkl", "interface start", "start", 1, "keyword.other.interface.rkl"],
    ["frame.rkl", "public size integer", "public", 1, "storage.modifier.rkl"],
    ["frame.rkl", "public size integer", "size", 1, "variable.other.declaration.rkl"],
    ["frame.rkl", "public size integer", "integer", 1, "storage.type.rkl"],
    ["frame.rkl", "public size integer", "Seat tube", 1, "string.quoted.double.rkl"],
    ["frame.rkl", "public size integer", "44", 1, "constant.numeric.rkl"],
    ["frame.rkl", "public size integer", "default", 1, "storage.modifier.rkl"],
    ["frame.rkl", "public size integer", "size", 1, "meta.interface.rkl"],
    ["frame.rkl", "public usage uses", "uses", 1, "keyword.other.base.rkl"],
    ["frame.rkl", "public usage uses", "bike", 1, "entity.name.type.module.rkl"],
    ["frame.rkl", "public usage uses", "usage", 2, "variable.other.option.rkl"],
    ["frame.rkl", "interface end", "end", 1, "keyword.other.interface.rkl"],
    ["frame.rkl", "if frame:usage", "if", 1, "keyword.control.conditional.rkl"],
    ["frame.rkl", "if frame:usage", "frame", 1, "entity.name.type.module.rkl"],
    ["frame.rkl", "if frame:usage", ":", 1, "punctuation.separator.reference.rkl"],
    ["frame.rkl", "if frame:usage", "usage", 1, "variable.other.option.rkl"],
    ["frame.rkl", "if frame:usage", "=", 1, "keyword.operator.comparison.rkl"],
    ["frame.rkl", "if frame:usage", "or", 1, "keyword.operator.logical.rkl"],
    ["frame.rkl", "if frame:usage", "then", 1, "keyword.control.conditional.rkl"],
    ["frame.rkl", "set frame:geometry to", "set", 1, "keyword.other.statement.rkl"],
    ["frame.rkl", "fix frame:suspension to true", "true", 1, "constant.language.boolean.rkl"],
    ["frame.rkl", "error \"a carbon", "error", 1, "keyword.other.message.rkl"],
    ["frame.rkl", "frame:size > 56", ">", 1, "keyword.operator.comparison.rkl"],
    ["bike.rkl", "# The frame size", "frame", 1, "comment.line.number-sign.rkl"],
    ["bike.rkl", "wheel:tyre_width[front_wheel]", "front_wheel", 1, "entity.name.tag.node.rkl"],
    ["bike.rkl", "wheel:tyre_width[front_wheel]", "[", 1, "punctuation.definition.path.begin.rkl"],
    ["bike.rkl", "wheel:tyre_width[front_wheel]", "tyre_width", 1, "variable.other.option.rkl"],
    ["lights.rkl", "mutually_exclusive : [dynamo", "mutually_exclusive", 1, "keyword.other.statement.rkl"],
    ["lights.rkl", "mutually_exclusive : [dynamo", "dynamo", 1, "source.rkl"],
    ["accessories.rkl", "non_mutually_exclusive", "non_mutually_exclusive", 1, "storage.modifier.rkl"],
];

// Scopes a token must not carry: a keyword inside a string or a comment,
// a number inside a name.
const refusals = [
    ["frame.rkl", "error \"a carbon frame is not made for cargo", "for", 1, "keyword"],
    ["bike.rkl", "# The frame size", "size", 1, "variable"],
    ["lights.rkl", "mutually_exclusive : [dynamo", "dynamo", 1, "variable.other.option.rkl"],
    ["frame.rkl", "public step_through", "step_through", 1, "keyword"],
];

async function main() {
    const grammar = await loadGrammar();
    const texts = {};
    const files = fs.readdirSync(bike).filter((name) => name.endsWith(".rkl"));
    assert.ok(files.length >= 9, "the bike example holds its module texts");
    for (const file of files) {
        const source = fs.readFileSync(path.join(bike, file), "utf8");
        const lines = tokenize(grammar, source);
        // Each text leaves the interface block, so the rules are read as rules.
        const end = source.split("\n").findIndex((row) => row === "interface end");
        assert.notStrictEqual(end, -1, `${file} has an interface block`);
        for (const token of lines.slice(end + 1).flat()) {
            assert.ok(!token.scopes.includes("meta.interface.rkl"), `${file}: rules in the interface`);
        }
        texts[file] = { source, lines };
    }
    let failures = 0;
    for (const [file, lineText, piece, nth, scope] of expectations) {
        const scopes = scopesOf(texts[file].lines, texts[file].source, lineText, piece, nth);
        if (!scopes.includes(scope)) {
            console.error(`${file}: "${piece}" in "${lineText}": ${scopes.join(" ")} lacks ${scope}`);
            ++failures;
        }
    }
    for (const [file, lineText, piece, nth, prefix] of refusals) {
        const scopes = scopesOf(texts[file].lines, texts[file].source, lineText, piece, nth);
        if (scopes.some((scope) => scope.startsWith(prefix))) {
            console.error(`${file}: "${piece}" in "${lineText}": ${scopes.join(" ")} has ${prefix}`);
            ++failures;
        }
    }
    if (failures > 0) {
        console.error(`grammar: ${failures} of ${expectations.length + refusals.length} checks failed`);
        process.exit(1);
    }
    console.log(`grammar: ${expectations.length + refusals.length} checks passed on ${files.length} texts`);
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
