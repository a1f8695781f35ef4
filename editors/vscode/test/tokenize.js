// Tokenises text with the extension's grammars through vscode-textmate and
// vscode-oniguruma, the engine VS Code itself colours with, and writes the
// tokens as a snapshot a person can read: each source line after "> ", then
// each token that carries a scope, its text and its scopes.
'use strict';

const fs = require('fs');
const path = require('path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const extension = path.join(__dirname, '..');
const manifest = require('../package.json');

// Scopes that only group the tokens of a region and would repeat on every
// token of it; the snapshot leaves them out.
const GROUPS = new Set(['source.plexa', 'source.plexa-make', 'meta.step.plexa', 'meta.data-table.plexa']);

/** The grammar registry, loaded once: grammars found through package.json. */
let registry;
function loadRegistry() {
  if (registry) return registry;
  const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
  const onigLib = oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength)).then(() => ({
    createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
    createOnigString: (text) => new oniguruma.OnigString(text),
  }));
  registry = new vsctm.Registry({
    onigLib,
    loadGrammar: async (scopeName) => {
      const entry = manifest.contributes.grammars.find((g) => g.scopeName === scopeName);
      if (!entry) return null;
      const file = path.join(extension, entry.path);
      return vsctm.parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
    },
  });
  return registry;
}

/** The grammar of a language id as package.json contributes it. */
async function grammarFor(language) {
  const entry = manifest.contributes.grammars.find((g) => g.language === language);
  if (!entry) throw new Error(`no grammar for ${language}`);
  const grammar = await loadRegistry().loadGrammar(entry.scopeName);
  if (!grammar) throw new Error(`grammar ${entry.scopeName} did not load`);
  return grammar;
}

/** The language id that package.json gives a file name's extension. */
function languageOf(file) {
  const extensionOfFile = path.extname(file).toLowerCase();
  const language = manifest.contributes.languages.find((l) => l.extensions.includes(extensionOfFile));
  return language && language.id;
}

function shownScopes(scopes) {
  return scopes
    .filter((s) => !GROUPS.has(s))
    .map((s) => s.replace(/\.plexa(-make)?$/, ''))
    .join(' ');
}

function shownText(text) {
  return /^\S(.*\S)?$/.test(text) && !text.includes('"') ? text : JSON.stringify(text);
}

/**
 * The snapshot of a text: one "> line" per source line (CR LF read as LF,
 * as VS Code hands lines to a grammar), then "  text  scopes" for each token.
 * Returns the snapshot text and the number of tokens shown.
 */
async function snapshot(text, language, title) {
  const grammar = await grammarFor(language);
  const lines = text.split(/\r?\n/);
  if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  const out = [`# ${title}, tokenised as ${language}`];
  let tokens = 0;
  let stack = vsctm.INITIAL;
  for (const line of lines) {
    out.push(`> ${line}`);
    const result = grammar.tokenizeLine(line, stack);
    for (const token of result.tokens) {
      const part = line.slice(token.startIndex, token.endIndex);
      const scopes = shownScopes(token.scopes);
      if (!scopes || (!part.trim() && !scopes.includes('invalid'))) continue;
      const shown = shownText(part);
      out.push(`  ${shown}${' '.repeat(Math.max(2, 24 - shown.length))}${scopes}`);
      ++tokens;
    }
    stack = result.ruleStack;
  }
  return { text: out.join('\n') + '\n', tokens };
}

module.exports = { snapshot, languageOf };
