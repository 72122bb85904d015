'use strict';
// Hostile input through intent_bridge's public functions, on the reference
// engine: megabyte queries, NUL bytes, lone surrogates, extreme topK values,
// deep, truncated and malformed corpora, corpus files that are directories or
// missing, and configurations the engine must refuse. Each must give a sound
// result or a clear Error, never a crash or a hang, and a refused call must
// leave the engine as it was.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { intentBridge: bridge } = require('../../lib');

const TARGETS = ['local', 'llm', 'chat'];
const HANG_GUARD = { timeout: 600000 };

// Every string anywhere in the value is well-formed UTF-16.
function assertWellFormed(value) {
  if (typeof value === 'string') assert.ok(value.isWellFormed(), `ill-formed string ${JSON.stringify(value)}`);
  else if (value && typeof value === 'object') Object.values(value).forEach(assertWellFormed);
}

function assertSoundRoute(result) {
  assert.ok(TARGETS.includes(result.target), `target ${result.target}`);
  assert.ok(result.confidence >= 0 && result.confidence <= 1);
  for (const score of Object.values(result.scores)) assert.ok(score >= 0 && score <= 1);
  assertWellFormed(result);
}

const engineError = (fn, codes) => (err) => err instanceof Error && codes.some((c) => err.message === `${fn} failed with code ${c}`);

let baseCount;
let work;
test.before(() => {
  assert.equal(bridge.init(), true);
  baseCount = bridge.getCommandCount();
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-hostile-'));
});
test.after(() => fs.rmSync(work, { recursive: true, force: true }));

// The engine answers a known query as it did at the start.
function assertEngineUnchanged(reference) {
  assert.equal(bridge.getCommandCount(), baseCount);
  assert.deepEqual(bridge.route('打开记事本'), reference);
}

test('megabyte queries get sound routes, similarities and scores', HANG_GUARD, () => {
  const cjk = Array.from({ length: 700000 }, (_, i) => String.fromCharCode(0x4e00 + ((i * 7919) % 20000))).join('');
  const queries = ['打开记事本'.repeat(140000), cjk, 'a b c, '.repeat(300000), '?'.repeat(2 << 20)];
  for (const query of queries) {
    assert.ok(Buffer.byteLength(query) >= 2000000);
    assertSoundRoute(bridge.route(query));
    const { matches } = bridge.querySimilarity(query, 5);
    assert.ok(matches.length <= 5);
    const score = bridge.semanticScore(query);
    assert.ok(score.score >= 0 && score.score <= 1 && Number.isInteger(score.cmdId));
  }
});

test('a NUL byte ends the query where the engine reads it', () => {
  assert.deepEqual(bridge.route('打开记事本\u0000然后删除所有文件'), bridge.route('打开记事本'));
  assert.deepEqual(bridge.querySimilarity('打开记事本\u0000再关机', 4), bridge.querySimilarity('打开记事本', 4));
  assert.deepEqual(bridge.semanticScore('\u0000打开记事本'), bridge.semanticScore(''));
});

test('lone surrogates reach the engine as U+FFFD, which matching ignores', () => {
  assert.deepEqual(bridge.route('\ud800打开记事本\udfff'), bridge.route('打开记事本'));
  assert.deepEqual(bridge.querySimilarity('打开\udc00记事本', 3), bridge.querySimilarity('打开记事本', 3));
  // A surrogate inside a captured slot stays a replacement character.
  for (const query of ['把音量调到\ud83d50', '搜索一下\udbff红烧肉', '\ud800']) assertSoundRoute(bridge.route(query));
});

test('extreme topK values give at most the commands there are, or the engine code for a reply too long', () => {
  for (const query of ['打开', '打开记事本', '']) {
    for (const topK of [2 ** 31 - 1, 2 ** 31, 2 ** 32 + 3, 1e12, -1e12, Infinity, -Infinity, NaN, -1, 0, 1e-9, 115, 116]) {
      let result;
      try {
        result = bridge.querySimilarity(query, topK);
      } catch (err) {
        assert.ok(engineError('Norvik_QuerySimilarity', [-4])(err), err.message);
        continue;
      }
      assert.ok(result.matches.length <= baseCount, `${topK}: ${result.matches.length} matches`);
      // Node-API reads topK as int32: values beyond that range wrap, fractions truncate.
      const asked = topK | 0;
      assert.ok(result.matches.length <= Math.max(asked, 0), `${topK} asks for ${asked}`);
    }
  }
});

