'use strict';
// route: the reply buffer, its single growth, and the result read from the reply.
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies, hex } = require('./scripted_session');

const callShape = (c) => ({ capacity: c.capacity, outLengthIn: c.outLengthIn, bufferZeroed: c.bufferZeroed });

test('first call: 8192 zeroed bytes, outLength 0, the query cut at a NUL', () => {
  const session = useReplies({ Norvik_Route: [{ json: '{"target":"local"}' }] });
  assert.deepStrictEqual(bridge.route('放歌\u0000tail'), { target: 'local' });
  const [call] = session.calls('Norvik_Route');
  assert.deepStrictEqual(callShape(call), { capacity: 8192, outLengthIn: 0, bufferZeroed: true });
  assert.strictEqual(call.query_hex, hex('放歌'));
});

test('the query reaches the engine as the host\'s UTF-8 of every kind of string and length', () => {
  const queries = ['', 'a', 'é', '放歌', '😀', '\ud83d', '\ude00x', 'a\ud83d\ud83d\ude00\ude00', '\uffff\u0800\u07ff\u0080',
    ...[126, 127, 128, 129, 400].flatMap((n) => ['a'.repeat(n), '开'.repeat(n), `${'b'.repeat(n - 1)}😀`,
      `${'c'.repeat(n - 1)}\ud83d`])];
  const session = useReplies({ Norvik_Route: queries.map(() => ({ json: '{}' })) });
  for (const query of queries) bridge.route(query);
  assert.deepStrictEqual(session.calls('Norvik_Route').map((call) => call.query_hex), queries.map(hex));
});

test('BufferTooSmall grows the buffer once to exactly the needed length plus one', () => {
  const reasoning = 'r'.repeat(9000);
  const json = JSON.stringify({ target: 'cloud', reasoning });
  let session = useReplies({ Norvik_Route: [{ json }] });
  assert.deepStrictEqual(bridge.route('q'), { target: 'cloud', reasoning });
  assert.deepStrictEqual(session.calls('Norvik_Route').map(callShape), [
    { capacity: 8192, outLengthIn: 0, bufferZeroed: true },
    { capacity: json.length + 1, outLengthIn: json.length, bufferZeroed: true }]);

  // A smaller need shrinks the buffer to that size too.
  session = useReplies({ Norvik_Route: [{ code: -4, outLength: 20 }, { json: '{"target":"t"}' }] });
  assert.deepStrictEqual(bridge.route('q'), { target: 't' });
  assert.deepStrictEqual(session.calls('Norvik_Route').map((c) => c.capacity), [8192, 21]);
});

test('a second BufferTooSmall, or a need too large for a 32-bit capacity, is an Error', () => {
  const cases = [[{ code: -4, outLength: 9000 }, { code: -4, outLength: 9500 }], 2,
    [{ code: -4, outLength: 0xFFFFFFFF }, {}], 1,
    [{ code: -4, outLength: 2147483647 }, {}], 1];
  for (let i = 0; i < cases.length; i += 2) {
    const session = useReplies({ Norvik_Route: cases[i] });
    assert.throws(() => bridge.route('q'), { message: 'Norvik_Route failed with code -4' });
    assert.strictEqual(session.calls('Norvik_Route').length, cases[i + 1]);
  }
});

test('a reported length beyond the buffer is read only up to the buffer', () => {
  useReplies({ Norvik_Route: [{ json: '{"target":"abc', outLength: 100000 }] });
  const first = bridge.route('q').target;
  assert.strictEqual(first.length, 8191 - '{"target":"'.length);
  assert.strictEqual(first.replace(/\u0000+$/, ''), 'abc');

  useReplies({ Norvik_Route: [{ code: -4, outLength: 20 }, { json: '{"target":"ab', outLength: 5000 }] });
  assert.strictEqual(bridge.route('q').target, 'ab' + '\u0000'.repeat(20 - 13));
});

test('the result carries each known member in the reply order', () => {
  useReplies({ Norvik_Route: [{ json: '{"reasoning":"r\\u00e9\\n","other":{"x":[1,"]"]},"scores":{"semantic":0.5,' +
    '"x y":-1e2,"k\\u0000z":2},"matchedCommand":{"name":"播放","extra":[1,2],"id":12,"similarity":0.9},' +
    '"patternAction":{"action":"open","arg":"\\"q\\""},"confidence":0.875,"target":"local"}' }] });
  const result = bridge.route('q');
  assert.deepStrictEqual(result, {
    reasoning: 'ré\n', scores: { semantic: 0.5, 'x y': -100, k: 2 },
    matchedCommand: { name: '播放', id: 12, similarity: 0.9 },
    patternAction: { action: 'open', arg: '"q"' }, confidence: 0.875, target: 'local' });
  assert.deepStrictEqual(Object.keys(result),
    ['reasoning', 'scores', 'matchedCommand', 'patternAction', 'confidence', 'target']);
  assert.deepStrictEqual(Object.keys(result.matchedCommand), ['name', 'id', 'similarity']);
});

test('malformed and truncated replies yield what could be read', () => {
  const cases = [
    ['{}', {}], ['', {}], ['  [{"target":"x"}]', {}],
    ['{"target":null,"confidence":"0.5"}', { target: '', confidence: 0 }],
    ['{"matchedCommand":null,"patternAction":null}', { matchedCommand: null, patternAction: null }],
    ['{"scores":5,"matchedCommand":"x","patternAction":1,"target":"t"}', { scores: {}, target: 't' }],
    ['{"target":"a" "confidence" 1 "target":"b"}', { target: 'b', confidence: 1 }],
    ['{"target":"lo', { target: 'lo' }],
    ['{"scores":{"a":1,"b":', { scores: { a: 1, b: 0 } }],
    ['{"matchedCommand":{"id":3', { matchedCommand: { id: 3 } }],
    ['{"scores":[1]],"target":"after stray bracket"}', { target: 'after stray bracket', scores: {} }],
  ];
  useReplies({ Norvik_Route: cases.map(([json]) => ({ json })) });
  for (const [json, expected] of cases) assert.deepStrictEqual(bridge.route('q'), expected, json);
});
