'use strict';
// How replies become script values: the same values, members and order that
// JSON.parse reads from well-formed replies of every size, strings made exactly
// as the host makes them from UTF-8 (well-formed or not), and members set by
// plain assignment (inherited setters run, also when they call the module).
const test = require('node:test');
const assert = require('node:assert');
const { bridge, useReplies } = require('./scripted_session');

// Every object's keys, depth first, in their order.
const keyOrder = (value) => (value && typeof value === 'object' ?
  Object.keys(value).flatMap((k) => [k, ...keyOrder(value[k])]) : []);

// Equal values (-0 and NaN included) with the members in the same order.
function assertSame(actual, expected, text) {
  assert.deepStrictEqual(actual, expected, text);
  assert.deepStrictEqual(keyOrder(actual), keyOrder(expected), text);
}

// A seeded generator of reply pieces: strings with every escape that reads the
// same leniently and in JSON.parse, numbers in many spellings.
function replyMaker(seed) {
  let state = seed;
  const next = () => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return state / 2 ** 32;
  };
  const pick = (list) => list[Math.floor(next() * list.length)];
  const pieces = ['a', 'Z', ' ', '打开', '计算器', 'é', '€', '😀', '\\"', '\\\\', '\\n', '\\t', '\\r', '\\/', '\\u00e9',
    '\\u4e2d', '\\u0041', '\\u0001', '\u007f', '{', '}', '[', ']', ':', ','];
  const string = () => `"${Array.from({ length: Math.floor(next() * 6) }, () => pick(pieces)).join('')}"`;
  const key = () => pick(['"semantic"', '"type"', '"app"', '"0"', '"17"', string()]);
  const number = () => pick([
    () => String(next()), () => (next() * 2 - 1).toFixed(6), () => `${Math.floor(next() * 1e6)}`, () => '-0.0',
    () => `${(next() * 10).toFixed(3)}e${Math.floor(next() * 40) - 20}`, () => '1.7976931348623157e308',
    () => '4.9e-324', () => `-${next()}E+2`])();
  const object = (value, count) => `{${Array.from({ length: count }, () => `${key()}:${value()}`).join(',')}}`;
  const count = () => Math.floor(next() * 5);
  return { next, pick, string, number, object, count };
}

function routeReply(m) {
  const members = [
    () => `"target":${m.string()}`, () => `"confidence":${m.number()}`, () => `"reasoning":${m.string()}`,
    () => `"scores":${m.object(m.number, m.count())}`,
    // (A skipped list must not hold a ']' in a string: the lenient skip counts brackets only.)
    () => `"matchedCommand":${m.next() < 0.3 ? 'null' : `{"name":${m.string()},"extra":[1,{"a":"}"}],` +
      `"id":${m.number()},"similarity":${m.number()}}`}`,
    () => `"patternAction":${m.next() < 0.3 ? 'null' : m.object(m.string, m.count())}`,
    () => '"candidates":[{"id":1,"name":"打开{app}"}]'];
  return `{${Array.from({ length: 1 + m.count() * 2 }, () => m.pick(members)()).join(',')}}`;
}

const pickKeys = (object, keys) =>
  Object.fromEntries(Object.entries(object).filter(([k]) => keys.includes(k)));

function expectedRoute(parsed) {
  const out = {};
  for (const [key, value] of Object.entries(parsed)) {
    if (['target', 'confidence', 'reasoning'].includes(key)) out[key] = value;
    else if (key === 'scores' || key === 'patternAction') out[key] = value === null ? null : { ...value };
    else if (key === 'matchedCommand') out[key] = value === null ? null : pickKeys(value, ['id', 'similarity', 'name']);
  }
  return out;
}

test('well-formed replies of every size build what JSON.parse reads, member for member and in order', () => {
  const m = replyMaker(7);
  const routes = Array.from({ length: 300 }, () => routeReply(m));
  // Values the builder holds once, beside their neighbours that it does not.
  routes.push('{"target":"local","patternAction":{"type":"open_app","app":"calculator","x":"llm","y":"local ",' +
    '"z":"Local","w":"loca","v":"open_app\\u0000","u":"chat","t":""}}');
  // Far more members than one part of the reply tape holds.
  routes.push(`{"scores":${m.object(m.number, 3000)},"patternAction":${m.object(m.string, 1500)}}`);
  const lists = Array.from({ length: 150 }, () => `{"matches":[${Array.from({ length: m.count() },
    () => `{"id":${m.number()},"name":${m.string()},"similarity":${m.number()}}`).join(',')}]}`);
  const configs = Array.from({ length: 150 }, () => `{"weights":${m.object(m.number, m.count())},` +
    `"verbose":${m.pick(['true', 'false'])},"other":${m.string()},"localThreshold":${m.number()}}`);
  useReplies({
    Norvik_Route: routes.map((json) => ({ json })),
    Norvik_QuerySimilarity: lists.map((json) => ({ json })),
    Norvik_GetConfig: configs.map((json) => ({ json })),
  });
  for (const json of routes) assertSame(bridge.route('q'), expectedRoute(JSON.parse(json)), json);
  for (const json of lists) {
    const matches = JSON.parse(json).matches.map((match) => pickKeys(match, ['id', 'similarity']));
    assertSame(bridge.querySimilarity('q'), { matches }, json);
  }
  for (const json of configs) {
    assertSame(bridge.getConfig(), pickKeys(JSON.parse(json), ['weights', 'verbose', 'localThreshold']), json);
  }
});

