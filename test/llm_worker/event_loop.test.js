'use strict';
// While a generation of about a second runs, the direct module blocks the
// calling thread's event loop for all of it, and the worker host leaves it free.
// Measured with perf_hooks.monitorEventLoopDelay (a 5 ms timer; each sample is
// the interval between two of its runs, so an idle loop records about 5 ms);
// the figures are printed as diagnostics and asserted only generously.
const test = require('node:test');
const assert = require('node:assert/strict');
const { monitorEventLoopDelay, performance } = require('perf_hooks');
const { setTimeout: sleep } = require('timers/promises');
const { llmBridge: llm, createLlmWorker } = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');

const REPLY = '豆豆正在认真地想一想你刚才说的话呢～';
const SLOW = { delay_ms: 200, delay_ms_per_code_point: 800 / [...REPLY].length };
const GENERATION_MS = 1000;
const RESOLUTION_MS = 5;

// Runs one generation under the monitor. `settled` tells whether a setImmediate
// callback queued just before the call had run by the time its Promise settled.
async function measure(generate) {
  const histogram = monitorEventLoopDelay({ resolution: RESOLUTION_MS });
  histogram.enable();
  await sleep(50);
  let immediateRan = false;
  setImmediate(() => {
    immediateRan = true;
  });
  const start = performance.now();
  const pending = generate();
  const ranBeforeReturn = immediateRan;
  const reply = await pending;
  const elapsed = performance.now() - start;
  const ranBeforeSettle = immediateRan;
  await sleep(50); // the sample that covers the end of the call is taken now
  histogram.disable();
  const ms = (ns) => Math.round(ns / 1e4) / 100;
  return {
    reply,
    elapsed: Math.round(elapsed),
    ranBeforeReturn,
    ranBeforeSettle,
    p50: ms(histogram.percentile(50)),
    p99: ms(histogram.percentile(99)),
    max: ms(histogram.max),
    samples: histogram.count,
  };
}

test('a one-second generation blocks the loop when called directly and not through the worker', { timeout: 120000 },
  async (t) => {
  const model = createScriptedModel({ default: REPLY, ...SLOW });
  const host = createLlmWorker();
  try {
    await llm.loadModel(model.dir, 'CPU');
    const direct = await measure(() => llm.chat('你在想什么？'));
    t.diagnostic(`direct: ${JSON.stringify(direct)}`);
    await host.loadModel(model.dir, 'CPU');
    const hosted = await measure(() => host.chat('你在想什么？'));
    t.diagnostic(`worker: ${JSON.stringify(hosted)}`);

    assert.equal(direct.reply, REPLY);
    assert.equal(hosted.reply, REPLY);
    // Both generations really took about a second.
    for (const run of [direct, hosted]) assert.ok(run.elapsed >= GENERATION_MS * 0.9, `took ${run.elapsed} ms`);

    // Direct: the call returns only after the generation, and nothing else ran.
    assert.equal(direct.ranBeforeReturn, false);
    assert.equal(direct.ranBeforeSettle, false);
    assert.ok(direct.max >= GENERATION_MS * 0.9, `the loop stalled for ${direct.max} ms`);

    // Worker: the loop kept turning throughout.
    assert.equal(hosted.ranBeforeSettle, true);
    assert.ok(hosted.p99 < GENERATION_MS / 4, `p99 ${hosted.p99} ms`);
    assert.ok(hosted.samples >= (GENERATION_MS / RESOLUTION_MS) / 4, `${hosted.samples} samples`);
  } finally {
    await host.close();
    llm.unloadModel();
    model.remove();
  }
});
