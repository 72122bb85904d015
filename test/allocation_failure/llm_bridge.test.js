'use strict';
// llm_bridge under allocation failure: every allocation of every script
// function is made to fail in turn. A frame's Promise is rejected with its
// prefix and the exception's text ("Generation failed: std::bad_alloc"); when
// memory stays short, so that even that text cannot be built, with the
// prefix's "unknown C++ exception" text. Nothing crashes, a failed load leaves
// no model, a failed request leaves the model loaded, and the module frees what
// it allocated.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { createScriptedModel } = require('../support/scripted_model');
const { commandPrompt, musicPrompt } = require('../llm_bridge/prompts');
const { loadProbe, forEveryAllocation } = require('./every_allocation');

const { probe: llm, skip } = loadProbe('llm_bridge_probe.node');

const USER = '播放周杰伦的稻香';
const LOAD = 'Failed to load model: ';
const GENERATION = 'Generation failed: ';
const CHAT = 'Chat failed: ';

test('every allocation of every llm_bridge function fails in turn', { skip }, async (t) => {
  const model = createScriptedModel({
    rules: [
      { prompt: commandPrompt(USER), reply: '播放指定音乐指令' },
      { prompt: musicPrompt(USER), reply: '稻香，周杰伦' },
    ],
    default: '  你好呀，我是豆豆！  ',
    log: undefined,
  });
  const loaded = async () => {
    if (!llm.isModelLoaded()) assert.equal(await llm.loadModel(model.dir, 'CPU'), true);
  };
  const unloaded = () => llm.unloadModel();
  const control = llm.allocationControl;
  const prefixes = new Set();

  // [name, state before, call, what it gives with memory, failure prefix (none: the
  // function answers directly and cannot fail), state after a success]
  const rows = [
    ['loadModel on the CPU', unloaded, () => llm.loadModel(model.dir, 'CPU'), { resolved: true }, LOAD, unloaded],
    ['loadModel on the NPU', unloaded, () => llm.loadModel(model.dir, 'NPU', path.join(model.root, 'cache')),
      { resolved: true }, LOAD, unloaded],
    ['loadModel, no such model', unloaded, () => llm.loadModel(path.join(model.root, 'missing'), 'CPU'),
      null, LOAD, unloaded],
    ['generate, media command', loaded, () => llm.generate(USER), { resolved: '稻香，周杰伦' }, GENERATION, loaded],
    ['generateWithMediaType', loaded, () => llm.generateWithMediaType(USER, 'music'), { resolved: '稻香，周杰伦' },
      GENERATION, loaded],
    ['chat', loaded, () => llm.chat('你好'), { resolved: '你好呀，我是豆豆！' }, CHAT, loaded],
    ['generate, not a string', loaded, () => llm.generate(42),
      { rejected: 'generate(userPrompt) requires a string argument' }, GENERATION, loaded],
    ['generate, no model', unloaded, () => llm.generate(USER),
      { rejected: 'Model is not loaded. Call loadModel() first.' }, GENERATION, unloaded],
    ['isModelLoaded', loaded, () => llm.isModelLoaded(), { value: true }, null, loaded],
    ['unloadModel', loaded, () => llm.unloadModel(), { value: undefined }, null, loaded],
  ];
  try {
    for (const [name, before, call, expected, prefix, after] of rows) {
      await forEveryAllocation(t, control, {
        name,
        prepare: before,
        call,
        restore: after,
        check(outcome, { fired, persistent }) {
          if (!fired || !prefix) {
            if (expected) assert.deepEqual(outcome, expected);
            else assert.ok(outcome.rejected.startsWith(LOAD), outcome.rejected);
            return;
          }
          assert.ok('rejected' in outcome, `a failed allocation rejects the Promise, got ${JSON.stringify(outcome)}`);
          assert.equal(typeof outcome.rejected, 'string');
          prefixes.add(outcome.rejected.slice(0, outcome.rejected.indexOf(':') + 1));
          // With memory short for good, even "<prefix>std::bad_alloc" cannot be built.
          if (persistent) assert.equal(outcome.rejected, `${prefix}unknown C++ exception`);
          else assert.ok(outcome.rejected.startsWith(prefix), outcome.rejected);
          assert.equal(llm.isModelLoaded(), before === loaded && prefix !== LOAD,
            'a failed load leaves no model; a failed request changes nothing');
        },
      });
    }
  } finally {
    llm.unloadModel();
    model.remove();
  }
  await t.test('the three promise frames each met a failed allocation', () => {
    assert.deepEqual([...prefixes].sort(), ['Chat failed:', 'Failed to load model:', 'Generation failed:']);
  });
});
