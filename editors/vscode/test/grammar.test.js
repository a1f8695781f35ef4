// The grammars against snapshots of the scopes they give: the example
// projects, the layout fixtures of editors/fixtures, and every instruction of the
// step cases (one step holding each distinct instruction line of a case file).
// PX_UPDATE_GOLDEN=1 writes the snapshots that differ; read the diff before
// committing it.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { snapshot, languageOf } = require('./tokenize');

const repository = path.join(__dirname, '..', '..', '..');
const snapshots = path.join(__dirname, 'snapshots');
const updating = process.env.PX_UPDATE_GOLDEN === '1';

function filesUnder(folder) {
  return fs
    .readdirSync(folder, { withFileTypes: true })
    .flatMap((entry) => {
      const file = path.join(folder, entry.name);
      return entry.isDirectory() ? filesUnder(file) : [file];
    })
    .sort();
}

// "{N*TEXT}" is TEXT written N times, as the step case runner reads it.
function expand(text) {
  return text.replace(/\{(\d+)\*([^}]*)\}/g, (_, n, part) => part.repeat(Number(n)));
}

/** The instructions of a step case file, each distinct line once, in order. */
function caseInstructions(text) {
  const seen = new Set();
  for (const raw of text.split(/\r?\n/)) {
    const line = raw.trim();
    if (!line || line.startsWith('#') || /^\s/.test(raw) || !line.includes('=>')) continue;
    for (let item of expand(line.slice(0, line.lastIndexOf('=>'))).split(';')) {
      item = item.trim();
      // Quotes keep the blanks around an instruction.
      if (item.length >= 2 && item.startsWith('"') && item.endsWith('"')) item = item.slice(1, -1);
      if (item) seen.add(item);
    }
  }
  return [...seen];
}

function stepOf(instructions) {
  const separator = '    ' + '-'.repeat(75);
  return ['[1]', separator, '        <NO CHANGE IN DIGITAL OUTPUTS>', separator, ...instructions.map((i) => '    ' + i)]
    .join('\n') + '\n';
}

/** Every input: its name in messages, its snapshot, its language, its text. */
function inputs() {
  const list = [];
  const add = (file, snap, language, read) => list.push({ name: path.relative(repository, file), snap, language, read });
  for (const file of filesUnder(path.join(repository, 'examples'))) {
    const language = languageOf(file);
    if (language) add(file, path.join('examples', path.relative(path.join(repository, 'examples'), file)), language,
      () => fs.readFileSync(file, 'utf8'));
  }
  for (const file of filesUnder(path.join(repository, 'editors', 'fixtures'))) {
    add(file, path.join('fixtures', path.basename(file)), languageOf(file), () => fs.readFileSync(file, 'utf8'));
  }
  const cases = path.join(repository, 'tests', 'cases', 'steps');
  for (const file of filesUnder(cases).filter((f) => f.endsWith('.txt'))) {
    add(file, path.join('step-cases', path.basename(file)), 'plexa',
      () => stepOf(caseInstructions(fs.readFileSync(file, 'utf8'))));
  }
  for (const input of list) input.snap = path.join(snapshots, input.snap + '.snap');
  return list;
}

/** Where two snapshots first part: the token line and the source line it belongs to. */
function firstDifference(file, expected, actual) {
  const want = expected.split('\n');
  const got = actual.split('\n');
  let i = 0;
  while (i < want.length && i < got.length && want[i] === got[i]) ++i;
  let source = i;
  while (source > 0 && !(got[source] || '').startsWith('> ')) --source;
  const sourceLine = got.slice(1, source + 1).filter((l) => l.startsWith('> ')).length;
  return [
    `${path.relative(repository, file)}:${i + 1}: the first token that differs`,
    `  in source line ${sourceLine}: ${(got[source] || '').slice(2)}`,
    `  expected: ${want[i] === undefined ? '(end of snapshot)' : want[i]}`,
    `  actual:   ${got[i] === undefined ? '(end of snapshot)' : got[i]}`,
    'PX_UPDATE_GOLDEN=1 npm test writes the snapshots; read the diff before committing it.',
  ].join('\n');
}

const all = inputs();
let tokens = 0;

for (const input of all) {
  test(`${input.name} tokenises as its snapshot`, async () => {
    const result = await snapshot(input.read(), input.language, input.name);
    tokens += result.tokens;
    const expected = fs.existsSync(input.snap) ? fs.readFileSync(input.snap, 'utf8') : null;
    if (expected === result.text) return;
    if (updating) {
      fs.mkdirSync(path.dirname(input.snap), { recursive: true });
      fs.writeFileSync(input.snap, result.text);
      return;
    }
    assert.fail(expected === null
      ? `${path.relative(repository, input.snap)} is missing: PX_UPDATE_GOLDEN=1 npm test writes it`
      : firstDifference(input.snap, expected, result.text));
  });
}

test('every snapshot belongs to an input', () => {
  const wanted = new Set(all.map((i) => i.snap));
  const stale = filesUnder(snapshots).filter((f) => !wanted.has(f));
  if (updating) for (const f of stale) fs.rmSync(f);
  else assert.deepStrictEqual(stale.map((f) => path.relative(repository, f)), []);
});

test.after(() => console.log(`grammar snapshots: ${all.length} files, ${tokens} tokens`));
