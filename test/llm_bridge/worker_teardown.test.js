'use strict';
// Once the host has torn down an environment that loaded the module (here: a
// worker thread that exited), released pipelines are only forgotten, never
// destroyed. The flag is process-wide and never cleared, so this file runs alone
// in its own process.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { once } = require('events');
const { Worker } = require('worker_threads');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');

const WORKER_SOURCE = `
  const { parentPort, workerData } = require('worker_threads');
  const { llmBridge } = require(workerData.lib);
  llmBridge.loadModel(workerData.dir, 'CPU').then(
    (loaded) => parentPort.postMessage({ loaded, exports: Object.keys(llmBridge) }),
    (reason) => parentPort.postMessage({ reason }));
`;

test('a pipeline is only forgotten once a worker that loaded the module has exited', async () => {
  const control = createScriptedModel();
  const shared = createScriptedModel();
  const later = createScriptedModel();
  try {
    // Before any teardown, releasing destroys.
    await llm.loadModel(control.dir, 'CPU');
    llm.unloadModel();
    assert.equal(control.destroyCount(), 1);

    const worker = new Worker(WORKER_SOURCE, {
      eval: true,
      workerData: { lib: path.resolve(__dirname, '..', '..', 'lib'), dir: shared.dir },
    });
    // Listen for the exit before awaiting the message: a worker that ends while
    // this thread is busy has both delivered in one go.
    const exited = once(worker, 'exit');
    const [message] = await once(worker, 'message');
    assert.deepEqual(message, {
      loaded: true,
      exports: ['loadModel', 'generate', 'generateWithMediaType', 'chat', 'isModelLoaded', 'unloadModel'],
    });
    await exited;

    // The model loaded by the worker belongs to the process and is still there.
    assert.equal(llm.isModelLoaded(), true);
    assert.equal(await llm.generateWithMediaType('x', 'other'), '');

    // A new load forgets it without destroying it ...
    await llm.loadModel(later.dir, 'CPU');
    assert.equal(shared.destroyCount(), 0);
    // ... and so does unloadModel.
    llm.unloadModel();
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(later.destroyCount(), 0);
    assert.equal(shared.destroyCount(), 0);
  } finally {
    llm.unloadModel();
    control.remove();
    shared.remove();
    later.remove();
  }
});
