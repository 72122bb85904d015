'use strict';
// Calls every function of both modules, on both engines, many times over, on
// their success and their failure paths. Run by scripts/leak-check.sh under
// LeakSanitizer with two round counts: what the modules and engines leak must
// not grow with the number of calls.
//
//   node test/hardening/leaks/leak_driver.js <part> <rounds>
//
// Parts: "reference" (intent_bridge on the reference engine), "scripted"
// (intent_bridge on the scripted engine) and "llm" (llm_bridge). Each part runs
// in a process of its own: both intent_bridge copies link a library named
// libnorvik.so, and a process binds the second copy to the one loaded first.
//
// At the end a worker thread loads llm_bridge and exits, and the pipeline that
// is loaded then is released: from then on a release only forgets the pipeline
// (the module's one deliberate non-release, suppressed by name in lsan.supp).
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { once } = require('events');
const { Worker } = require('worker_threads');
const lib = require('../../../lib');
const { makeScript } = require('../../support/scripted_engine');
const { createScriptedModel } = require('../../support/scripted_model');

const part = process.argv[2];
const rounds = Number(process.argv[3] || 1000);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-leaks-'));

const USER_CORPUS = JSON.stringify([
  { id: 95001, name: '打开画图', examples: ['打开画图', '我要画画'], keywords: ['画图'],
    patterns: ['用画图打开{file}'], action: { type: 'open_app', app: 'paint' } },
  { id: 95002, name: '给乌龟喂食', examples: ['喂乌龟'] },
]);
const QUERIES = ['打开记事本', '把音量调到50', '用画图打开我的照片', '你觉得今天天气怎么样？', '\u0000', 'x'.repeat(300)];

function throwsError(fn) {
  assert.throws(fn, (err) => err instanceof Error);
}

function referenceEngineRounds() {
  const bridge = lib.intentBridge;
  const corpusFile = path.join(work, 'corpus.json');
  fs.writeFileSync(corpusFile, USER_CORPUS);
  const missing = path.join(work, 'missing.json');
  assert.equal(bridge.init(), true);
  for (let i = 0; i < rounds; i++) {
    const q = QUERIES[i % QUERIES.length];
    bridge.route(q);
    bridge.querySimilarity(q, (i % 7) - 1);
    bridge.semanticScore(q);
    bridge.updateConfig({ localThreshold: 0.3 + (i % 5) / 10, verbose: i % 2 === 0, weights: { semantic: 0.5 } });
    bridge.getConfig();
    bridge.addCorpus(USER_CORPUS);
    bridge.addCorpusFromFile(corpusFile);
    bridge.getCommandCount();
    bridge.clearUserCorpus();
    bridge.version();
    // Failure paths: argument errors and engine errors.
    throwsError(() => bridge.route(i));
    throwsError(() => bridge.addCorpus('[{"id":1,'));
    throwsError(() => bridge.addCorpusFromFile(missing));
    throwsError(() => bridge.initFromFile(work));
    throwsError(() => bridge.updateConfig({ localThreshold: 7 }));
    if (i % 50 === 0) {
      // Stopping and starting rebuilds the whole engine state.
      bridge.destroy();
      throwsError(() => bridge.route(q));
      assert.equal(bridge.init(), true);
    }
  }
  bridge.destroy();
}

function scriptedEngineRounds() {
  const bridge = lib.scriptedIntentBridge;
  const long = JSON.stringify({ target: 'llm', reasoning: 'r'.repeat(9000), scores: { a: 1 },
    matchedCommand: { id: 1, similarity: 0.5, name: 'n' }, patternAction: { k: 'v' } });
  const script = makeScript({
    // The first route grows its buffer once; later ones read a reply that lies about its length.
    Norvik_Route: [{ json: long }, { json: '{"target":"x","scores":{"a":', outLength: 100000 }],
    Norvik_QuerySimilarity: [{ json: '{"matches":[{"id":1,"similarity":0.5},7,"s",{"id":2' }],
    Norvik_GetConfig: [{ json: '{"localThreshold":0.5,"verbose":true,"weights":{"semantic":0.1}}' }],
    Norvik_SemanticScore: [{ score: 0.5, raw: 2, cmdId: 3 }],
    Norvik_AddCorpus: [{ count: 4 }, { code: -3 }],
    Norvik_GetCommandCount: [{ code: 12 }, { code: -2 }],
    Norvik_Version: [{ version: null }],
  });
  try {
    for (let i = 0; i < rounds; i++) {
      // Reloading restarts every queue and reads the script again.
      assert.equal(bridge.initFromFile(script.path), true);
      bridge.route('q');
      bridge.route('q');
      bridge.querySimilarity('q');
      bridge.semanticScore('q');
      bridge.getConfig();
      bridge.updateConfig({ verbose: true });
      bridge.addCorpus('[]');
      throwsError(() => bridge.addCorpus('[]'));
      bridge.addCorpusFromFile('f');
      bridge.getCommandCount();
      throwsError(() => bridge.getCommandCount());
      bridge.clearUserCorpus();
      bridge.version();
      bridge.init();
      bridge.destroy();
      throwsError(() => bridge.querySimilarity(1));
    }
  } finally {
    script.remove();
  }
}

async function llmRounds() {
  const llm = lib.llmBridge;
  const user = '播放周杰伦的晴天';
  const model = createScriptedModel({ default: '播放指定音乐指令' });
  const failing = createScriptedModel({ fail_generate: 'boom' });
  const missing = path.join(work, 'no-model');
  try {
    for (let i = 0; i < rounds; i++) {
      assert.equal(await llm.loadModel(model.dir, i % 2 ? 'NPU' : 'CPU', path.join(work, 'cache')), true);
      await llm.generate(user);
      await llm.generateWithMediaType(user, i % 2 ? 'music' : 'video');
      await llm.chat(user);
      llm.isModelLoaded();
      await assert.rejects(llm.loadModel(missing, 'CPU'));
      await assert.rejects(llm.generate(user));
      await assert.rejects(llm.generate(42));
      await llm.loadModel(failing.dir, 'CPU');
      await assert.rejects(llm.chat(user));
      llm.unloadModel();
      llm.unloadModel();
    }
    model.clearLog();
    failing.clearLog();
  } finally {
    llm.unloadModel();
  }
  return { model, failing };
}

// A worker loads the module and exits; the pipeline loaded afterwards is then
// released, which only forgets it.
async function releaseAfterTeardown(model) {
  const llm = lib.llmBridge;
  const worker = new Worker(`require(${JSON.stringify(require.resolve('../../../lib'))}).llmBridge.isModelLoaded();`,
    { eval: true, env: { ...process.env, DESKPET_NATIVE_DIR: lib.nativeDir() } });
  await once(worker, 'exit');
  await llm.loadModel(model.dir, 'CPU');
  llm.unloadModel();
  assert.equal(model.destroyCount(), 0, 'the release after a worker exit only forgets the pipeline');
}

async function main() {
  if (part === 'reference') {
    referenceEngineRounds();
  } else if (part === 'scripted') {
    scriptedEngineRounds();
  } else if (part === 'llm') {
    const { model, failing } = await llmRounds();
    await releaseAfterTeardown(model);
    model.remove();
    failing.remove();
  } else {
    throw new Error(`unknown part ${part}: use reference, scripted or llm`);
  }
  fs.rmSync(work, { recursive: true, force: true });
  console.log(`leak driver: ${part}, ${rounds} rounds done`);
}

main().catch((err) => {
  console.error(err);
  process.exitCode = 1;
});
