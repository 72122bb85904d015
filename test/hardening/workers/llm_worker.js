'use strict';
// A worker thread that drives llm_bridge: a fixed, seeded sequence of loads,
// unloads and requests. It reports every outcome to the parent, which checks
// them and the model's call log.
const { parentPort, workerData } = require('worker_threads');
const { llmBridge } = require(workerData.lib);

// Small deterministic generator, so a failing sequence can be replayed.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
}

async function settle(promise) {
  try {
    return { value: await promise };
  } catch (reason) {
    return { reason };
  }
}

async function run() {
  const { id, rounds, modelDirs, endless } = workerData;
  const next = random(id * 7919 + 1);
  const outcomes = [];
  for (let n = 0; endless || n < rounds; n++) {
    const pick = next();
    const text = `w${id}-${n}`;
    let outcome;
    if (pick < 0.45) outcome = { op: 'generate', text, ...(await settle(llmBridge.generate(text))) };
    else if (pick < 0.6) outcome = { op: 'chat', text, ...(await settle(llmBridge.chat(text))) };
    else if (pick < 0.72) outcome = { op: 'media', text, ...(await settle(llmBridge.generateWithMediaType(text, 'video'))) };
    else if (pick < 0.84) {
      const dir = modelDirs[Math.floor(next() * modelDirs.length)];
      outcome = { op: 'load', ...(await settle(llmBridge.loadModel(dir, 'CPU'))) };
    } else if (pick < 0.92) outcome = { op: 'unload', value: llmBridge.unloadModel() };
    else outcome = { op: 'isModelLoaded', value: llmBridge.isModelLoaded() };
    if (!endless) outcomes.push(outcome);
    else if (n === 0) parentPort.postMessage({ started: true });
  }
  parentPort.postMessage({ outcomes });
}

run().catch((err) => parentPort.postMessage({ error: String(err && err.stack || err) }));
