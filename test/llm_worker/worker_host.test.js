'use strict';
// createLlmWorker(): the same outcomes as the direct module, in call order;
// close(); a worker that dies; and the host's effect on the process's lifetime.
// The end of a worker thread is an environment teardown after which llm_bridge
// only forgets released models, so the test that checks a real destroy runs
// first, and this file runs in its own process (as every test file does).
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { once } = require('events');
const { spawnSync } = require('child_process');
const { llmBridge: llm, createLlmWorker } = require('../../lib');
const { workerThreadOf } = require('../../lib/llm_worker');
const { createScriptedModel, chatTemplated } = require('../support/scripted_model');
const { commandPrompt, musicPrompt, PERSONA_HEAD } = require('../llm_bridge/prompts');

const LIB = path.resolve(__dirname, '..', '..', 'lib');

async function settle(promise) {
  try {
    return { value: await promise };
  } catch (reason) {
    return { reason };
  }
}

test('close() waits for earlier calls, unloads the model, ends the worker, refuses later calls', { timeout: 120000 },
  async () => {
  const model = createScriptedModel({ default: '好的', delay_ms: 100 });
  const host = createLlmWorker();
  try {
    await host.loadModel(model.dir, 'CPU');
    const thread = workerThreadOf(host);
    const exited = once(thread, 'exit');
    const earlier = host.chat('x');
    const closing = host.close();
    assert.equal(host.close(), closing, 'close() is idempotent');
    assert.equal(await earlier, '好的');
    assert.equal(await closing, undefined);
    await exited;
    assert.equal(workerThreadOf(host), null);
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(model.destroyCount(), 1);
    const late = await settle(host.generate('x'));
    assert.equal(late.reason.code, 'ERR_LLM_WORKER_CLOSED');
    assert.match(late.reason.message, /generate\(\) was called after close\(\)/);
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

test('calls made at once settle in call order, as the direct module answers them one by one', { timeout: 120000 },
  async () => {
  const model = createScriptedModel({
    delay_ms: 20,
    rules: [
      { prompt: commandPrompt('我想听晴天'), reply: '播放指定音乐指令' },
      { prompt: musicPrompt('我想听晴天'), reply: '周杰伦，歌名为晴天' },
      { prompt: commandPrompt('坏'), fail: 'device lost: 设备断开' },
      { prompt: chatTemplated(PERSONA_HEAD + '你好'), reply: '你好呀！' },
      { prompt: chatTemplated(PERSONA_HEAD + '坏'), fail: 'device lost: 设备断开' },
    ],
    default: '抱歉',
  });
  const broken = createScriptedModel({ fail_load: '模型文件损坏' });
  const steps = [
    ['unloadModel', []],
    ['isModelLoaded', []],
    ['generate', ['打开计算器']],
    ['chat', [42]],
    ['loadModel', []],
    ['loadModel', ['/x']],
    ['loadModel', ['/x', 7]],
    ['loadModel', [broken.dir, 'CPU']],
    ['loadModel', [path.join(model.root, 'missing'), 'CPU']],
    ['isModelLoaded', []],
    ['loadModel', [model.dir, 'CPU', Symbol('not a cache directory')]],
    ['isModelLoaded', ['ignored']],
    ['generate', ['我想听晴天']],
    ['generate', ['坏']],
    ['generate', [() => '我想听晴天']],
    ['generate', [new String('我想听晴天')]],
    ['generate', [Symbol('我想听晴天')]],
    ['generate', [undefined, '我想听晴天']],
    ['generateWithMediaType', ['我想听晴天', 'music']],
    ['generateWithMediaType', ['我想听晴天', 'podcast']],
    ['generateWithMediaType', ['我想听晴天']],
    ['generateWithMediaType', ['我想听晴天', { type: 'music' }]],
    ['chat', ['你好']],
    ['chat', ['坏']],
    ['chat', [null]],
    ['chat', ['你好', () => {}, Symbol('extra')]],
    ['unloadModel', ['ignored']],
    ['chat', ['你好']],
    ['isModelLoaded', []],
  ];
  const host = createLlmWorker();
  try {
    const direct = [];
    for (const [name, args] of steps) direct.push(await settle(llm[name](...args)));
    const directCalls = model.readLog();
    model.clearLog();

    const settledOrder = [];
    const calls = steps.map(([name, args], i) => {
      const call = host[name](...args);
      call.then(() => settledOrder.push(i), () => settledOrder.push(i));
      return call;
    });
    const hosted = await Promise.all(calls.map(settle));

    assert.deepEqual(hosted, direct);
    assert.deepEqual(settledOrder, steps.map((_, i) => i));
    assert.deepEqual(model.readLog(), directCalls, 'the model saw the same calls in the same order');
    // The table reaches every kind of outcome.
    const reasons = new Set(direct.filter((o) => 'reason' in o).map((o) => o.reason.split(':')[0]));
    assert.deepEqual([...reasons].sort(), [
      'Chat failed', 'Failed to load model', 'Generation failed', 'Model is not loaded. Call loadModel() first.',
      'chat(userPrompt) requires a string argument', 'generate(userPrompt) requires a string argument',
      'generateWithMediaType(userPrompt, mediaType) requires two string arguments',
      'loadModel(modelPath, device [, cacheDir]) requires at least two string arguments',
    ]);
  } finally {
    await host.close();
    model.remove();
    broken.remove();
  }
});

test('a dying worker rejects its pending calls; the next call gets a new worker, model kept', { timeout: 120000 },
  async () => {
  const model = createScriptedModel({ default: '还在', delay_ms: 300 });
  const host = createLlmWorker();
  try {
    await host.loadModel(model.dir, 'CPU');
    const first = workerThreadOf(host);
    const pending = [host.chat('a'), host.generate('b'), host.isModelLoaded()].map(settle);
    await first.terminate();
    for (const [i, name] of ['chat', 'generate', 'isModelLoaded'].entries()) {
      const { reason } = await pending[i];
      assert.equal(reason && reason.code, 'ERR_LLM_WORKER_EXITED', name);
      assert.match(reason.message, new RegExp(`ended \\(exit code 1\\) before ${name}\\(\\) was answered`));
    }

    // The model belongs to the process, not to the worker that loaded it.
    assert.equal(await host.isModelLoaded(), true);
    assert.notEqual(workerThreadOf(host), first);
    assert.equal(await host.chat('again'), '还在');
    // Since a worker has ended, a released model is only forgotten, never destroyed.
    await host.close();
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(model.destroyCount(), 0);
  } finally {
    await host.close();
    model.remove();
  }
});

test('the host keeps the process alive while a request is pending, and not once it is idle', () => {
  const model = createScriptedModel({ default: '晚安', delay_ms: 300 });
  try {
    const script = `
      const llm = require(${JSON.stringify(LIB)}).createLlmWorker();
      llm.loadModel(${JSON.stringify(model.dir)}, 'CPU').then(() => llm.chat('x')).then(console.log);`;
    const run = spawnSync(process.execPath, ['-e', script], { encoding: 'utf8', timeout: 60000 });
    assert.equal(run.status, 0, `status ${run.status}, signal ${run.signal}: ${run.stderr}`);
    assert.equal(run.stdout, '晚安\n');
  } finally {
    model.remove();
  }
});

test('the worker loads the module from DESKPET_NATIVE_DIR as the host thread resolved it', () => {
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-host-dir-')));
  try {
    const script = `
      const llm = require(${JSON.stringify(LIB)}).createLlmWorker();
      process.chdir(${JSON.stringify(os.tmpdir())});
      llm.isModelLoaded().then(() => console.log('loaded'), (error) => console.log(error.message));`;
    const env = { ...process.env, DESKPET_NATIVE_DIR: 'elsewhere' };
    const run = spawnSync(process.execPath, ['-e', script], { env, cwd: root, encoding: 'utf8', timeout: 60000 });
    assert.equal(run.status, 0, run.stderr);
    assert.ok(run.stdout.includes(`${path.join(root, 'elsewhere', 'Release', 'llm_bridge.node')} does not exist`),
      run.stdout);
  } finally {
    fs.rmSync(root, { recursive: true, force: true });
  }
});
