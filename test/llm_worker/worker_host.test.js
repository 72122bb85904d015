'use strict';
// createLlmWorker(): the caller's event loop during a generation, the same
// outcomes as the direct module in call order, close(), a dying worker, and the
// process's lifetime. The end of a worker thread is an environment teardown,
// after which llm_bridge only forgets released models: the test that sees a real
// destroy runs first, and this file runs in its own process (as every file does).
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { once } = require('events');
const { spawnSync } = require('child_process');
const { monitorEventLoopDelay, performance } = require('perf_hooks');
const { setTimeout: sleep } = require('timers/promises');
const { llmBridge: llm, createLlmWorker, nativeDir } = require('../../lib');
const { workerThreadOf } = require('../../lib/llm_worker');
const { createScriptedModel, chatTemplated } = require('../support/scripted_model');
const { commandPrompt, musicPrompt, PERSONA_HEAD } = require('../llm_bridge/prompts');

const LIB = path.resolve(__dirname, '..', '..', 'lib');
const TIMEOUT = { timeout: 120000 };

const settle = (result) => Promise.resolve(result).then((value) => ({ value }), (reason) => ({ reason }));

test('close() waits for earlier calls, unloads the model, ends the worker, refuses later calls', TIMEOUT, async () => {
  const model = createScriptedModel({ default: '好的', delay_ms: 100 });
  const host = createLlmWorker();
  try {
    await host.loadModel(model.dir, 'CPU');
    const exited = once(workerThreadOf(host), 'exit');
    const earlier = host.chat('x');
    const closing = host.close();
    assert.equal(host.close(), closing);
    assert.deepEqual([await earlier, await closing], ['好的', undefined]);
    await exited;
    assert.equal(workerThreadOf(host), null);
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(model.destroyCount(), 1);
    const { reason } = await settle(host.generate('x'));
    assert.equal(reason.code, 'ERR_LLM_WORKER_CLOSED');
    assert.match(reason.message, /generate\(\) was called after close\(\)/);
  } finally {
    llm.unloadModel();
    model.remove();
  }
});

// Samples of a 5 ms timer while `generate` runs (each the interval between two
// runs, so an idle loop records about 5 ms), and whether a setImmediate queued
// just before the call ran before its Promise settled.
async function loopDuring(generate) {
  const histogram = monitorEventLoopDelay({ resolution: 5 });
  histogram.enable();
  await sleep(50);
  let turned = false;
  setImmediate(() => (turned = true));
  const start = performance.now();
  const figures = { reply: await generate(), turned, elapsed: Math.round(performance.now() - start) };
  await sleep(50); // the sample that spans the end of the call is taken now
  histogram.disable();
  const ms = (ns) => Math.round(ns / 1e4) / 100;
  return { ...figures, p50: ms(histogram.percentile(50)), p99: ms(histogram.percentile(99)), max: ms(histogram.max) };
}

test('a one-second generation blocks the loop when called directly, not through the worker', TIMEOUT, async (t) => {
  const reply = '豆豆正在认真地想一想你刚才说的话呢～';
  const model = createScriptedModel({ default: reply, delay_ms: 200, delay_ms_per_code_point: 800 / [...reply].length });
  const host = createLlmWorker();
  try {
    await llm.loadModel(model.dir, 'CPU');
    const direct = await loopDuring(() => llm.chat('x'));
    const hosted = await loopDuring(() => host.chat('x')); // the process's model, loaded above
    t.diagnostic(`direct: ${JSON.stringify(direct)}`);
    t.diagnostic(`worker: ${JSON.stringify(hosted)}`);
    assert.deepEqual([direct.reply, hosted.reply], [reply, reply]);
    assert.ok(Math.min(direct.elapsed, hosted.elapsed) >= 900, 'both generations took about a second');
    assert.equal(direct.turned, false);
    assert.ok(direct.max >= 900, `the direct call stalled the loop for ${direct.max} ms`);
    assert.equal(hosted.turned, true);
    assert.ok(hosted.p99 < 250, `p99 ${hosted.p99} ms through the worker`);
  } finally {
    await host.close();
    model.remove();
  }
});

