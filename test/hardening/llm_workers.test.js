'use strict';
// llm_bridge loaded in several worker threads at once. The workers share the
// process's one model: loads, unloads and requests from all of them, in any
// mix, must neither crash nor interleave the two model calls of one generate
// request; the shared call log of the scripted models shows the order in which
// the model was really called. Once a worker has exited, releasing a model only
// forgets it. The teardown flag is process-wide, so this file runs in its own
// process (as every test file does).
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { once } = require('events');
const { Worker } = require('worker_threads');
const { llmBridge: llm, nativeDir } = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');
const { commandPrompt, musicPrompt } = require('../llm_bridge/prompts');

const LIB = path.resolve(__dirname, '..', '..', 'lib');
const WORKER = path.join(__dirname, 'workers', 'llm_worker.js');
// Resolved before any load can switch the working directory.
const NATIVE_DIR = nativeDir();
const MUSIC_COMMAND = '播放指定音乐指令';
const NOT_LOADED = 'Model is not loaded. Call loadModel() first.';

// Two models writing one call log: every first reply selects music, so every
// generate request makes a command call and then a music slot call.
function sharedLogModels() {
  const logDir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-workers-'));
  const log = path.join(logDir, 'calls.jsonl');
  const models = [createScriptedModel({ default: MUSIC_COMMAND, log }), createScriptedModel({ default: MUSIC_COMMAND, log })];
  return {
    dirs: models.map((m) => m.dir),
    events: () => models[0].readLog(),
    remove: () => {
      models.forEach((m) => m.remove());
      fs.rmSync(logDir, { recursive: true, force: true });
    },
  };
}

// The module folder goes to the workers as an absolute path: a load elsewhere in
// the process switches the working directory while a worker may be resolving it.
function startWorker(workerData) {
  return new Worker(WORKER, {
    workerData: { lib: LIB, ...workerData },
    env: { ...process.env, DESKPET_NATIVE_DIR: NATIVE_DIR },
  });
}

async function outcomesOf(worker) {
  // Both listeners first: a worker that ends while the parent is busy has its
  // last message and its exit delivered in one go.
  const exited = once(worker, 'exit');
  const [message] = await once(worker, 'message');
  await exited;
  assert.equal(message.error, undefined, message.error);
  return message.outcomes;
}

// Every command call of a generate request is followed at once by its slot
// call, and no slot call comes without its command call. Returns the user texts
// of the generate requests the model saw.
function checkRequestsAreWhole(events) {
  const calls = events.filter((e) => e.event === 'generate');
  const requests = [];
  for (let i = 0; i < events.length; i++) {
    const event = events[i];
    if (event.event !== 'generate') continue;
    const command = matchUser(event.prompt, commandPrompt);
    if (command !== null) {
      const next = events[i + 1];
      assert.ok(next && next.event === 'generate' && next.prompt === musicPrompt(command),
        `the command call for ${command} is followed by its slot call, not ${JSON.stringify(next)}`);
      requests.push(command);
      i++;
      continue;
    }
    assert.equal(matchUser(event.prompt, musicPrompt), null, 'a slot call without its command call');
  }
  assert.ok(calls.length >= requests.length * 2);
  return requests;
}

// The user text inside a prompt built by `build`, or null.
function matchUser(prompt, build) {
  const [head, tail] = build('\u0001').split('\u0001');
  if (!prompt.startsWith(head) || !prompt.endsWith(tail) || prompt.length < head.length + tail.length) return null;
  return prompt.slice(head.length, prompt.length - tail.length);
}

test('loads, unloads and requests from four workers at once stay whole and serialised', { timeout: 300000 }, async () => {
  const models = sharedLogModels();
  try {
    await llm.loadModel(models.dirs[0], 'CPU');
    const workers = [1, 2, 3, 4].map((id) => startWorker({ id, rounds: 60, modelDirs: models.dirs }));
    const outcomes = (await Promise.all(workers.map(outcomesOf))).flat();

    const expected = { generate: MUSIC_COMMAND, chat: MUSIC_COMMAND, media: MUSIC_COMMAND, load: true };
    for (const o of outcomes) {
      if (o.op === 'unload') assert.equal(o.value, undefined);
      else if (o.op === 'isModelLoaded') assert.equal(typeof o.value, 'boolean');
      else if ('reason' in o) assert.equal(o.reason, NOT_LOADED, `${o.op} rejected: ${o.reason}`);
      else assert.equal(o.value, expected[o.op], `${o.op} resolved with ${o.value}`);
    }
    const events = models.events();
    const requests = checkRequestsAreWhole(events);
    const resolved = outcomes.filter((o) => o.op === 'generate' && 'value' in o).map((o) => o.text);
    assert.deepEqual([...requests].sort(), [...resolved].sort(), 'one whole request per resolved generate');
    assert.ok(resolved.length > 0 && outcomes.some((o) => o.op === 'load'), 'the mix exercised requests and loads');
    const loads = events.filter((e) => e.event === 'load').length;
    const destroys = events.filter((e) => e.event === 'destroy').length;
    assert.ok(destroys <= loads, 'never more destroys than loads');

    // The workers have exited: from now on a released model is only forgotten.
    llm.unloadModel();
    await llm.loadModel(models.dirs[1], 'CPU');
    const before = models.events().filter((e) => e.event === 'destroy').length;
    llm.unloadModel();
    await llm.loadModel(models.dirs[0], 'CPU');
    llm.unloadModel();
    assert.equal(models.events().filter((e) => e.event === 'destroy').length, before, 'no destroy after a worker exit');
    assert.equal(llm.isModelLoaded(), false);
  } finally {
    llm.unloadModel();
    models.remove();
  }
});

test('workers terminated in the middle of their requests leave the model usable', { timeout: 300000 }, async () => {
  const models = sharedLogModels();
  let workers = [];
  try {
    await llm.loadModel(models.dirs[0], 'CPU');
    workers = [5, 6, 7].map((id) => startWorker({ id, endless: true, modelDirs: models.dirs }));
    await Promise.all(workers.map((w) => once(w, 'message')));
    const codes = await Promise.all(workers.map((w) => w.terminate()));
    assert.deepEqual(codes, [1, 1, 1]);

    checkRequestsAreWhole(models.events());
    await llm.loadModel(models.dirs[1], 'CPU');
    assert.equal(await llm.generate('after'), MUSIC_COMMAND);
    const events = models.events();
    assert.equal(events[events.length - 1].prompt, musicPrompt('after'));
    assert.equal(events[events.length - 2].prompt, commandPrompt('after'));
  } finally {
    // Endless workers must not outlive a failed test.
    await Promise.all(workers.map((w) => w.terminate()));
    llm.unloadModel();
    models.remove();
  }
});
