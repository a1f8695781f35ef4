// What the extension declares and does, outside VS Code: the grammars know the
// compiler's instruction keywords, the snippet writes the saver's layout, and
// activation starts `pxc lsp` with the settings package.json declares (VS Code
// and the language client stood in for by fakes that record what they get).
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const Module = require('module');
const { snapshot } = require('./tokenize');

const extension = path.join(__dirname, '..');
const repository = path.join(extension, '..', '..');
const manifest = require('../package.json');

test('every file package.json names exists and reads as JSON', () => {
  const { languages, grammars, snippets } = manifest.contributes;
  const files = [
    ...languages.filter((l) => l.configuration).map((l) => l.configuration),
    ...grammars.map((g) => g.path),
    ...snippets.map((s) => s.path),
  ];
  for (const file of files) assert.doesNotThrow(() => JSON.parse(fs.readFileSync(path.join(extension, file), 'utf8')), file);
  const ids = languages.map((l) => l.id);
  for (const entry of [...grammars, ...snippets]) assert.ok(ids.includes(entry.language), entry.path);
});

// The compiler's keyword table, in compiler/steps/frame.cpp.
function compilerKeywords() {
  const source = fs.readFileSync(path.join(repository, 'compiler', 'steps', 'frame.cpp'), 'utf8');
  const table = source.slice(source.indexOf('instruction_keywords[]'));
  return [...table.slice(0, table.indexOf('};')).matchAll(/\{"([a-z]+)",\s*\w+\}/g)].map((m) => m[1]).sort();
}

test('the grammar and the Vim syntax know every instruction keyword of the compiler, and no other', () => {
  const want = compilerKeywords();
  assert.strictEqual(want.length, 23);
  const grammar = JSON.parse(fs.readFileSync(path.join(extension, 'syntaxes', 'plexa.tmLanguage.json'), 'utf8'));
  const start = grammar.repository['instruction-keyword'].match;
  const clause = grammar.repository['goto-clause'].match;
  const words = (regex) => regex.slice(regex.indexOf('(?i'), regex.indexOf('(?![A-Za-z])')).match(/[a-z]{2,}/g);
  assert.deepStrictEqual([...words(start), ...clause.match(/\((goto)\)/).slice(1)].sort(), want);

  const vim = fs.readFileSync(path.join(repository, 'editors', 'vim', 'syntax', 'plexa.vim'), 'utf8');
  const vimWords = vim
    .split('\n')
    .filter((l) => /^syn(tax)? keyword plexa(Flow|Instruction|Goto)\b/.test(l))
    .flatMap((l) => l.split(/\s+/).slice(3).filter((w) => /^[a-z]+$/.test(w) && w !== 'contained'));
  assert.deepStrictEqual(vimWords.sort(), want);
});

// The snippet's body with its placeholders filled: values by placeholder
// number, a choice's first option and a placeholder's default otherwise, and
// transforms evaluated as VS Code evaluates them (a JavaScript regular
// expression; ${n:+text} inserts text when group n matched).
function expandSnippet(body, values) {
  const value = (n, fallback) => (values[n] !== undefined ? String(values[n]) : fallback);
  const defaults = {};
  for (const m of body.matchAll(/\$\{(\d+)(?::([^}]*)|\|([^|]*)\|)\}/g)) {
    if (!(m[1] in defaults)) defaults[m[1]] = m[2] !== undefined ? m[2] : m[3].split(',')[0];
  }
  return body.replace(
    /\$\{(\d+)\/((?:\\.|[^/])*)\/((?:\\.|[^/])*)\/([a-z]*)\}|\$\{(\d+)(?::([^}]*)|\|([^|]*)\|)\}|\$(\d+)/g,
    (whole, tn, regex, format, flags, n, text, choice, bare) => {
      if (tn !== undefined) {
        return value(tn, defaults[tn]).replace(new RegExp(regex, flags), (...m) =>
          format.replace(/\$\{(\d+):\+([^}]*)\}/g, (_, g, insert) => (m[Number(g)] !== undefined ? insert : '')));
      }
      if (n !== undefined) return value(n, defaults[n]);
      return value(bare, '');
    },
  );
}

