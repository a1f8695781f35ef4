// @ts-check
// The Plexa extension's client: starts `pxc lsp` on standard input and output
// for the step files and makefiles of the workspace. Colours, comments and
// snippets need no code; they are declared in package.json.
'use strict';

const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

/** @type {LanguageClient | undefined} */
let client;

/**
 * The pxc to run: the setting as given when it is a bare name (looked up on
 * PATH) or an absolute path; a relative path such as build/dev/pxc is taken
 * from the first workspace folder.
 * @param {string} setting
 * @param {string | undefined} folder
 */
function pxcCommand(setting, folder) {
  const command = setting.trim() || 'pxc';
  if (path.isAbsolute(command) || !command.includes('/') || !folder) return command;
  return path.join(folder, command);
}

function newClient() {
  const folder = vscode.workspace.workspaceFolders?.[0]?.uri.fsPath;
  const command = pxcCommand(vscode.workspace.getConfiguration('plexa').get('pxcPath', 'pxc'), folder);
  // No transport named: the client then adds no --stdio argument of its own.
  /** @type {import('vscode-languageclient/node').ServerOptions} */
  const serverOptions = { command, args: ['lsp'] };
  /** @type {import('vscode-languageclient/node').LanguageClientOptions} */
  const clientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'plexa' },
      { scheme: 'file', language: 'plexa-make' },
    ],
    // A build reads the configuration and data table files beside the master
    // step file, and the files a makefile lists whether they are open or not.
    synchronize: {
      fileEvents: vscode.workspace.createFileSystemWatcher('**/*.{pre,PRE,vep,VEP,mak,MAK,fig,FIG,tab,TAB}'),
    },
  };
  // The id 'plexa' makes the client follow the setting plexa.trace.server.
  return new LanguageClient('plexa', 'Plexa Language Server', serverOptions, clientOptions);
}

async function start() {
  client = newClient();
  try {
    await client.start();
  } catch (error) {
    const setting = vscode.workspace.getConfiguration('plexa').get('pxcPath', 'pxc');
    vscode.window.showErrorMessage(
      `Plexa: could not start "${setting} lsp" (${error instanceof Error ? error.message : error}). ` +
        'Set plexa.pxcPath to the pxc program.',
    );
  }
}

async function restart() {
  const old = client;
  client = undefined;
  if (old) await old.dispose();
  await start();
}

/** @param {vscode.ExtensionContext} context */
async function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand('plexa.restartServer', restart),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('plexa.pxcPath')) restart();
    }),
  );
  await start();
}

async function deactivate() {
  if (client) await client.dispose();
  client = undefined;
}

module.exports = { activate, deactivate, pxcCommand };
