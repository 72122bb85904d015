#!/usr/bin/env node
'use strict';
// The route benchmark (npm run bench): in one run, on the same corpora and
// queries, the engine alone (Norvik_Route through its C interface, in the C++
// driver route_bench_engine), JSON.parse of the engine's replies, route(),
// querySimilarity(), getConfig() and an empty module call, and NLP.js trained
// on the same commands over the same queries. Prints figures; asserts nothing
// about time.
//
//   node bench/route/run.js [--no-build] [--quick] [--build-dir DIR] [--cpu N]
//
// --quick leaves out the engine at 100,000 commands (about half a minute).
// --cpu N (Linux, with taskset) holds the run, this process and the engine
// driver it starts, to processor N. The virtual processors of a shared host
// can differ in speed by a third, and unheld, the engine's figures and the
// module's may then come from different ones. Held, NLP.js shares the
// processor with its own collector and compiler threads and runs slower.
// The module is loaded through lib/ (DESKPET_NATIVE_DIR picks another build).

const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const { builtinDataset, syntheticDataset, served } = require('./datasets');
const { timeInRounds, timeAsync } = require('./timing');

const root = path.resolve(__dirname, '..', '..');

function parseArgs(argv) {
  const opts = { build: true, quick: false, buildDir: path.join(root, 'build', 'cmake'), cpu: undefined };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === '--no-build') opts.build = false;
    else if (argv[i] === '--quick') opts.quick = true;
    else if (argv[i] === '--build-dir') opts.buildDir = path.resolve(argv[++i]);
    else if (argv[i] === '--cpu' && /^[0-9]+$/.test(argv[i + 1] || '')) opts.cpu = argv[++i];
    else throw new Error(`unknown option ${argv[i]}`);
  }
  return opts;
}

// The benchmark builds what it runs: the driver, the module and the engine.
function build(opts) {
  const args = [path.join(root, 'scripts', 'build.js'), '--build-dir', opts.buildDir,
    '--target', 'route_bench_engine', '--target', 'intent_bridge', '--', '-DDESKPET_BUILD_BENCH=ON'];
  const result = spawnSync(process.execPath, args, { stdio: ['ignore', 'ignore', 'inherit'], cwd: root });
  if (result.status !== 0) throw new Error(`building the benchmark failed (exit ${result.status})`);
}

// With --cpu, runs this benchmark again held to that processor, once what it
// runs is built; its exit status, or null when this process runs it as it is
// (no --cpu, held already, or not held: not Linux, or no taskset).
const kPinnedVariable = 'DESKPET_BENCH_CPU';
function runPinned(opts) {
  if (opts.cpu === undefined || process.env[kPinnedVariable] !== undefined) return null;
  if (process.platform !== 'linux') {
    console.error('--cpu: holding the run to a processor needs Linux and taskset; running it unheld');
    return null;
  }
  const args = ['-c', opts.cpu, process.execPath, __filename, ...process.argv.slice(2), '--no-build'];
  const result = spawnSync('taskset', args, { stdio: 'inherit', env: { ...process.env, [kPinnedVariable]: opts.cpu } });
  if (result.error) {
    console.error(`--cpu: taskset could not run (${result.error.code}); running it unheld`);
    return null;
  }
  return result.status === null ? 1 : result.status;
}

function placement() {
  const cpu = process.env[kPinnedVariable];
  return cpu !== undefined ? `held to processor ${cpu} (taskset), the engine driver too` : 'not held to a processor';
}

function runDriver(driver, args) {
  const result = spawnSync(driver, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'inherit'] });
  if (result.status !== 0) throw new Error(`route_bench_engine ${args[0]} failed (exit ${result.status})`);
  return JSON.parse(result.stdout);
}

// The name of the command the engine ranks first for each query (its verbose
// reply's first candidate), whether or not it is then chosen: what compares with
// a classifier, which always names its best intent.
function rankedFirst(driver, dataset, workDir) {
  const file = path.join(workDir, `verbose-${path.basename(path.dirname(dataset.queriesFile))}.txt`);
  const made = spawnSync(driver, ['replies', dataset.corpusArg, dataset.queriesFile, file], { stdio: 'inherit' });
  if (made.status !== 0) throw new Error(`route_bench_engine replies failed (exit ${made.status})`);
  // Two lines a query: the verbose route reply, then the similarity reply.
  const lines = fs.readFileSync(file, 'utf8').split('\n');
  return dataset.queries.map((_, i) => {
    const candidates = JSON.parse(lines[2 * i]).candidates || [];
    return candidates.length > 0 ? candidates[0].name : null;
  });
}

