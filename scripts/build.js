#!/usr/bin/env node
// Configures and builds the native targets with CMake.
//   node scripts/build.js [--build-dir DIR] [--output-dir DIR] [--target T] [--tests]
//                         [-- extra cmake -D options]
// Defaults: CMake tree in build/cmake, modules and the reference engine in
// build/Release. --tests also builds the C++ unit tests, the benchmark and the
// scripted test engine (build/scripted); without it a tree keeps what it was last
// configured with (a new tree builds only what users need).
'use strict';
const { spawnSync } = require('child_process');
const os = require('os');
const path = require('path');

const root = path.resolve(__dirname, '..');

function parseArgs(argv) {
  const opts = { buildDir: path.join(root, 'build', 'cmake'), outputDir: null, cmakeArgs: [], targets: [], tests: false };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    if (a === '--build-dir') opts.buildDir = path.resolve(argv[++i]);
    else if (a === '--output-dir') opts.outputDir = path.resolve(argv[++i]);
    else if (a === '--target') opts.targets.push(argv[++i]);
    else if (a === '--tests') opts.tests = true;
    else if (a === '--') { opts.cmakeArgs.push(...argv.slice(i + 1)); break; }
    else opts.cmakeArgs.push(a);
  }
  return opts;
}

function run(cmd, args) {
  console.log(`> ${cmd} ${args.join(' ')}`);
  const r = spawnSync(cmd, args, { stdio: 'inherit', cwd: root });
  if (r.error && r.error.code === 'ENOENT') {
    console.error(`deskpet-native: '${cmd}' was not found. Building from source needs CMake (3.18 or later) ` +
      'and a C++17 compiler; install them, then run "npm install" again.');
    process.exit(1);
  }
  if (r.status !== 0) {
    console.error(`deskpet-native: '${cmd}' failed (exit ${r.status}).`);
    process.exit(r.status || 1);
  }
}

const opts = parseArgs(process.argv.slice(2));
const configure = ['-S', root, '-B', opts.buildDir];
if (!opts.cmakeArgs.some((a) => a.startsWith('-DCMAKE_BUILD_TYPE'))) configure.push('-DCMAKE_BUILD_TYPE=Release');
if (opts.outputDir) configure.push(`-DDESKPET_OUTPUT_DIR=${opts.outputDir}`);
if (opts.tests) configure.push('-DDESKPET_BUILD_TESTS=ON', '-DDESKPET_BUILD_BENCH=ON');
run('cmake', configure.concat(opts.cmakeArgs));
const build = ['--build', opts.buildDir, '--parallel', String(Math.max(1, os.cpus().length))];
for (const t of opts.targets) build.push('--target', t);
run('cmake', build);
