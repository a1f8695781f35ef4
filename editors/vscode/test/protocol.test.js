// The language server as VS Code's client meets it: `pxc lsp` started on
// standard input and output, spoken to through vscode-jsonrpc with the
// message types of vscode-languageserver-protocol (LSP 3.17), the libraries
// vscode-languageclient is built on. On a copy of the conveyor example it
// checks the handshake, the diagnostic of a label that does not exist in a
// file open with unsaved changes, that the diagnostic goes when the label is
// mended, a definition in the same file and one in another file, and a
// clean shutdown.
// Run with `npm run test:protocol`; PXC names the pxc to start (default: pxc
// on PATH).
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { fileURLToPath, pathToFileURL } = require('url');
const lsp = require('vscode-languageserver-protocol/node');

const repository = path.join(__dirname, '..', '..', '..');
const pxc = process.env.PXC || 'pxc';
// How long to wait for one answer before the test gives up: a guard against
// a server that hangs, not a measure of its speed.
const PATIENCE_MS = 60000;

/** The promise's value, unless the time runs out or one of the others fails first. */
function within(promise, what, ...others) {
  let timer;
  const expired = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`no ${what} within ${PATIENCE_MS / 1000} s`)), PATIENCE_MS);
  });
  return Promise.race([promise, expired, ...others]).finally(() => clearTimeout(timer));
}

/** The project: a copy of the conveyor example in a scratch folder. */
function project() {
  const folder = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'plexa-lsp-')));
  fs.cpSync(path.join(repository, 'examples', 'conveyor'), folder, { recursive: true });
  return folder;
}

/** The file a URI names, so that URIs spelt differently compare equal. */
const fileOf = (uri) => path.resolve(fileURLToPath(uri));

/** Line and UTF-16 column of the first occurrence of text in a document. */
function place(text, needle, offset = 0) {
  const at = text.indexOf(needle);
  assert.ok(at >= 0, `"${needle}" is in the document`);
  const before = text.slice(0, at + offset).split('\n');
  return { line: before.length - 1, character: before[before.length - 1].length };
}

