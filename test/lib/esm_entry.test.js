'use strict';
// lib/index.mjs: the CommonJS entry's names as named exports, modules loaded on
// first use (an import alone loads nothing), and the same functions underneath.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');

const esmEntry = pathToFileURL(path.resolve(__dirname, '../../lib/index.mjs')).href;

test('the ES module entry has every name of the CommonJS entry, and the same functions', async () => {
  const cjs = require('../../lib');
  const esm = await import(esmEntry);
  assert.deepEqual(Object.keys(esm).filter((k) => k !== 'default').sort(), Object.keys(cjs).sort());
  assert.equal(esm.default, cjs);
  assert.equal(esm.intentBridge.route, cjs.intentBridge.route);
  assert.deepEqual(Object.keys(esm.llmBridge), Object.keys(cjs.llmBridge));
  assert.equal(esm.demoModelPath, cjs.demoModelPath);
});

test('importing loads no module; the first use does, and a missing one fails then', () => {
  const empty = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-esm-'));
  try {
    const code = `
      const m = await import(${JSON.stringify(esmEntry)});
      console.log('imported');
      try { m.llmBridge.isModelLoaded(); } catch (e) { console.log(e.message); }`;
    const run = spawnSync(process.execPath, ['--input-type=module', '-e', code],
      { env: { ...process.env, DESKPET_NATIVE_DIR: empty }, encoding: 'utf8' });
    assert.equal(run.status, 0, run.stderr);
    const [first, second] = run.stdout.trim().split('\n');
    assert.equal(first, 'imported');
    assert.match(second, /llm_bridge\.node is not built/);
  } finally {
    fs.rmSync(empty, { recursive: true, force: true });
  }
});