function engineAlone(driver, dataset, rounds, workDir) {
  const repliesFile = path.join(workDir, `replies-${path.basename(path.dirname(dataset.queriesFile))}.txt`);
  const figures = runDriver(driver, ['time', dataset.corpusArg, dataset.queriesFile, String(rounds), repliesFile]);
  figures.replies = fs.readFileSync(repliesFile, 'utf8').split('\n').slice(0, -1);
  return figures;
}

const us = (value) => (value < 10 ? value.toFixed(2) : value < 100 ? value.toFixed(1) : value.toFixed(0));
const pct = (right, total) => `${((100 * right) / total).toFixed(1)} % (${right}/${total})`;

// Served (see datasets.js), and separately whether the chosen command is the
// one the label names, whatever the target.
function tally(counts, label, target, command) {
  if (served(label, target, command)) counts.served += 1;
  if (label.command !== undefined && command === label.command) counts.command += 1;
}

function printRow(label, figures) {
  console.log(`  ${label.padEnd(44)}${us(figures.medianUs).padStart(10)}${us(figures.p99Us).padStart(10)}` +
    `${us(figures.cpuUs).padStart(12)}`);
}

async function benchDataset(bridge, driver, dataset, { rounds, peerRounds }, workDir) {
  console.log(`\n${dataset.title}`);
  const engine = engineAlone(driver, dataset, rounds, workDir);
  console.log(`  ${engine.commands} commands, ${dataset.queries.length} queries, ${rounds} counted rounds ` +
    `(2 warm-up); engine load ${engine.loadMs.toFixed(0)} ms`);

  if (dataset.corpusFile) bridge.initFromFile(dataset.corpusFile);
  else bridge.init();
  let sameAsParse = 0;
  const ours = { served: 0, command: 0 };
  const firstRanked = rankedFirst(driver, dataset, workDir);
  let oursFirst = 0;
  dataset.queries.forEach((query, i) => {
    if (dataset.labels[i].command !== undefined && firstRanked[i] === dataset.labels[i].command) oursFirst += 1;
    const result = bridge.route(query);
    if (JSON.stringify(result) === JSON.stringify(JSON.parse(engine.replies[i]))) sameAsParse += 1;
    tally(ours, dataset.labels[i], result.target, result.matchedCommand && result.matchedCommand.name);
  });

  const queries = dataset.queries;
  const t = timeInRounds([
    { name: 'parse', inputs: engine.replies, call: (reply) => JSON.parse(reply) },
    { name: 'route', inputs: queries, call: (q) => bridge.route(q) },
    { name: 'similarity', inputs: queries, call: (q) => bridge.querySimilarity(q, 5) },
    { name: 'config', inputs: queries, call: () => bridge.getConfig() },
    { name: 'empty', inputs: queries, call: () => bridge.getCommandCount() },
  ], { rounds });

  const { trainPeer, version } = require('./nlpjs_peer');
  const peer = await trainPeer(dataset.commands);
  const theirs = { served: 0, command: 0 };
  for (let i = 0; i < queries.length; i++) {
    const answer = await peer.classify(queries[i]);
    tally(theirs, dataset.labels[i], answer.target, answer.command);
  }
  const peerTime = await timeAsync(queries, peer.classify, { rounds: peerRounds });

  console.log(`  ${''.padEnd(44)}${'median µs'.padStart(10)}${'p99 µs'.padStart(10)}${'CPU µs/call'.padStart(12)}`);
  printRow('engine alone: Norvik_Route (C++ driver)', engine);
  printRow('JSON.parse(engine reply)', t.parse);
  printRow('route(query)', t.route);
  printRow('querySimilarity(query, 5)', t.similarity);
  printRow('getConfig()', t.config);
  printRow('empty call: getCommandCount()', t.empty);
  printRow(`NLP.js ${version}: process('zh', query)`, peerTime);
  const ratio = t.route.medianUs / (engine.medianUs + t.parse.medianUs);
  const cpuRatio = t.route.cpuUs / (engine.cpuUs + t.parse.cpuUs);
  console.log(`  route() / (engine + JSON.parse): ${ratio.toFixed(2)} by medians, ${cpuRatio.toFixed(2)} by CPU time`);
  console.log(`  NLP.js / route(): ${(peerTime.medianUs / t.route.medianUs).toFixed(0)}x by medians`);
  const named = dataset.labels.filter((label) => label.command !== undefined).length;
  console.log(`  served: route() ${pct(ours.served, queries.length)}; NLP.js ${pct(theirs.served, queries.length)} ` +
    `(trained in ${(peer.trainMs / 1000).toFixed(1)} s)`);
  console.log(`  right command where the label names one: route() ${pct(ours.command, named)}; ` +
    `NLP.js ${pct(theirs.command, named)}`);
  console.log(`  right command ranked first (the engine's first candidate, chosen or held back; NLP.js's intent): ` +
    `engine ${pct(oursFirst, named)}; NLP.js ${pct(theirs.command, named)}`);
  console.log(`  route() result equal to JSON.parse of the engine's reply (members and order): ` +
    `${sameAsParse} of ${queries.length}`);
  console.log(`  engine timed call by call by the thread's CPU clock (a system call, which slows the call it times): ` +
    `median ${us(engine.cpuMedianUs)} µs, p99 ${us(engine.cpuP99Us)} µs; ` +
    `heap allocations per route: ${engine.allocationsPerCall.toFixed(1)}`);
}

