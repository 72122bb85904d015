'use strict';
// Loading and releasing the one model: the result of loadModel, device and cache
// rules, path handling, the working directory around construction, and how often
// a pipeline is destroyed.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');

const DEVICES = ['CPU', 'GPU', 'NPU', 'npu', 'nPu', 'NPU.0', ' npu', 'npu ', 'xnpu'];

function scratchDir() {
  return fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-cwd-')));
}

// Runs `body` with the process's working directory set to `dir`.
async function inDirectory(dir, body) {
  const before = process.cwd();
  process.chdir(dir);
  try {
    return await body();
  } finally {
    process.chdir(before);
  }
}

async function lastLoadOf(model, ...args) {
  assert.equal(await llm.loadModel(...args), true);
  const loads = model.loadEvents();
  return loads[loads.length - 1];
}

test.afterEach(() => llm.unloadModel());

test('a load resolves with true and builds the pipeline from inside the model directory', async () => {
  const model = createScriptedModel();
  try {
    const cwd = process.cwd();
    const result = await llm.loadModel(model.dir, 'CPU');
    assert.strictEqual(result, true);
    const [load] = model.loadEvents();
    assert.equal(path.resolve(load.models_path), model.dir);
    assert.equal(path.resolve(load.cwd), model.dir);
    assert.equal(load.device, 'CPU');
    assert.deepEqual(load.properties, {});
    assert.equal(process.cwd(), cwd, 'working directory restored after success');
  } finally {
    model.remove();
  }
});

test('a failed load after a good one leaves no model and destroyed the old one', async () => {
  const good = createScriptedModel();
  const bad = createScriptedModel({ fail_load: '模型文件损坏 (corrupt weights)' });
  try {
    await llm.loadModel(good.dir, 'CPU');
    assert.equal(llm.isModelLoaded(), true);
    const cwd = process.cwd();
    await assert.rejects(llm.loadModel(bad.dir, 'CPU'), (reason) => {
      assert.equal(reason, 'Failed to load model: 模型文件损坏 (corrupt weights)');
      return true;
    });
    assert.equal(llm.isModelLoaded(), false);
    assert.equal(good.destroyCount(), 1);
    assert.equal(path.resolve(bad.loadEvents()[0].cwd), bad.dir, 'construction ran in the model directory');
    assert.equal(process.cwd(), cwd, 'working directory restored after failure');
  } finally {
    good.remove();
    bad.remove();
  }
});

test('loads that the library refuses reject with its text', async () => {
  const model = createScriptedModel({ devices: ['CPU'] });
  const empty = scratchDir();
  try {
    const device = await llm.loadModel(model.dir, 'GPU').catch((reason) => reason);
    assert.match(device, /^Failed to load model: .*GPU/);
    const missing = await llm.loadModel(empty, 'CPU').catch((reason) => reason);
    assert.match(missing, /^Failed to load model: .+/);
    const nothing = await llm.loadModel('', 'CPU').catch((reason) => reason);
    assert.match(nothing, /^Failed to load model: .+/);
    assert.equal(llm.isModelLoaded(), false);
  } finally {
    model.remove();
    fs.rmSync(empty, { recursive: true, force: true });
  }
});

test('the NPU map is chosen by the case-insensitive name; the name reaches the library as written', async () => {
  const model = createScriptedModel({ devices: DEVICES });
  try {
    for (const device of ['NPU', 'npu', 'nPu']) {
      const load = await lastLoadOf(model, model.dir, device, '/var/cache/npu');
      assert.equal(load.device, device);
      assert.deepEqual(load.properties, {
        CACHE_DIR: { type: 'string', value: path.resolve('/var/cache/npu') },
        NPUW_DEVICES: { type: 'string', value: 'NPU' },
      });
    }
    for (const device of ['NPU.0', ' npu', 'npu ', 'xnpu', 'CPU', 'GPU']) {
      const load = await lastLoadOf(model, model.dir, device, '/var/cache/npu');
      assert.equal(load.device, device);
      assert.deepEqual(load.properties, {}, `no properties for ${JSON.stringify(device)}`);
    }
  } finally {
    model.remove();
  }
});

test('the NPU cache directory defaults to vlm_cache under the working directory of the call', async () => {
  const model = createScriptedModel();
  const work = scratchDir();
  try {
    await inDirectory(work, async () => {
      for (const third of [[], [42], [null], [undefined], ['']]) {
        const load = await lastLoadOf(model, model.dir, 'NPU', ...third);
        assert.equal(load.properties.CACHE_DIR.value, path.join(work, 'vlm_cache'), `third argument ${third}`);
      }
    });
  } finally {
    model.remove();
    fs.rmSync(work, { recursive: true, force: true });
  }
});

test('a cache directory argument is made absolute against the working directory and normalised', async () => {
  const model = createScriptedModel();
  const work = scratchDir();
  try {
    await inDirectory(work, async () => {
      let load = await lastLoadOf(model, model.dir, 'NPU', path.join('cache', '..', 'blobs', '.', 'npu'));
      assert.equal(load.properties.CACHE_DIR.value, path.join(work, 'blobs', 'npu'));
      load = await lastLoadOf(model, model.dir, 'NPU', `${work}${path.sep}a${path.sep}${path.sep}..${path.sep}b`);
      assert.equal(load.properties.CACHE_DIR.value, path.join(work, 'b'));
    });
  } finally {
    model.remove();
    fs.rmSync(work, { recursive: true, force: true });
  }
});

test('relative model paths are resolved against the working directory and normalised', async () => {
  const model = createScriptedModel();
  try {
    await inDirectory(model.root, async () => {
      let load = await lastLoadOf(model, 'model', 'CPU');
      assert.equal(path.resolve(load.models_path), model.dir);
      load = await lastLoadOf(model, path.join('.', 'other', '..', 'model', '.'), 'CPU');
      assert.equal(path.resolve(load.models_path), model.dir);
      assert.equal(load.models_path.includes('..'), false);
      assert.equal(path.resolve(load.cwd), model.dir);
      assert.equal(process.cwd(), model.root);
    });
  } finally {
    model.remove();
  }
});

test('file paths and missing paths fail to load and leave the working directory as it was', async () => {
  const model = createScriptedModel();
  try {
    const cwd = process.cwd();
    for (const target of [
      path.join(model.dir, 'scripted_model.json'),
      path.join(model.dir, 'missing'),
      path.join(model.dir, 'missing', 'deeper'),
    ]) {
      const reason = await llm.loadModel(target, 'CPU').catch((r) => r);
      assert.match(reason, /^Failed to load model: /);
      assert.equal(process.cwd(), cwd);
      assert.equal(llm.isModelLoaded(), false);
    }
  } finally {
    model.remove();
  }
});

test('each pipeline is destroyed exactly once: by unloadModel or by the next load', async () => {
  const first = createScriptedModel();
  const second = createScriptedModel();
  try {
    await llm.loadModel(first.dir, 'CPU');
    await llm.loadModel(second.dir, 'CPU');
    assert.equal(first.destroyCount(), 1, 'replaced by the next load');
    assert.equal(second.destroyCount(), 0);
    llm.unloadModel();
    llm.unloadModel();
    assert.equal(second.destroyCount(), 1);
    assert.equal(first.destroyCount(), 1);
  } finally {
    first.remove();
    second.remove();
  }
});
