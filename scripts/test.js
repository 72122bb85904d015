#!/usr/bin/env node
// Runs every test: the C++ unit tests (ctest) of a CMake tree, then the Node
// suites (every test/**/*.test.js) with node's own test runner.
//   node scripts/test.js [--build-dir DIR] [--no-build] [--skip-cpp] [node --test options...]
// First the tree (default build/cmake) is configured with the tests on and built
// incrementally (scripts/build.js --tests): the C++ tests, the benchmark and the
// scripted test engine are not part of a user's install. --no-build tests what is
// there; --skip-cpp runs the Node suites alone and builds nothing.
// DESKPET_NATIVE_DIR (see lib/index.js) picks the module folder the Node suites load.
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const root = path.resolve(__dirname, '..');

function findTests(dir, out = []) {
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) {
      if (entry.name !== 'node_modules' && entry.name !== 'fixtures') findTests(full, out);
    } else if (entry.name.endsWith('.test.js') || entry.name.endsWith('.test.mjs')) {
      out.push(full);
    }
  }
  return out.sort();
}

let buildDir = path.join(root, 'build', 'cmake');
let skipCpp = false;
let build = true;
const nodeArgs = [];
const argv = process.argv.slice(2);
for (let i = 0; i < argv.length; i++) {
  if (argv[i] === '--build-dir') buildDir = path.resolve(argv[++i]);
  else if (argv[i] === '--skip-cpp') skipCpp = true;
  else if (argv[i] === '--no-build') build = false;
  else nodeArgs.push(argv[i]);
}

let failed = false;
if (!skipCpp && build) {
  const built = spawnSync(process.execPath, [path.join(__dirname, 'build.js'), '--tests', '--build-dir', buildDir],
    { stdio: 'inherit', cwd: root });
  if (built.status !== 0) process.exit(built.status || 1);
}
if (!skipCpp) {
  if (!fs.existsSync(path.join(buildDir, 'CTestTestfile.cmake'))) {
    console.error(`deskpet-native: no CMake tree with the tests in ${buildDir}; run "npm test" without --no-build.`);
    process.exit(1);
  }
  const ctest = spawnSync('ctest', ['--test-dir', buildDir, '--output-on-failure', '--timeout', '600'], { stdio: 'inherit' });
  if (ctest.status !== 0) failed = true;
}

const files = findTests(path.join(root, 'test'));
if (files.length === 0) {
  console.error('deskpet-native: no Node test files found under test/');
  process.exit(1);
}
// A test that hangs fails after 15 minutes instead of holding the run forever.
if (!nodeArgs.some((a) => a.startsWith('--test-timeout'))) nodeArgs.unshift('--test-timeout=900000');
const node = spawnSync(process.execPath, ['--test', ...nodeArgs, ...files], { stdio: 'inherit', cwd: root });
if (node.status !== 0) failed = true;
process.exit(failed ? 1 : 0);
