'use strict';
// intent_bridge under allocation failure: every allocation of every script
// function is made to fail in turn. A call answers as it does with memory, or
// throws the Error "intent_bridge: out of memory"; a route whose grown reply
// buffer cannot be had throws "Norvik_Route failed with code -4". Nothing
// crashes, and the module frees what it allocated.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { makeScript } = require('../support/scripted_engine');
const { loadProbe, forEveryAllocation } = require('./every_allocation');

const { probe, skip } = loadProbe('intent_bridge_probe.node');

const OUT_OF_MEMORY = 'intent_bridge: out of memory';
const ROUTE_JSON = JSON.stringify({
  target: 'local', confidence: 0.9, reasoning: 'x'.repeat(9000),
  scores: { semantic: 0.8 }, matchedCommand: { id: 7, similarity: 0.8, name: '播放音乐' },
  patternAction: { type: 'media', song: '稻香' },
});
const REPLIES = {
  Norvik_Route: [{ code: -4, outLength: Buffer.byteLength(ROUTE_JSON) }, { json: ROUTE_JSON }],
  Norvik_QuerySimilarity: [{ json: '{"matches":[{"id":1,"similarity":0.5,"name":"打开"},{"id":2}]}' }],
  Norvik_SemanticScore: [{ score: 0.5, raw: 1.5, cmdId: 3 }],
  Norvik_GetConfig: [{ json: '{"localThreshold":0.4,"verbose":true,"weights":{"semantic":0.45}}' }],
  Norvik_AddCorpus: [{ count: 2 }],
  Norvik_AddCorpusFromFile: [{ count: 3 }],
  Norvik_GetCommandCount: [{ code: 5 }],
  Norvik_ClearUserCorpus: [{ code: -2, message: 'no user corpus to clear' }],
  Norvik_Version: [{ version: 'scripted 测试' }],
};

// Every function, on a success path and on an engine failure.
const CALLS = [
  ['init', (b) => b.init()],
  ['initFromFile', (b, script) => b.initFromFile(script.path)],
  ['route, reply buffer grown', (b) => b.route('播放周杰伦的稻香')],
  ['route, not a string', (b) => b.route(42)],
  ['querySimilarity', (b) => b.querySimilarity('打开', 5)],
  ['semanticScore', (b) => b.semanticScore('打开')],
  ['updateConfig', (b) => b.updateConfig({ localThreshold: 0.6, verbose: true, weights: { semantic: 1 } })],
  ['getConfig', (b) => b.getConfig()],
  ['addCorpus', (b) => b.addCorpus('[{"id":1,"name":"喂猫"}]')],
  ['addCorpusFromFile', (b) => b.addCorpusFromFile(path.join('corpus', '用户.json'))],
  ['clearUserCorpus, engine error', (b) => b.clearUserCorpus()],
  ['getCommandCount', (b) => b.getCommandCount()],
  ['destroy', (b) => b.destroy()],
  ['version', (b) => b.version()],
];

// An outcome as plain data: thrown errors by their name, message and detail.
function plain(outcome) {
  if (!('thrown' in outcome)) return outcome;
  const { name, message, detail } = outcome.thrown;
  return { thrown: { name, message, detail } };
}

test('every allocation of every intent_bridge function fails in turn', { skip }, async (t) => {
  const script = makeScript(REPLIES);
  const control = probe.allocationControl;
  const prepare = () => probe.initFromFile(script.path); // every queue starts afresh
  const messages = new Set();
  try {
    for (const [name, call] of CALLS) {
      prepare();
      let expected;
      try {
        expected = plain({ value: call(probe, script) });
      } catch (thrown) {
        expected = plain({ thrown });
      }
      await forEveryAllocation(t, control, {
        name,
        prepare,
        call: () => call(probe, script),
        restore: () => {},
        check(outcome, { fired }) {
          const seen = plain(outcome);
          if (!fired) return assert.deepEqual(seen, expected);
          assert.ok('thrown' in seen, `a failed allocation is reported, got ${JSON.stringify(seen)}`);
          assert.equal(seen.thrown.name, 'Error');
          messages.add(seen.thrown.message);
          const grown = name.startsWith('route') ? ['Norvik_Route failed with code -4'] : [];
          assert.ok([OUT_OF_MEMORY, ...grown].includes(seen.thrown.message), seen.thrown.message);
        },
      });
    }
  } finally {
    script.remove();
  }
  await t.test('both failures were met: the call frame and the grown route buffer', () => {
    assert.deepEqual([...messages].sort(), ['Norvik_Route failed with code -4', OUT_OF_MEMORY]);
  });
});
