'use strict';
// lib/index.js: lazy loading from DESKPET_NATIVE_DIR and the error for a missing build.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const entry = path.resolve(__dirname, '../../lib/index.js');

// Runs `code` in a fresh Node with DESKPET_NATIVE_DIR set to `nativeDir`, from `cwd`.
function runWithNativeDir(nativeDir, code, cwd) {
  const env = { ...process.env, DESKPET_NATIVE_DIR: nativeDir };
  return spawnSync(process.execPath, ['-e', code], { env, cwd, encoding: 'utf8' });
}

test('a missing build throws an error naming the file and how to build it, only when used', () => {
  const empty = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-empty-'));
  try {
    const code = `
      const lib = require(${JSON.stringify(entry)});
      try { lib.llmBridge; console.log('loaded'); } catch (e) { console.log(e.message); }`;
    const run = runWithNativeDir(empty, code);
    assert.equal(run.status, 0, run.stderr);
    const message = run.stdout.trim();
    assert.ok(message.includes(path.join(empty, 'Release', 'llm_bridge.node')), message);
    assert.match(message, /is not built/);
    assert.match(message, /npm install/);
  } finally {
    fs.rmSync(empty, { recursive: true, force: true });
  }
});

test('a relative DESKPET_NATIVE_DIR is fixed when the entry is required', () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-rel-'));
  try {
    const code = `
      const lib = require(${JSON.stringify(entry)});
      process.chdir(${JSON.stringify(os.tmpdir())});
      console.log(lib.nativeDir());`;
    const run = runWithNativeDir('some-build', code, root);
    assert.equal(run.status, 0, run.stderr);
    const expected = [path.resolve(root, 'some-build'), path.resolve(fs.realpathSync(root), 'some-build')];
    assert.ok(expected.includes(path.resolve(run.stdout.trim())), run.stdout);
  } finally {
    fs.rmSync(root, { recursive: true, force: true });
  }
});
