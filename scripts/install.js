#!/usr/bin/env node
// The package's install step ("npm install"): use the prebuilt binaries for this
// platform when they load, else build from source with CMake (scripts/build.js).
//
//   DESKPET_NATIVE_BUILD_FROM_SOURCE=1 npm install deskpet-native   builds from source
//
// The prebuild is tried in a child process, so that a binary that cannot load
// (another C library, a missing system DLL) or that crashes on load cannot take
// the install down with it: the install then builds from source instead. Nothing
// is written for a prebuild; lib/ finds it by itself (lib/binaries.js).
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const binaries = require('../lib/binaries');

const TAG = binaries.platformTag();

function say(text) {
  console.log(`deskpet-native: ${text}`);
}

function wantsSourceBuild() {
  const value = (process.env.DESKPET_NATIVE_BUILD_FROM_SOURCE || '').trim().toLowerCase();
  return value !== '' && value !== '0' && value !== 'false' && value !== 'no';
}

// Loads both modules of a prebuild folder in a child Node and routes one query:
// returns null when that works, else why not.
function prebuildProblem(dir) {
  const missing = binaries.prebuildFiles(TAG).filter((file) => !fs.existsSync(path.join(dir, file)));
  if (missing.length > 0) return `${missing.join(', ')} missing in ${dir}`;
  const probe = `
    const path = require('path');
    const llm = require(path.join(process.argv[1], 'llm_bridge.node'));
    const router = require(path.join(process.argv[1], 'intent_bridge.node'));
    if (llm.isModelLoaded() !== false) throw new Error('llm_bridge answered isModelLoaded wrongly');
    router.init();
    const target = router.route('打开计算器').target;
    router.destroy();
    if (!['local', 'llm', 'chat'].includes(target)) throw new Error('intent_bridge routed to ' + target);`;
  const run = spawnSync(process.execPath, ['-e', probe, dir], { encoding: 'utf8', timeout: 60000 });
  if (run.status === 0) return null;
  const reason = run.error ? run.error.message
    : (run.stderr.trim().split('\n').find((line) => /Error/.test(line)) || `exit ${run.status}, signal ${run.signal}`);
  return `it does not load here: ${reason.trim()}`;
}

function buildFromSource() {
  say('building from source with CMake (a few minutes; "npm install --foreground-scripts" shows the progress)');
  const run = spawnSync(process.execPath, [path.join(__dirname, 'build.js')], {
    stdio: 'inherit',
    cwd: binaries.packageRoot,
  });
  process.exit(run.status === null ? 1 : run.status);
}

function main() {
  if (wantsSourceBuild()) {
    say('DESKPET_NATIVE_BUILD_FROM_SOURCE is set');
    return buildFromSource();
  }
  const dir = binaries.prebuildDir(TAG);
  if (!fs.existsSync(dir)) {
    say(`no prebuilt binaries for ${TAG}`);
    return buildFromSource();
  }
  const problem = prebuildProblem(dir);
  if (problem !== null) {
    say(`the prebuilt binaries for ${TAG} are not usable (${problem})`);
    return buildFromSource();
  }
  say(`using the prebuilt binaries for ${TAG} (${dir})`);
}

main();
