#!/usr/bin/env node
// Makes the prebuilt binaries that "npm pack" ships, one folder per platform:
//   prebuilds/linux-x64/  llm_bridge.node, intent_bridge.node, libnorvik.so ($ORIGIN run path)
//   prebuilds/win32-x64/  llm_bridge.node, intent_bridge.node, norvik.dll (MinGW-w64 cross build)
//
//   node scripts/prebuild.js [linux-x64] [win32-x64]      (default: both)
//
// Each platform is a Release build of its own (build-prebuild/<platform>/) with
// only what users need: the two modules and the reference engine. llm_bridge is
// always built against the OpenVINO GenAI stand-in, even where the real library is
// installed, so that the binaries need nothing beyond the system's libraries; a
// build against the real library is a source build (-DOpenVINOGenAI_DIR=...).
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const binaries = require('../lib/binaries');

const root = binaries.packageRoot;
const COMMON_CMAKE_ARGS = [
  '-DCMAKE_BUILD_TYPE=Release',
  '-DDESKPET_BUILD_TESTS=OFF',
  '-DDESKPET_BUILD_TEST_ENGINE=OFF',
  '-DDESKPET_BUILD_BENCH=OFF',
  '-DCMAKE_DISABLE_FIND_PACKAGE_OpenVINOGenAI=ON',
  // The run path of a shipped binary is $ORIGIN alone, not the build machine's folders.
  '-DCMAKE_BUILD_WITH_INSTALL_RPATH=ON',
];

// How each platform is built (its Release/ lands in <tree>/out), and the strip
// program of its toolchain: shipped binaries keep no symbols they do not need.
const PLATFORMS = {
  'linux-x64': (tree) => ({
    strip: 'strip',
    command: process.execPath,
    args: [path.join(__dirname, 'build.js'), '--build-dir', path.join(tree, 'cmake'),
      '--output-dir', path.join(tree, 'out'), '--', ...COMMON_CMAKE_ARGS],
  }),
  'win32-x64': (tree) => ({
    strip: 'x86_64-w64-mingw32-strip',
    command: 'bash',
    args: [path.join(__dirname, 'win', 'build.sh'), '--modules-only', '--tree', tree, ...COMMON_CMAKE_ARGS],
  }),
};

function run(command, args) {
  console.log(`> ${command} ${args.join(' ')}`);
  const r = spawnSync(command, args, { stdio: 'inherit', cwd: root });
  if (r.status !== 0) {
    console.error(`prebuild: ${command} failed (${r.error ? r.error.message : `exit ${r.status}`})`);
    process.exit(1);
  }
}

function prebuild(tag) {
  const tree = path.join(root, 'build-prebuild', tag);
  const { command, args, strip } = PLATFORMS[tag](tree);
  run(command, args);
  const from = path.join(tree, 'out', 'Release');
  const to = binaries.prebuildDir(tag);
  fs.rmSync(to, { recursive: true, force: true });
  fs.mkdirSync(to, { recursive: true });
  for (const file of binaries.prebuildFiles(tag)) {
    // The file itself, never a symbolic link to it.
    run(strip, ['--strip-unneeded', '-o', path.join(to, file), fs.realpathSync(path.join(from, file))]);
  }
  const sizes = binaries.prebuildFiles(tag).map((f) => `${f} ${Math.round(fs.statSync(path.join(to, f)).size / 1024)} KiB`);
  console.log(`prebuild: ${path.relative(root, to)}: ${sizes.join(', ')}`);
}

const requested = process.argv.slice(2);
const unknown = requested.filter((tag) => !PLATFORMS[tag]);
if (unknown.length > 0) {
  console.error(`prebuild: unknown platform ${unknown.join(', ')}; known: ${Object.keys(PLATFORMS).join(', ')}`);
  process.exit(2);
}
for (const tag of requested.length > 0 ? requested : Object.keys(PLATFORMS)) prebuild(tag);