/** The server, with every diagnostic it published kept by file. */
function startServer(folder) {
  const child = spawn(pxc, ['lsp'], { cwd: folder, stdio: ['pipe', 'pipe', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (chunk) => (stderr += chunk));
  const exited = new Promise((resolve, reject) => {
    child.on('exit', (code, signal) => resolve({ code, signal }));
    child.on('error', reject);
  });
  const connection = lsp.createProtocolConnection(
    new lsp.StreamMessageReader(child.stdout),
    new lsp.StreamMessageWriter(child.stdin),
  );
  // Fails once the server has ended, for everything that waits on it before "exit".
  const ended = exited.then(({ code, signal }) => {
    throw new Error(`${pxc} lsp ended (${signal || `status ${code}`}) before answering; it wrote: ${stderr}`);
  });
  ended.catch(() => {});
  const published = [];
  const waiting = [];
  connection.onNotification(lsp.PublishDiagnosticsNotification.type, (params) => {
    published.push(params);
    for (const w of [...waiting]) {
      if (w.wanted(params)) {
        waiting.splice(waiting.indexOf(w), 1);
        w.resolve(params);
      }
    }
  });
  connection.listen();
  /** The first publication, past or future, for which wanted() holds. */
  const diagnostics = (wanted, what) => {
    const seen = published.find(wanted);
    if (seen) return Promise.resolve(seen);
    return within(new Promise((resolve) => waiting.push({ wanted, resolve })), what, ended);
  };
  return { child, connection, exited, ended, diagnostics, published, stderr: () => stderr };
}

/** A definition result, whichever of its three shapes, as file and range. */
function targets(result) {
  const list = result === null ? [] : Array.isArray(result) ? result : [result];
  return list.map((t) =>
    'targetUri' in t
      ? { file: fileOf(t.targetUri), range: t.targetSelectionRange || t.targetRange }
      : { file: fileOf(t.uri), range: t.range },
  );
}

test('pxc lsp: handshake, diagnostics as you type, definitions, shutdown', async (t) => {
  const folder = project();
  const server = startServer(folder);
  t.after(() => {
    server.child.kill();
    fs.rmSync(folder, { recursive: true, force: true });
  });
  const { connection } = server;
  const request = (type, params, what) => within(connection.sendRequest(type, params), what, server.ended);

  const initialized = await request(
    lsp.InitializeRequest.type,
    {
      processId: process.pid,
      clientInfo: { name: 'plexa protocol test' },
      rootUri: pathToFileURL(folder).href,
      workspaceFolders: [{ uri: pathToFileURL(folder).href, name: 'conveyor' }],
      capabilities: {
        general: { positionEncodings: ['utf-16'] },
        textDocument: {
          synchronization: { dynamicRegistration: false, didSave: true },
          publishDiagnostics: { relatedInformation: true, versionSupport: true },
          definition: { dynamicRegistration: false, linkSupport: true },
        },
        workspace: { workspaceFolders: true },
      },
    },
    'answer to initialize',
  );
  const capabilities = initialized.capabilities;
  assert.ok([undefined, 'utf-16'].includes(capabilities.positionEncoding), 'UTF-16 positions, as offered');
  assert.ok(capabilities.definitionProvider, 'definitions offered');
  const sync = capabilities.textDocumentSync;
  const change = typeof sync === 'number' ? sync : sync && sync.change;
  assert.ok([lsp.TextDocumentSyncKind.Full, lsp.TextDocumentSyncKind.Incremental].includes(change), 'open documents followed');
  connection.sendNotification(lsp.InitializedNotification.type, {});

  // main.pre open with a label that does not exist, not saved.
  const mainFile = path.join(folder, 'main.pre');
  const main = pathToFileURL(mainFile).href;
  const saved = fs.readFileSync(mainFile, 'utf8');
  const broken = saved.replace('goto batch\n', 'goto nowhere\n');
  assert.notStrictEqual(broken, saved);
  connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
    textDocument: { uri: main, languageId: 'plexa', version: 1, text: broken },
  });
  const message = 'The destination label does not exist.';
  const reported = await server.diagnostics(
    (p) => fileOf(p.uri) === mainFile && p.diagnostics.some((d) => d.message === message),
    `diagnostic "${message}" for main.pre`,
  );
  const found = reported.diagnostics.filter((d) => d.message === message);
  assert.strictEqual(found.length, 1);
  const start = place(broken, 'nowhere');
  assert.deepStrictEqual(found[0].range, { start, end: { line: start.line, character: start.character + 'nowhere'.length } });
  assert.strictEqual(found[0].severity, lsp.DiagnosticSeverity.Error);

  // Mended, the diagnostic goes.
  const edit =
    change === lsp.TextDocumentSyncKind.Incremental
      ? { range: { start, end: { line: start.line, character: start.character + 'nowhere'.length } }, text: 'batch' }
      : { text: saved };
  const before = server.published.length;
  connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
    textDocument: { uri: main, version: 2 },
    contentChanges: [edit],
  });
  await server.diagnostics(
    (p) => server.published.indexOf(p) >= before && fileOf(p.uri) === mainFile && !p.diagnostics.some((d) => d.message === message),
    'diagnostics for main.pre without the mended label',
  );

  // A label in a goto clause leads to its step's header, in the same file...
  const alarm = await request(
    lsp.DefinitionRequest.type,
    { textDocument: { uri: main }, position: place(saved, 'goto alarm', 'goto '.length + 2) },
    'definition of "alarm"',
  );
  const header = saved.split('\n').findIndex((l) => l.startsWith('[6]'));
  assert.deepStrictEqual(targets(alarm).map((d) => [d.file, d.range.start.line]), [[mainFile, header]]);

  // ...and a label in a do list to a step of another file.
  const feed = await request(
    lsp.DefinitionRequest.type,
    { textDocument: { uri: main }, position: place(saved, 'feed press') },
    'definition of "feed"',
  );
  assert.deepStrictEqual(targets(feed).map((d) => [d.file, d.range.start.line]), [[path.join(folder, 'feeder.pre'), 0]]);

  // Shutdown, then exit: status 0.
  assert.strictEqual(await request(lsp.ShutdownRequest.type, undefined, 'answer to shutdown'), null);
  connection.sendNotification(lsp.ExitNotification.type);
  const { code } = await within(server.exited, 'exit after "exit"');
  assert.strictEqual(code, 0, `pxc lsp exits with status 0 after shutdown and exit; it wrote: ${server.stderr()}`);
  connection.dispose();
});
