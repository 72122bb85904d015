'use strict';
// loadModel makes the model path absolute with the platform's own rule and then
// normalises it lexically. The rules differ, and this pins the exact text the model
// library receives on each platform:
//  - Windows resolves a relative path with GetFullPathNameW, which also resolves "."
//    and ".." and drops a trailing "\."; POSIX prepends the working directory, and
//    lexical normalisation then leaves a trailing separator for a trailing ".";
//  - Windows turns "/" into "\" and resolves a path rooted without a drive letter
//    against the drive of the working directory.
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');

const lib = require('../../lib');
const { createScriptedModel } = require('../support/scripted_model');

const windows = process.platform === 'win32';

// Loads `modelPath` with the working directory at the model's temporary root, and
// returns the stand-in's load record (models_path, cwd).
async function loadFromRoot(model, modelPath) {
  const llm = lib.llmBridge;
  const before = process.cwd();
  process.chdir(model.root);
  try {
    model.clearLog();
    assert.strictEqual(await llm.loadModel(modelPath, 'CPU'), true);
    const [load] = model.loadEvents();
    return load;
  } finally {
    llm.unloadModel();
    process.chdir(before);
  }
}

test('a relative path with dot components reaches the library in the platform spelling', async (t) => {
  const model = createScriptedModel({});
  t.after(() => model.remove());

  const dotted = await loadFromRoot(model, './x/..//model/.');
  assert.strictEqual(dotted.models_path, windows ? model.dir : `${model.dir}/`);
  assert.strictEqual(dotted.cwd, model.dir, 'the library was built inside the model directory');

  const slashed = await loadFromRoot(model, 'x/../model');
  assert.strictEqual(slashed.models_path, model.dir);
  if (windows) assert.ok(!slashed.models_path.includes('/'), 'separators are backslashes');
});

test('an absolute path is only normalised, so a trailing dot leaves a separator', async (t) => {
  const model = createScriptedModel({});
  t.after(() => model.remove());
  const load = await loadFromRoot(model, `${model.dir}${path.sep}.`);
  assert.strictEqual(load.models_path, `${model.dir}${path.sep}`);
});

test('a path rooted without a drive resolves on the working directory\'s drive',
  { skip: windows ? false : 'drive letters are a Windows matter' }, async (t) => {
    const model = createScriptedModel({});
    t.after(() => model.remove());
    const driveless = model.dir.replace(/^[A-Za-z]:/, '');
    assert.notStrictEqual(driveless, model.dir, 'the temporary folder has a drive letter');
    const load = await loadFromRoot(model, driveless);
    assert.strictEqual(load.models_path, model.dir);
  });