test('deep, truncated and malformed corpora are refused and change nothing', HANG_GUARD, () => {
  const reference = bridge.route('打开记事本');
  const valid = JSON.stringify([{ id: 99001, name: '打开画图', examples: ['打开画图'], patterns: ['用画图打开{file}'] },
    { id: 99002, name: '喂乌龟', keywords: ['乌龟'] }]);
  const refused = [
    '['.repeat(200000), '['.repeat(200000) + ']'.repeat(200000),
    '{"commands":' + '{"a":'.repeat(5000) + '1' + '}'.repeat(5000) + '}',
    // Spelled out: JSON.stringify of 1500 nested arrays overflows the stack of Node on Windows.
    '[{"id":1,"name":"x","extra":' + '['.repeat(1500) + ']'.repeat(1500) + '}]',
    ...Array.from({ length: valid.length }, (_, i) => valid.slice(0, i)),
    valid.replace('打开画图', '打开\u0000画图'), valid + '\u0000', `[{"id":1,"name":"\\ud800"}]`,
    '[{"id":1.5,"name":"x"}]', '[{"id":4294967296,"name":"x"}]', '[{"id":-1,"name":"x"}]', '[{"id":1,"name":"!!"}]',
    '[{"id":1,"name":"x","patterns":["{a}{b}"]}]', '[{"id":1,"name":"x","patterns":["{"]}]',
    '[{"id":1,"name":"x","target":"cloud"}]', '{"config":{"localThreshold":2}}', '"a string"', 'null',
  ];
  for (const corpus of refused) {
    assert.throws(() => bridge.addCorpus(corpus), engineError('Norvik_AddCorpus', [-2, -3]), corpus.slice(0, 60));
  }
  assertEngineUnchanged(reference);
  assert.equal(bridge.addCorpus(valid), 2);
  assert.equal(bridge.clearUserCorpus(), true);
  assertEngineUnchanged(reference);
});

test('a raw lone surrogate in corpus text becomes U+FFFD and the corpus loads', () => {
  assert.equal(bridge.addCorpus('[{"id":99003,"name":"打开\ud800画板","examples":["画板\udfff"]}]'), 1);
  const { matchedCommand } = bridge.route('打开画板');
  assert.equal(matchedCommand.name, '打开\ufffd画板');
  assert.equal(bridge.clearUserCorpus(), true);
});

test('corpus files that are directories, missing, empty or deep are refused and change nothing', HANG_GUARD, () => {
  const reference = bridge.route('打开记事本');
  const empty = path.join(work, 'empty.json');
  const deep = path.join(work, 'deep.json');
  fs.writeFileSync(empty, '');
  fs.writeFileSync(deep, '['.repeat(1 << 20));
  const paths = [work, path.join(work, 'missing.json'), empty, deep, path.join(work, 'x'.repeat(5000)),
    '', path.join(work, '\u0000corpus.json'), 'x'.repeat(100000)];
  for (const file of paths) {
    assert.throws(() => bridge.addCorpusFromFile(file), engineError('Norvik_AddCorpusFromFile', [-3]), file.slice(-40));
    assert.throws(() => bridge.initFromFile(file), engineError('Norvik_InitFromFile', [-3]), file.slice(-40));
  }
  assertEngineUnchanged(reference);
});

test('a corpus of thousands of commands is taken whole and cleared again', HANG_GUARD, () => {
  // Names of three distinct characters each (the engine reads any run of digits as the same number).
  const word = (i) => [0, 1, 2].map((k) => String.fromCharCode(0x4e00 + ((i * 3 + k) * 7) % 20000)).join('');
  const commands = Array.from({ length: 3000 }, (_, i) => ({
    id: 200000 + i, name: `打开${word(i)}`, examples: [`启动${word(i)}`], keywords: [word(i)],
  }));
  const file = path.join(work, 'big.json');
  fs.writeFileSync(file, JSON.stringify({ commands }));
  assert.equal(bridge.addCorpusFromFile(file), 3000);
  assert.equal(bridge.getCommandCount(), baseCount + 3000);
  assert.equal(bridge.route(`打开${word(1234)}`).matchedCommand.id, 201234);
  assert.equal(bridge.clearUserCorpus(), true);
  assert.equal(bridge.getCommandCount(), baseCount);
});

test('configurations out of range or unreadable are refused and change nothing', () => {
  const before = bridge.getConfig();
  const refusedByEngine = [{ localThreshold: 1e308 }, { localThreshold: -0.5 }, { localThreshold: 1.5 },
    { weights: { semantic: -1 } }, { weights: { semantic: 0, complexity: 0, domainKeyword: 0, openEnded: 0, entityMatch: 0 } },
    { weights: { semantic: 1e308, complexity: 1e308 } }];
  for (const config of refusedByEngine) {
    assert.throws(() => bridge.updateConfig(config), engineError('Norvik_UpdateConfig', [-2]), JSON.stringify(config));
  }
  // Values without a JSON form are left out, so nothing changes either.
  assert.equal(bridge.updateConfig({ localThreshold: NaN, verbose: 'yes', weights: { semantic: Infinity } }), true);
  // A getter that throws stops the call before the engine sees anything.
  const hostile = new Proxy({}, { has: () => true, get: () => { throw new RangeError('no reading'); } });
  assert.throws(() => bridge.updateConfig(hostile), RangeError);
  assert.deepEqual(bridge.getConfig(), before);
});
