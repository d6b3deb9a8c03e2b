// The editor side of rkl: starts "rkl lsp" for the product directory that is
// open and hands the module texts and product.json to it. The program is the
// setting rkl.server.path ("rkl" on the PATH by default).
"use strict";

const vscode = require("vscode");
const { LanguageClient, TransportKind } = require("vscode-languageclient/node");

let client;

function serverOptions() {
    const command = vscode.workspace.getConfiguration("rkl").get("server.path") || "rkl";
    return { command, args: ["lsp"], transport: TransportKind.stdio };
}

function clientOptions() {
    return {
        documentSelector: [
            { scheme: "file", language: "rkl" },
            { scheme: "file", pattern: "**/product.json" },
        ],
        synchronize: {
            // Texts changed outside the editor reach the server too.
            fileEvents: vscode.workspace.createFileSystemWatcher("**/{*.rkl,product.json}"),
        },
    };
}

async function start() {
    client = new LanguageClient("rkl", "RKL", serverOptions(), clientOptions());
    await client.start();
}

async function activate(context) {
    context.subscriptions.push(
        vscode.workspace.onDidChangeConfiguration(async (event) => {
            if (event.affectsConfiguration("rkl.server.path") && client) {
                await client.stop();
                await start();
            }
        })
    );
    await start();
}

async function deactivate() {
    if (client) {
        await client.stop();
    }
}

module.exports = { activate, deactivate };
