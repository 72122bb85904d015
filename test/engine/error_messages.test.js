'use strict';
// What the reference engine says about a failure, through intent_bridge: the
// thrown Error keeps its fixed message and carries the engine's text as
// `detail`, naming the file as given (and the working directory a relative path
// was resolved against), the line and column of a JSON error, the command by
// its place and id, the configuration key and the values it allows.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { intentBridge: bridge } = require('../../lib');

const dir = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-messages-')));
const trailingComma = path.join(dir, 'trailing-comma.json');
fs.writeFileSync(trailingComma, '{\n  "commands": [\n    {"id": 1, "name": "喂猫"},\n  ]\n}\n');
process.on('exit', () => fs.rmSync(dir, { recursive: true, force: true }));

function inDirectory(directory, call) {
  const previous = process.cwd();
  process.chdir(directory);
  try {
    return call();
  } finally {
    process.chdir(previous);
  }
}

const NOT_INITIALISED = 'the engine is not initialised: call Norvik_InitDefault or Norvik_InitFromFile first';

// [what, call (on a started engine), message, detail]
const rows = [
  ['a call before init', () => { bridge.destroy(); bridge.getCommandCount(); },
    'Norvik_GetCommandCount failed with code -1', NOT_INITIALISED],
  ['a call after destroy', () => { bridge.destroy(); bridge.route('打开记事本'); },
    'Norvik_Route failed with code -1', NOT_INITIALISED],
  ['a missing file by relative path', () => inDirectory(dir, () => bridge.initFromFile('corpus.json')),
    'Norvik_InitFromFile failed with code -3',
    `cannot read the corpus file "corpus.json" (relative to the working directory "${dir}"): no such file`],
  ['a folder', () => bridge.addCorpusFromFile(dir), 'Norvik_AddCorpusFromFile failed with code -3',
    `cannot read the corpus file "${dir}": it is a directory, not a file`],
  ['a trailing comma', () => bridge.initFromFile(trailingComma), 'Norvik_InitFromFile failed with code -3',
    `corpus file "${trailingComma}": malformed JSON at line 3, column 28: trailing comma before ']'`],
  ['a command without a name', () => bridge.addCorpus('{"commands":[{"id":1,"name":"喂猫"},{"id":205,"examples":["x"]}]}'),
    'Norvik_AddCorpus failed with code -3', 'commands[1] (id 205): "name" is missing'],
  ['an id out of range in a bare list', () => bridge.addCorpus('[{"id":4294967296,"name":"x"}]'),
    'Norvik_AddCorpus failed with code -3',
    '[0]: "id" must be an integer from -2147483648 to 2147483647 (got 4294967296)'],
  ['a threshold out of range', () => bridge.updateConfig({ localThreshold: 1.5 }),
    'Norvik_UpdateConfig failed with code -2', '"localThreshold" must be a number from 0 to 1 (got 1.5)'],
  ['a negative weight in a corpus', () => bridge.addCorpus('{"config":{"weights":{"semantic":-1}}}'),
    'Norvik_AddCorpus failed with code -3',
    '"config": "weights" member "semantic" must be a finite number >= 0 (got -1)'],
];

for (const [what, call, message, detail] of rows) {
  test(`${what}: the Error names the engine call and carries the engine's text`, () => {
    assert.equal(bridge.init(), true);
    let thrown;
    try {
      call();
    } catch (error) {
      thrown = error;
    }
    assert.ok(thrown instanceof Error, 'an Error is thrown');
    assert.deepEqual({ message: thrown.message, detail: thrown.detail }, { message, detail });
    assert.deepEqual(Object.keys(thrown), ['detail']);
  });
}

test('a failed start leaves the engine on its previous corpus', () => {
  assert.equal(bridge.init(), true);
  const count = bridge.getCommandCount();
  assert.throws(() => bridge.initFromFile(trailingComma), { message: 'Norvik_InitFromFile failed with code -3' });
  assert.equal(bridge.getCommandCount(), count);
});
