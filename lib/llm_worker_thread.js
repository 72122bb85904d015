'use strict';
// The worker thread behind createLlmWorker() (llm_worker.js): it loads
// llm_bridge.node through lib/index.js, exactly as the host thread would, and
// runs the requests it is sent one after another, in the order they came.
//
// Request:  { id, name, args }   name is one of the six functions of llm_bridge
// Answer:   { id, ok: true, value } or { id, ok: false, reason }
//
// The module settles its Promise before returning, so each request has finished
// when the next one starts; the chain below also keeps the answers in order.
const { parentPort } = require('worker_threads');

let bridge = null;

function llmBridge() {
  // DESKPET_NATIVE_DIR, when the host thread had one, comes in this thread's
  // environment already resolved to an absolute path.
  if (bridge === null) bridge = require('./index').llmBridge;
  return bridge;
}

function answer(message) {
  try {
    parentPort.postMessage(message);
  } catch {
    // A reason that cannot be cloned (never one of the module's strings).
    parentPort.postMessage({ id: message.id, ok: false, reason: String(message.reason) });
  }
}

async function run({ id, name, args }) {
  try {
    const value = await llmBridge()[name](...args);
    answer({ id, ok: true, value });
  } catch (reason) {
    answer({ id, ok: false, reason });
  }
}

let queue = Promise.resolve();
parentPort.on('message', (request) => {
  queue = queue.then(() => run(request));
});