test('strings are what the host makes of their UTF-8 bytes, ill-formed ones included', () => {
  const bytes = (...list) => Buffer.from(list.flat()).toString('utf8');
  const cut = '{"target":"ab打"}';
  useReplies({ Norvik_Route: [
    { json: '{"target":"\\ud83d\\ude00 \\udc00x","reasoning":"😀\\u0000\\u00ff","scores":{"\\ud800":1}}' },
    { json: cut, outLength: Buffer.byteLength(cut) - 3 },  // cut inside the last character
    // Long ASCII runs around Chinese, two-byte and four-byte characters, and an
    // ill-formed sequence found only after them.
    { json: `{"target":"${'a'.repeat(17)}打开${'b'.repeat(16)}é😀${'c'.repeat(15)}",` +
      `"reasoning":"${'d'.repeat(33)}计算器${'e'.repeat(20)}\\udc00${'f'.repeat(18)}"}` },
  ] });
  const surrogates = bytes([0xed, 0xa0, 0xbd, 0xed, 0xb8, 0x80, 0x20, 0xed, 0xb0, 0x80, 0x78]);
  assertSame(bridge.route('q'), { target: surrogates, reasoning: '😀\u0000ÿ', scores: { [bytes([0xed, 0xa0, 0x80])]: 1 } });
  assertSame(bridge.route('q'), { target: bytes([0x61, 0x62, 0xe6, 0x89]) });
  assertSame(bridge.route('q'), {
    target: `${'a'.repeat(17)}打开${'b'.repeat(16)}é😀${'c'.repeat(15)}`,
    reasoning: bytes([...Buffer.from(`${'d'.repeat(33)}计算器${'e'.repeat(20)}`)], [0xed, 0xb0, 0x80],
      [...Buffer.from('f'.repeat(18))]),
  });
});

test('members are set by assignment: __proto__, inherited setters and read-only members, re-entrant calls', (t) => {
  const seen = [];
  let nested;
  Object.defineProperty(Object.prototype, 'hooked', {
    configurable: true,
    set(value) {
      seen.push(value);
      nested = bridge.route('inner');
    },
  });
  Object.defineProperty(Object.prototype, 'fixed', { configurable: true, writable: false, value: 'inherited' });
  t.after(() => {
    delete Object.prototype.hooked;
    delete Object.prototype.fixed;
  });
  useReplies({ Norvik_Route: [
    { json: '{"scores":{"a":1,"hooked":2,"__proto__":3,"b":4},"patternAction":{"fixed":"x","__proto__":"y","c":"z"}}' },
    { json: '{"target":"inner","scores":{"s":5}}' },
  ] });
  const result = bridge.route('outer');
  assert.deepStrictEqual(seen, [2]);
  assertSame(nested, { target: 'inner', scores: { s: 5 } });
  assert.deepStrictEqual(Object.keys(result.scores), ['a', 'b']);
  assert.deepStrictEqual(Object.keys(result.patternAction), ['c']);
  assert.strictEqual(Object.getPrototypeOf(result.scores), Object.prototype);
  assert.strictEqual(result.patternAction.fixed, 'inherited');
});

test('score and command objects: the engine\'s run of members whole or broken anywhere, names kept between calls', (t) => {
  const scores = ['"semantic":0.5', '"complexity":0', '"domainKeyword":1', '"openEnded":-0.25', '"entityMatch":2e-3',
    '"combined":0.75'];
  const command = (name) => ['"id":101', '"similarity":0.645017', `"name":${name}`];
  // The run, cut short, with a member after it or between, out of order, and
  // with a key that reads as the run's only once unescaped.
  const variants = (run, other) => [run, ...run.map((_, i) => run.slice(0, i)), [...run, other], [...run, run[0]],
    [run[1], run[0], ...run.slice(2)], [run[0], other, ...run.slice(1)], [run[0].replace('i', '\\u0069'), ...run.slice(1)]];
  const names = ['"打开计算器"', '"calculator"', '"abc"', '""', `"${'长'.repeat(20)}"`, '"\\u6253\\"开"'];
  const replies = [
    ...variants(scores, '"x":7').map((members) => `{"target":"local","scores":{${members.join(',')}}}`),
    ...names.flatMap((name) => variants(command(name), '"x":{"a":1}')
      .map((members) => `{"confidence":1,"matchedCommand":{${members.join(',')}}}`)),
  ];
  // Each reply twice: the second time a name is found kept from the first.
  const thrown = '{"confidence":1,"matchedCommand":{"id":1,"similarity":1,"name":"新的名字"}}';
  useReplies({ Norvik_Route: [...replies, ...replies, thrown, thrown].map((json) => ({ json })) });
  for (const json of [...replies, ...replies]) assertSame(bridge.route('q'), expectedRoute(JSON.parse(json)), json);
  // A build that stops at a throwing setter keeps no name it did not reach.
  Object.defineProperty(Object.prototype, 'confidence', { configurable: true, set() { throw new Error('refused'); } });
  t.after(() => delete Object.prototype.confidence);
  assert.throws(() => bridge.route('q'), /refused/);
  delete Object.prototype.confidence;
  assertSame(bridge.route('q'), expectedRoute(JSON.parse(thrown)));
});