test('every line of the step snippet is a line the program saver writes', async () => {
  const body = require('../snippets/plexa.json').Step.body;
  const saved = fs.readFileSync(path.join(repository, 'tests', 'golden', 'files', 'saver', 'program.vep'), 'utf8').split('\n');
  const headers = saved.map((l) => l.match(/^\[(\d+)\] *(\S*)$/)).filter(Boolean);
  assert.ok(headers.some((h) => h[1].length === 1) && headers.some((h) => h[1].length === 4) && headers.some((h) => !h[2]));
  for (const [line, number, label] of headers) assert.strictEqual(expandSnippet(body[0], { 1: number, 2: label }), line);
  assert.ok(saved.includes(expandSnippet(body[1], { 3: 'open the valve' })));
  assert.ok(saved.includes(body[2]) && body[4] === body[2]);
  for (const option of body[3].match(/\|(.*)\|/)[1].split(',')) {
    assert.ok(saved.includes(expandSnippet(body[3], { 4: option })), option);
  }
  assert.ok(saved.includes(expandSnippet(body[5], { 0: 'set flag#3' })));

  // And the step as inserted is one the grammar reads without a fault.
  const step = expandSnippet(body.join('\n'), {});
  assert.doesNotMatch((await snapshot(step + '\n', 'plexa', 'snippet')).text, /invalid/);
});

// VS Code and the language client, as far as the extension uses them.
function fakes() {
  const seen = { clients: [], errors: [], commands: {}, listeners: [], settings: { pxcPath: 'pxc' }, startFails: false };
  const disposable = { dispose() {} };
  const vscode = {
    workspace: {
      workspaceFolders: [{ uri: { fsPath: '/home/me/line' } }],
      getConfiguration: (section) => ({
        get: (key, fallback) => (section === 'plexa' && key in seen.settings ? seen.settings[key] : fallback),
      }),
      createFileSystemWatcher: (glob) => ({ glob }),
      onDidChangeConfiguration: (listener) => (seen.listeners.push(listener), disposable),
    },
    commands: { registerCommand: (id, run) => ((seen.commands[id] = run), disposable) },
    window: { showErrorMessage: (message) => seen.errors.push(message) },
  };
  class LanguageClient {
    constructor(id, name, serverOptions, clientOptions) {
      Object.assign(this, { id, name, serverOptions, clientOptions, state: 'new' });
      seen.clients.push(this);
    }
    async start() {
      if (seen.startFails) throw new Error('spawn /nowhere/pxc ENOENT');
      this.state = 'running';
    }
    async dispose() {
      this.state = 'disposed';
    }
  }
  return { seen, modules: { vscode, 'vscode-languageclient/node': { LanguageClient } } };
}

function loadExtension(modules) {
  const file = require.resolve('../extension.js');
  delete require.cache[file];
  const load = Module._load;
  Module._load = function (request, ...rest) {
    return request in modules ? modules[request] : load.call(this, request, ...rest);
  };
  try {
    return require(file);
  } finally {
    Module._load = load;
  }
}

test('activation starts "pxc lsp" for step files and makefiles, and follows plexa.pxcPath', async () => {
  const { seen, modules } = fakes();
  const plexa = loadExtension(modules);
  await plexa.activate({ subscriptions: [] });

  assert.strictEqual(seen.clients.length, 1);
  const [client] = seen.clients;
  assert.strictEqual(client.state, 'running');
  // No transport: the client would add --stdio for one.
  assert.deepStrictEqual(client.serverOptions, { command: 'pxc', args: ['lsp'] });
  const ids = manifest.contributes.languages.map((l) => l.id);
  assert.deepStrictEqual(client.clientOptions.documentSelector, ids.map((language) => ({ scheme: 'file', language })));
  // The client reads its trace level from the setting named after its id.
  assert.ok(`${client.id}.trace.server` in manifest.contributes.configuration.properties);
  assert.strictEqual(manifest.contributes.configuration.properties['plexa.pxcPath'].default, 'pxc');

  const changed = (setting) => ({ affectsConfiguration: (name) => name === setting });
  seen.settings.pxcPath = 'build/dev/pxc';
  for (const listener of seen.listeners) await listener(changed('plexa.pxcPath'));
  await new Promise((resolve) => setImmediate(resolve));
  assert.strictEqual(client.state, 'disposed');
  assert.strictEqual(seen.clients.length, 2);
  assert.strictEqual(seen.clients[1].serverOptions.command, path.join('/home/me/line', 'build/dev/pxc'));

  for (const listener of seen.listeners) await listener(changed('editor.tabSize'));
  assert.strictEqual(seen.clients.length, 2);

  const restart = manifest.contributes.commands.find((c) => c.command in seen.commands);
  assert.ok(restart, 'the restart command of package.json is registered');
  seen.settings.pxcPath = '/opt/plexa/bin/pxc';
  seen.startFails = true;
  await seen.commands[restart.command]();
  assert.strictEqual(seen.clients[2].serverOptions.command, '/opt/plexa/bin/pxc');
  assert.match(seen.errors[0], /could not start "\/opt\/plexa\/bin\/pxc lsp".*plexa\.pxcPath/);

  await plexa.deactivate();
  assert.strictEqual(seen.clients[2].state, 'disposed');
});
