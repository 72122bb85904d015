'use strict';
// updateConfig's JSON text and getConfig's reading of the engine's reply.
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies, hexToText } = require('./scripted_session');

const sentTexts = (session) => session.calls('Norvik_UpdateConfig')
  .map((c) => hexToText(c.configJson_hex));

test('updateConfig writes the fixed keys in fixed order with "%f" numbers', () => {
  const withFunction = Object.assign(function config() {}, { verbose: true, weights: Object.assign(() => 0, { semantic: 3 }) });
  const cases = [
    [{}, '{}'],
    [{ verbose: false }, '{"verbose":false}'],
    [{ weights: {} }, '{"weights":{}}'],
    [{ weights: [] }, '{"weights":{}}'],
    [{ localThreshold: 0.6, verbose: true, weights: { semantic: 0.5, entityMatch: 0.1 } },
      '{"localThreshold":0.600000,"verbose":true,"weights":{"semantic":0.500000,"entityMatch":0.100000}}'],
    [{ weights: { openEnded: 2, semantic: 1, other: 9 }, verbose: true },
      '{"verbose":true,"weights":{"semantic":1.000000,"openEnded":2.000000}}'],
    [{ localThreshold: 0.0000001 }, '{"localThreshold":0.000000}'],
    [{ localThreshold: -0 }, '{"localThreshold":-0.000000}'],
    [{ localThreshold: 123456.7891, weights: { complexity: -0.25, domainKeyword: 1e21, entityMatch: 0.0078125 } },
      '{"localThreshold":123456.789100,"weights":{"complexity":-0.250000,' +
      '"domainKeyword":1000000000000000000000.000000,"entityMatch":0.007812}}'],
    // Wrong types, and numbers without a JSON form, are left out.
    [{ localThreshold: '0.5', verbose: 1, weights: null, extra: true }, '{}'],
    [{ localThreshold: NaN, weights: { semantic: Infinity, openEnded: '1' } }, '{"weights":{}}'],
    [Object.create({ verbose: true, localThreshold: 1 }), '{"localThreshold":1.000000,"verbose":true}'],
    [withFunction, '{"verbose":true,"weights":{"semantic":3.000000}}'],
  ];
  const session = useReplies();
  for (const [config] of cases) assert.strictEqual(bridge.updateConfig(config), true);
  assert.deepStrictEqual(sentTexts(session), cases.map(([, text]) => text));
});

test('a property read that throws reaches the script and the engine is not called', () => {
  const session = useReplies();
  const config = { localThreshold: 1, get verbose() { throw new RangeError('boom'); } };
  assert.throws(() => bridge.updateConfig(config), { name: 'RangeError', message: 'boom' });
  assert.deepStrictEqual(sentTexts(session), []);
});

test('getConfig reads the reply over a 1024-byte buffer', () => {
  const cases = [
    ['{"localThreshold":0.5,"verbose":true,"weights":{"semantic":0.7}}',
      { localThreshold: 0.5, verbose: true, weights: { semantic: 0.7 } }],
    ['{"verbose":"yes","list":[1,{"a":2}],"localThreshold":1}', { verbose: false, localThreshold: 1 }],
    ['{"weights":3,"verbose":false,"localThreshold":1,"localThreshold":2}', { weights: {}, verbose: false, localThreshold: 2 }],
    ['{"weights":{"custom":-1e-3,"semantic":2}', { weights: { custom: -0.001, semantic: 2 } }],
    ['[{"verbose":true}]', {}], [' ', {}],
  ];
  const session = useReplies({ Norvik_GetConfig: cases.map(([json]) => ({ json })) });
  for (const [json, expected] of cases) {
    const config = bridge.getConfig('ignored');
    assert.deepStrictEqual(config, expected, json);
    assert.deepStrictEqual(Object.keys(config), Object.keys(expected), json);
  }
  const [call] = session.calls('Norvik_GetConfig');
  assert.deepStrictEqual([call.capacity, call.outLengthIn], [1024, 0]);
});

test('getConfig trusts no reported length beyond its buffer and does not retry', () => {
  let session = useReplies({ Norvik_GetConfig: [
    { json: '{"verbose":true}', outLength: 0 }, { json: '{"localThreshold":2', outLength: 5000 }] });
  assert.deepStrictEqual(bridge.getConfig(), {});
  assert.strictEqual(bridge.getConfig().localThreshold, 2);

  session = useReplies({ Norvik_GetConfig: [{ json: JSON.stringify({ weights: { w: 'x'.repeat(1100) } }) }] });
  assert.throws(() => bridge.getConfig(), { message: 'Norvik_GetConfig failed with code -4' });
  assert.strictEqual(session.calls('Norvik_GetConfig').length, 1);
});
