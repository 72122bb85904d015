'use strict';
// The declarations type-check an ES module and a CommonJS app under --strict
// (tsc --noEmit with test/types/tsconfig.json), including the misuses that must
// fail (each marked @ts-expect-error).
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const path = require('node:path');

const skip = process.platform === 'win32' ? 'the declarations are the same on every platform; checked on Linux' : false;

test('tsc --strict accepts the apps in test/types', { skip }, () => {
  const tsc = require.resolve('typescript/bin/tsc');
  const run = spawnSync(process.execPath, [tsc, '-p', path.join(__dirname, 'tsconfig.json')], { encoding: 'utf8' });
  assert.equal(run.status, 0, run.stdout + run.stderr);
});
