'use strict';
// The README's quick starts run as pasted, in CommonJS and as an ES module: each
// is written into a folder inside the package (so that 'deskpet-native' resolves
// to this package by its own name, as from an app's node_modules) and run.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { readQuickStarts, FILE_NAMES, checkQuickStartOutput } = require('../support/readme_quickstarts');

const quickStarts = readQuickStarts();

test('the README has a CommonJS and an ES module quick start', () => {
  assert.deepEqual(Object.keys(quickStarts).sort(), Object.keys(FILE_NAMES).sort());
  assert.doesNotMatch(quickStarts['CommonJS'], /^await /m, 'top-level await is a SyntaxError in CommonJS');
});

for (const [name, code] of Object.entries(quickStarts)) {
  test(`the ${name} quick start runs as pasted, from another working directory`, () => {
    const buildDir = path.join(__dirname, '../../build');
    fs.mkdirSync(buildDir, { recursive: true });
    const dir = fs.mkdtempSync(path.join(buildDir, 'quickstart-'));
    try {
      const file = path.join(dir, FILE_NAMES[name]);
      fs.writeFileSync(file, code);
      const run = spawnSync(process.execPath, [file], { cwd: path.parse(dir).root, encoding: 'utf8', timeout: 120000 });
      assert.equal(run.status, 0, run.stderr);
      checkQuickStartOutput(run.stdout);
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  });
}