function benchLargeEngine(driver, workDir) {
  const size = 100000;
  const dataset = syntheticDataset(workDir, driver, size, 2000);
  const engine = engineAlone(driver, dataset, 2, workDir);
  console.log(`\nengine alone, synthetic corpus of ${size.toLocaleString('en-US')} commands, 2000 queries x 2 rounds ` +
    `(load ${(engine.loadMs / 1000).toFixed(1)} s)`);
  console.log(`  Norvik_Route median ${us(engine.medianUs)} µs, p99 ${us(engine.p99Us)} µs; by thread CPU time ` +
    `median ${us(engine.cpuMedianUs)} µs, p99 ${us(engine.cpuP99Us)} µs; ` +
    `${engine.allocationsPerCall.toFixed(1)} heap allocations per route`);
}

async function main() {
  const opts = parseArgs(process.argv.slice(2));
  if (opts.build) build(opts);
  const pinnedStatus = runPinned(opts);
  if (pinnedStatus !== null) {
    process.exitCode = pinnedStatus;
    return;
  }
  const driver = path.join(opts.buildDir, 'bench', 'route', 'route_bench_engine');
  const bridge = require(path.join(root, 'lib')).intentBridge;
  const workDir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-route-bench-'));
  try {
    const cpus = os.cpus();
    console.log(`route benchmark: ${cpus.length} x ${cpus[0].model}, ${os.platform()} ${os.release()}, ` +
      `Node ${process.version}, load average at start ${os.loadavg().map((l) => l.toFixed(1)).join(' ')}; ` +
      placement());
    console.log('method: every call timed alone with process.hrtime.bigint() (the engine: steady_clock in the ' +
      'driver), clock cost subtracted; rounds over all queries, each operation in turn; median and 99th ' +
      'percentile of the calls; CPU µs/call = process (driver: thread) CPU time of the counted rounds / calls, ' +
      'less that of an empty function in the same loop (driver: less the cost of the clock readings)');
    await benchDataset(bridge, driver, builtinDataset(workDir), { rounds: 100, peerRounds: 3 }, workDir);
    await benchDataset(bridge, driver, syntheticDataset(workDir, driver, 1000, 2000), { rounds: 10, peerRounds: 1 },
      workDir);
    if (!opts.quick) benchLargeEngine(driver, workDir);
    console.log(`\nload average at end ${os.loadavg().map((l) => l.toFixed(1)).join(' ')}`);
  } finally {
    fs.rmSync(workDir, { recursive: true, force: true });
  }
}

main().catch((err) => {
  console.error(err.stack || err.message);
  process.exit(1);
});
