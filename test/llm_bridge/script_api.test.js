'use strict';
// The script face of llm_bridge: the exports, the argument checks and every fixed
// rejection text, the model check, and the two functions that answer directly.
const test = require('node:test');
const assert = require('node:assert/strict');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');

const USAGE = {
  loadModel: 'loadModel(modelPath, device [, cacheDir]) requires at least two string arguments',
  generate: 'generate(userPrompt) requires a string argument',
  generateWithMediaType: 'generateWithMediaType(userPrompt, mediaType) requires two string arguments',
  chat: 'chat(userPrompt) requires a string argument',
};
const NOT_LOADED = 'Model is not loaded. Call loadModel() first.';

// The reason of a rejected Promise; fails when the call throws or resolves.
async function rejectionOf(call) {
  const result = call();
  assert.ok(result instanceof Promise, 'a Promise is returned, nothing is thrown');
  let outcome;
  await result.then(
    (value) => { outcome = { resolved: value }; },
    (reason) => { outcome = { reason }; });
  assert.ok(!('resolved' in outcome), `expected a rejection, got ${JSON.stringify(outcome.resolved)}`);
  assert.equal(typeof outcome.reason, 'string', 'rejection reasons are plain strings');
  return outcome.reason;
}

test('exports the six functions in order, each nameless and plainly assigned', () => {
  assert.deepEqual(Object.keys(llm),
    ['loadModel', 'generate', 'generateWithMediaType', 'chat', 'isModelLoaded', 'unloadModel']);
  for (const key of Object.keys(llm)) {
    const descriptor = Object.getOwnPropertyDescriptor(llm, key);
    assert.equal(typeof descriptor.value, 'function', key);
    assert.equal(descriptor.value.name, '', key);
    assert.ok(descriptor.writable && descriptor.enumerable && descriptor.configurable, key);
  }
});

test('bad arguments reject with the fixed usage text', async () => {
  const cases = [
    ['loadModel', []],
    ['loadModel', ['/some/model']],
    ['loadModel', ['/some/model', 7]],
    ['loadModel', [7, 'CPU']],
    ['loadModel', [new String('/some/model'), 'CPU']],
    ['generate', []],
    ['generate', [42]],
    ['generate', [new String('你好')]],
    ['generate', [undefined, 'extra']],
    ['generateWithMediaType', ['我想听晴天']],
    ['generateWithMediaType', [1, 'music']],
    ['generateWithMediaType', ['我想听晴天', null]],
    ['chat', []],
    ['chat', [null]],
    ['chat', [{ toString: () => 'hi' }]],
  ];
  for (const [name, args] of cases) {
    assert.equal(await rejectionOf(() => llm[name](...args)), USAGE[name], `${name}(${args.length} args)`);
  }
});

test('without a model the argument check comes first, then the model check', async () => {
  llm.unloadModel();
  assert.equal(await rejectionOf(() => llm.generate(5)), USAGE.generate);
  assert.equal(await rejectionOf(() => llm.generate('打开计算器')), NOT_LOADED);
  assert.equal(await rejectionOf(() => llm.generateWithMediaType('x', 'music')), NOT_LOADED);
  // Even a media type that would need no model call is turned away.
  assert.equal(await rejectionOf(() => llm.generateWithMediaType('x', 'podcast')), NOT_LOADED);
  assert.equal(await rejectionOf(() => llm.chat('你好')), NOT_LOADED);
});

test('isModelLoaded and unloadModel answer directly and ignore their arguments', async () => {
  const model = createScriptedModel();
  try {
    assert.equal(llm.unloadModel(), undefined);
    assert.equal(llm.unloadModel('anything', 1), undefined);
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(await llm.loadModel(model.dir, 'CPU'), true);
    assert.equal(llm.isModelLoaded('ignored'), true);
    assert.equal(llm.unloadModel(), undefined);
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(model.destroyCount(), 1);
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

test('extra arguments are ignored by the promise functions', async () => {
  const model = createScriptedModel({ default: '好的' });
  try {
    await llm.loadModel(model.dir, 'CPU', '/unused/cache', 'extra');
    assert.equal(await llm.generate('x', 1, 2), '好的');
    assert.equal(await llm.chat('x', {}), '好的');
    assert.equal(await llm.generateWithMediaType('x', 'music', 'more'), '好的');
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

test('a failing model call rejects with the function prefix and keeps the model', async () => {
  const model = createScriptedModel({ fail_generate: 'device lost: 设备断开' });
  try {
    await llm.loadModel(model.dir, 'CPU');
    assert.equal(await rejectionOf(() => llm.generate('打开计算器')), 'Generation failed: device lost: 设备断开');
    assert.equal(await rejectionOf(() => llm.generateWithMediaType('我想听晴天', 'music')),
      'Generation failed: device lost: 设备断开');
    assert.equal(await rejectionOf(() => llm.chat('你好')), 'Chat failed: device lost: 设备断开');
    assert.equal(llm.isModelLoaded(), true);
    // A media type that needs no model call succeeds on the same failing model.
    assert.equal(await llm.generateWithMediaType('我想听晴天', 'podcast'), '');
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

test('a result whose texts and scores disagree fails in the string conversion', async () => {
  const model = createScriptedModel({ default: '打开计算器', scores_mismatch: true });
  try {
    await llm.loadModel(model.dir, 'CPU');
    const reason = await rejectionOf(() => llm.generate('打开计算器'));
    assert.match(reason, /^Generation failed: .*The number of scores and texts doesn't match in DecodedResults\./s);
    assert.match(await rejectionOf(() => llm.chat('你好')), /^Chat failed: .*doesn't match/s);
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

test('a generation with no text resolves with the empty string', async () => {
  const model = createScriptedModel({ default: null });
  try {
    await llm.loadModel(model.dir, 'CPU');
    assert.equal(await llm.generate('打开计算器'), '');
    assert.equal(await llm.chat('你好'), '');
    assert.equal(model.generateEvents().length, 2);
  } finally {
    llm.unloadModel();
    model.remove();
  }
});
