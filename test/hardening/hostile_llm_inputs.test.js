'use strict';
// Hostile input through llm_bridge's public functions, on the scripted model:
// megabyte prompts, NUL bytes, lone surrogates, and model paths, devices and
// model files that cannot work. Prompts must reach the model whole and as
// well-formed UTF-8; every bad load must end in the load rejection string with
// no model loaded and the working directory unchanged.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel, hexOf } = require('../support/scripted_model');
const { commandPrompt, musicPrompt, PERSONA_HEAD } = require('../llm_bridge/prompts');

const HANG_GUARD = { timeout: 600000 };
const LOAD_FAILED = 'Failed to load model: ';

test.afterEach(() => llm.unloadModel());

test('a megabyte prompt reaches the model whole, in both calls of a request', HANG_GUARD, async () => {
  const model = createScriptedModel({ default: '播放指定音乐指令' });
  try {
    await llm.loadModel(model.dir, 'CPU');
    const user = '放一首周杰伦的晴天'.repeat(80000) + '\ud7ff\ue000\u{10ffff}';
    assert.ok(Buffer.byteLength(user) > 2000000);
    assert.equal(await llm.generate(user), '播放指定音乐指令');
    const [first, second] = model.generateEvents();
    assert.equal(first.prompt_hex, hexOf(commandPrompt(user)));
    assert.equal(second.prompt_hex, hexOf(musicPrompt(user)));
  } finally {
    model.remove();
  }
});

test('NUL bytes stay in the prompt; lone surrogates arrive as U+FFFD', async () => {
  const model = createScriptedModel({ default: 'ok' });
  try {
    await llm.loadModel(model.dir, 'CPU');
    assert.equal(await llm.generate('a\u0000b'), 'ok');
    assert.equal(await llm.chat('\ud800x\udfff'), 'ok');
    const [withNul, withSurrogates] = model.generateEvents();
    assert.equal(withNul.prompt_hex, hexOf(commandPrompt('a\u0000b')));
    assert.ok(withNul.prompt_hex.includes('610062'));
    assert.ok(withSurrogates.prompt_hex.includes(hexOf(PERSONA_HEAD) + 'efbfbd78efbfbd'));
    // A media type with a NUL after a known name is another name: no model call, empty result.
    assert.equal(await llm.generateWithMediaType('x', 'music\u0000'), '');
    assert.equal(model.generateEvents().length, 2);
  } finally {
    model.remove();
  }
});

test('model paths and devices that cannot work are rejected with the load prefix', HANG_GUARD, async () => {
  const model = createScriptedModel({ default: 'ok' });
  const notJson = createScriptedModel();
  const deepJson = createScriptedModel();
  const jsonIsDirectory = createScriptedModel();
  fs.writeFileSync(path.join(notJson.dir, 'scripted_model.json'), '{"rules": [');
  fs.writeFileSync(path.join(deepJson.dir, 'scripted_model.json'), '['.repeat(1 << 20));
  fs.rmSync(path.join(jsonIsDirectory.dir, 'scripted_model.json'));
  fs.mkdirSync(path.join(jsonIsDirectory.dir, 'scripted_model.json'));
  const cwd = process.cwd();
  try {
    const cases = [
      ['', 'CPU'], ['\u0000', 'CPU'], [path.join(model.dir, '\u0000', 'x'), 'CPU'], ['x'.repeat(70000), 'CPU'],
      [path.join(model.dir, 'scripted_model.json'), 'CPU'], [notJson.dir, 'CPU'], [deepJson.dir, 'CPU'],
      [jsonIsDirectory.dir, 'CPU'], [model.dir, 'C\u0000PU'], [model.dir, 'x'.repeat(100000)], [model.dir, '\ud800'],
    ];
    for (const [dir, device] of cases) {
      await llm.loadModel(model.dir, 'CPU');
      const reason = await llm.loadModel(dir, device).then(() => 'resolved', (r) => r);
      assert.equal(typeof reason, 'string');
      assert.ok(reason.startsWith(LOAD_FAILED), `${dir.slice(-30)} on ${device.slice(0, 10)}: ${reason.slice(0, 200)}`);
      assert.equal(llm.isModelLoaded(), false);
      assert.equal(process.cwd(), cwd);
    }
  } finally {
    [model, notJson, deepJson, jsonIsDirectory].forEach((m) => m.remove());
  }
});

// Kept under the 32 767 characters a Windows path may have.
test('a very long NPU cache directory is passed on as it is', async () => {
  const model = createScriptedModel({ default: 'ok' });
  try {
    const cache = path.join(model.root, 'c'.repeat(200), '..', 'd'.repeat(20000));
    assert.equal(await llm.loadModel(model.dir, 'NPU', cache), true);
    const [load] = model.loadEvents();
    assert.equal(load.properties.CACHE_DIR.value, path.join(model.root, 'd'.repeat(20000)));
    assert.equal(await llm.chat('hi'), 'ok');
  } finally {
    model.remove();
  }
});
