'use strict';
// querySimilarity and semanticScore.
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies } = require('./scripted_session');

test('the count asked for is the second argument read as int32, else 3', () => {
  const session = useReplies();
  const counts = [[[], 3], [[5], 5], [[2.9], 2], [[-1], -1], [[NaN], 0], [[Infinity], 0], [[2 ** 32 + 5], 5],
    [['7'], 3], [[undefined], 3], [[null], 3], [[0, 'extra'], 0]];
  for (const [extra] of counts) bridge.querySimilarity('q', ...extra);
  const calls = session.calls('Norvik_QuerySimilarity');
  assert.deepStrictEqual(calls.map((c) => c.topK), counts.map(([, topK]) => topK));
  assert.deepStrictEqual([calls[0].capacity, calls[0].outLengthIn], [4096, 0]);
});

test('matches are the object elements of the first list in the reply', () => {
  const cases = [
    ['[{"id":1,"similarity":0.5},{"id":2,"similarity":0.25}]', [{ id: 1, similarity: 0.5 }, { id: 2, similarity: 0.25 }]],
    ['{"matches":[{"similarity":0.3,"name":"x","id":4}]}', [{ similarity: 0.3, id: 4 }]],
    ['[{"name":"no id","similarity":0.7}]', [{ similarity: 0.7 }]],
    ['no list here', []], ['[]', []], ['', []],
    // Non-object elements are passed over; objects need no commas between them.
    ['[1, "s", [{"id":9}], null, {"id":2} {"id":3}]', [{ id: 2 }, { id: 3 }]],
    ['[},]{"id":6}]', []],
    ['[},{"id":6}]', [{ id: 6 }]],
    ['[{"id":1}] [{"id":5}]', [{ id: 1 }]],
    ['[{"id":1},{"id":2,"simil', [{ id: 1 }, { id: 2 }]],
    // The first bracket is taken even inside a string: the list is read from there.
    ['{"note":"[","matches":[{"id":1}]}', []],
  ];
  useReplies({ Norvik_QuerySimilarity: cases.map(([json]) => ({ json })) });
  for (const [json, matches] of cases) assert.deepStrictEqual(bridge.querySimilarity('q'), { matches }, json);
});

test('a reply that does not fit is not retried; a length beyond the buffer is clamped', () => {
  let session = useReplies({ Norvik_QuerySimilarity: [{ json: `[${'{"id":1},'.repeat(500)}]` }] });
  assert.throws(() => bridge.querySimilarity('q'), { message: 'Norvik_QuerySimilarity failed with code -4' });
  assert.strictEqual(session.calls('Norvik_QuerySimilarity').length, 1);

  // An open list filling the whole buffer: only the clamp stops the reading at its end.
  session = useReplies({ Norvik_QuerySimilarity: [{ json: '[{"id":1}'.padEnd(4095), outLength: 100000 }] });
  assert.deepStrictEqual(bridge.querySimilarity('q').matches, [{ id: 1 }]);
});

test('semanticScore returns score, raw and cmdId, with -1 when the engine names no command', () => {
  const session = useReplies({ Norvik_SemanticScore: [
    { score: 0.75, raw: -12.5, cmdId: -2147483648 }, {}] });
  const first = bridge.semanticScore('q', 'ignored');
  assert.deepStrictEqual(first, { score: 0.75, raw: -12.5, cmdId: -2147483648 });
  assert.deepStrictEqual(Object.keys(first), ['score', 'raw', 'cmdId']);
  assert.deepStrictEqual(bridge.semanticScore('q'), { score: 0, raw: 0, cmdId: -1 });
  const [call] = session.calls('Norvik_SemanticScore');
  assert.deepStrictEqual([call.outScoreIn, call.outRawIn, call.outCmdIdIn], [0, 0, -1]);
});