test('calls made at once settle in call order, as the direct module answers them one by one', TIMEOUT, async () => {
  const model = createScriptedModel({
    delay_ms: 20,
    default: '抱歉',
    rules: [
      { prompt: commandPrompt('我想听晴天'), reply: '播放指定音乐指令' },
      { prompt: musicPrompt('我想听晴天'), reply: '周杰伦，歌名为晴天' },
      { prompt: commandPrompt('坏'), fail: 'device lost: 设备断开' },
      { prompt: chatTemplated(PERSONA_HEAD + '坏'), fail: 'device lost: 设备断开' },
    ],
  });
  const broken = createScriptedModel({ fail_load: '模型文件损坏' });
  // Every outcome class of the six functions; functions and symbols cannot be
  // cloned to a worker, yet must get the module's own usage text.
  const steps = [
    ['unloadModel', []], ['isModelLoaded', []], ['generate', ['打开计算器']], ['chat', [42]],
    ['loadModel', []], ['loadModel', ['/x', 7]], ['loadModel', [broken.dir, 'CPU']], ['isModelLoaded', []],
    ['loadModel', [model.dir, 'CPU', Symbol('not a cache directory')]], ['isModelLoaded', ['ignored']],
    ['generate', ['我想听晴天']], ['generate', ['坏']], ['generate', [() => 'x']], ['generate', [new String('x')]],
    ['generate', [Symbol('x')]], ['generateWithMediaType', ['我想听晴天', 'music']],
    ['generateWithMediaType', ['我想听晴天', { type: 'music' }]], ['chat', ['你好', () => {}]], ['chat', ['坏']],
    ['chat', [null]], ['unloadModel', ['ignored']], ['chat', ['你好']],
  ];
  const host = createLlmWorker();
  try {
    const direct = [];
    for (const [name, args] of steps) direct.push(await settle(llm[name](...args)));
    const directCalls = model.readLog();
    model.clearLog();

    const order = [];
    const calls = steps.map(([name, args], i) => host[name](...args).finally(() => order.push(i)));
    assert.deepEqual(await Promise.all(calls.map(settle)), direct);
    assert.deepEqual(order, [...steps.keys()]);
    assert.deepEqual(model.readLog(), directCalls, 'the model saw the same calls in the same order');
    assert.equal(direct.filter((o) => typeof o.reason === 'string').length, 13);
  } finally {
    await host.close();
    model.remove();
    broken.remove();
  }
});

test('a dying worker rejects its pending calls; the next call gets a new worker, model kept', TIMEOUT, async () => {
  const model = createScriptedModel({ default: '还在', delay_ms: 300 });
  const host = createLlmWorker();
  try {
    await host.loadModel(model.dir, 'CPU');
    const first = workerThreadOf(host);
    const names = ['chat', 'generate', 'isModelLoaded'];
    const pending = names.map((name) => settle(host[name]('x')));
    await first.terminate();
    for (const [i, name] of names.entries()) {
      const { reason } = await pending[i];
      assert.equal(reason && reason.code, 'ERR_LLM_WORKER_EXITED', name);
      assert.match(reason.message, new RegExp(`ended \\(exit code 1\\) before ${name}\\(\\) was answered`));
    }
    // The model belongs to the process, not to the worker that loaded it ...
    assert.equal(await host.isModelLoaded(), true);
    assert.notEqual(workerThreadOf(host), first);
    assert.equal(await host.chat('again'), '还在');
    // ... and since a worker has ended, releasing it only forgets it.
    await host.close();
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(model.destroyCount(), 0);
  } finally {
    model.remove();
  }
});

test('a pending request keeps the process alive, an idle host does not; the module folder is kept', () => {
  const model = createScriptedModel({ default: '晚安', delay_ms: 300 });
  try {
    // A relative DESKPET_NATIVE_DIR, and a working directory changed before the
    // worker starts: the worker must load the build this thread resolved.
    const script = `
      const llm = require(${JSON.stringify(LIB)}).createLlmWorker();
      process.chdir(${JSON.stringify(model.dir)});
      llm.loadModel('.', 'CPU').then(() => llm.chat('x')).then(console.log, console.log);`;
    const env = { ...process.env, DESKPET_NATIVE_DIR: path.relative(model.root, nativeDir()) };
    const run = spawnSync(process.execPath, ['-e', script], { env, cwd: model.root, encoding: 'utf8', timeout: 60000 });
    assert.equal(run.status, 0, `status ${run.status}, signal ${run.signal}: ${run.stderr}`);
    assert.equal(run.stdout, '晚安\n');
  } finally {
    model.remove();
  }
});
