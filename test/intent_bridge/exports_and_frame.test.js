'use strict';
// Export table and the shared call frame: argument TypeErrors, engine Errors.
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies } = require('./scripted_session');

const ORDER = ['init', 'initFromFile', 'route', 'querySimilarity', 'semanticScore', 'updateConfig', 'getConfig',
  'addCorpus', 'addCorpusFromFile', 'clearUserCorpus', 'getCommandCount', 'destroy', 'version'];

test('exports the thirteen nameless functions in order', () => {
  assert.deepStrictEqual(Object.keys(bridge), ORDER);
  for (const name of ORDER) {
    assert.strictEqual(typeof bridge[name], 'function');
    assert.strictEqual(bridge[name].name, '');
  }
});

const FILE = 'Expected string argument (file path)';
const QUERY = 'Expected string argument (query)';
const CORPUS = 'Expected string argument (json corpus)';
const CONFIG = 'Expected object argument (config)';
const badArguments = [
  ['initFromFile', 'Norvik_InitFromFile', FILE, [[], [42], [null]]],
  ['addCorpusFromFile', 'Norvik_AddCorpusFromFile', FILE, [[], [{}]]],
  ['route', 'Norvik_Route', QUERY, [[], [7], [new String('a')]]],
  ['querySimilarity', 'Norvik_QuerySimilarity', QUERY, [[], [undefined, 3]]],
  ['semanticScore', 'Norvik_SemanticScore', QUERY, [[], [Symbol('q')]]],
  ['addCorpus', 'Norvik_AddCorpus', CORPUS, [[], [123]]],
  ['updateConfig', 'Norvik_UpdateConfig', CONFIG, [[], [null], ['x'], [1]]],
];

test('a missing or mistyped first argument throws its TypeError and never reaches the engine', () => {
  const session = useReplies();
  for (const [name, engineFn, message, argLists] of badArguments) {
    for (const args of argLists) {
      assert.throws(() => bridge[name](...args), (err) => err instanceof TypeError && err.message === message,
        `${name}(${args.map(String).join(', ')})`);
    }
    assert.deepStrictEqual(session.calls(engineFn), [], name);
  }
});

test('arrays and functions pass the config test; extra arguments are ignored', () => {
  const session = useReplies();
  assert.strictEqual(bridge.updateConfig([]), true);
  assert.strictEqual(bridge.updateConfig(function config() {}), true);
  assert.strictEqual(bridge.init(1, 2, 3), true);
  assert.strictEqual(session.calls('Norvik_UpdateConfig').length, 2);
  assert.strictEqual(session.calls('Norvik_InitDefault').length, 1);
});

const engineCalls = [
  ['init', 'Norvik_InitDefault', []],
  ['initFromFile', 'Norvik_InitFromFile', ['x.json']],
  ['route', 'Norvik_Route', ['q']],
  ['querySimilarity', 'Norvik_QuerySimilarity', ['q']],
  ['semanticScore', 'Norvik_SemanticScore', ['q']],
  ['updateConfig', 'Norvik_UpdateConfig', [{}]],
  ['getConfig', 'Norvik_GetConfig', []],
  ['addCorpus', 'Norvik_AddCorpus', ['[]']],
  ['addCorpusFromFile', 'Norvik_AddCorpusFromFile', ['c.json']],
  ['clearUserCorpus', 'Norvik_ClearUserCorpus', []],
];

test('every engine failure throws "<function> failed with code <n>" with no code property', () => {
  const replies = {};
  for (const [, engineFn] of engineCalls) replies[engineFn] = [{ code: -2 }, { code: 7 }, {}];
  useReplies(replies);
  for (const [name, engineFn, args] of engineCalls) {
    for (const code of ['-2', '7']) {
      assert.throws(() => bridge[name](...args), (err) => {
        assert.strictEqual(Object.getPrototypeOf(err), Error.prototype);
        assert.strictEqual(err.message, `${engineFn} failed with code ${code}`);
        assert.strictEqual('code' in err, false);
        return true;
      }, name);
    }
  }
});
