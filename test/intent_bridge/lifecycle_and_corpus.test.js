'use strict';
// Engine lifecycle and corpus calls: what reaches the engine and what comes back.
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies, hex } = require('./scripted_session');

test('addCorpus passes the UTF-8 bytes and their full byte length', () => {
  const session = useReplies({ Norvik_AddCorpus: [{ count: 4 }, {}] });
  const texts = ['[{"q":"播放音乐"}]', 'a\u0000b', ''];
  assert.strictEqual(bridge.addCorpus(texts[0]), 4);
  assert.strictEqual(bridge.addCorpus(texts[1]), 0);
  assert.strictEqual(bridge.addCorpus(texts[2]), 0);
  const calls = session.calls('Norvik_AddCorpus');
  assert.deepStrictEqual(calls.map((c) => c.length), [Buffer.byteLength(texts[0]), 3, 0]);
  // The NUL-terminated view ends at an embedded NUL.
  assert.deepStrictEqual(calls.map((c) => c.corpusJson_hex), [hex(texts[0]), hex('a'), '']);
  assert.deepStrictEqual(calls.map((c) => c.outCountIn), [0, 0, 0]);
});

test('file paths reach the engine unchanged; a count left alone reads 0', () => {
  const session = useReplies({ Norvik_AddCorpusFromFile: [{ count: -3 }, {}] });
  const file = 'C:\\Users\\宠物/corpus file.json';
  assert.strictEqual(bridge.addCorpusFromFile(file), -3);
  assert.strictEqual(bridge.addCorpusFromFile('cut\u0000here'), 0);
  assert.deepStrictEqual(session.calls('Norvik_AddCorpusFromFile').map((c) => [c.path_hex, c.outCountIn]),
    [[hex(file), 0], [hex('cut'), 0]]);
});

test('getCommandCount returns counts of 0 or more and throws negative results', () => {
  useReplies({ Norvik_GetCommandCount: [{ code: 0 }, { code: 2147483647 }, { code: -1 }, { code: -2 }] });
  assert.strictEqual(bridge.getCommandCount(), 0);
  assert.strictEqual(bridge.getCommandCount(), 2147483647);
  assert.throws(() => bridge.getCommandCount(), { message: 'Norvik_GetCommandCount failed with code -1' });
  assert.throws(() => bridge.getCommandCount(), { message: 'Norvik_GetCommandCount failed with code -2' });
});

test('destroy never throws and reaches the engine every time; clearUserCorpus and init answer true', () => {
  const session = useReplies({ Norvik_Destroy: [{ code: -9 }] });
  assert.strictEqual(bridge.destroy(), undefined);
  assert.strictEqual(bridge.destroy('ignored'), undefined);
  assert.strictEqual(session.calls('Norvik_Destroy').length, 2);
  assert.strictEqual(bridge.clearUserCorpus(), true);
  assert.strictEqual(bridge.init(), true);
});

test('version copies the engine text and answers "unknown" for null', () => {
  useReplies({ Norvik_Version: [{ version: 'norvik 2.1 测试' }, { version: '' }, { version: null }] });
  assert.strictEqual(bridge.version(), 'norvik 2.1 测试');
  assert.strictEqual(bridge.version(), '');
  assert.strictEqual(bridge.version(), 'unknown');
  assert.strictEqual(bridge.version(), 'unknown');
});
