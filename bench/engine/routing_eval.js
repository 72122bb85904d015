#!/usr/bin/env node
'use strict';
// Prints how the reference engine routes the labelled utterance sets
// (test/engine/utterances/tune.json and test.json) with its built-in corpus:
// harmful rate, served (the labelled target; for a local label the labelled
// command or the LLM path) and strictly served (the labelled command itself),
// per target and per domain, the confidence calibration, the paraphrase
// accuracy, and route time through intent_bridge. Not a test: the time figures
// vary with the machine. The trade-off between harmful routes and served
// requests at each level of the risk gate is printed by the C++ program
// build/cmake/bench/engine/strictness_curve.
//
//   node bench/engine/routing_eval.js [--domains] [--misses] [--tune-only]
//
// --misses lists the tuning half's misses; harmful routes are listed for the
// tuning half only (the test half is only measured). DESKPET_NATIVE_DIR picks another build, e.g. an older one
// to compare with.
const { intentBridge: bridge } = require('../../lib');
const metrics = require('./routing_metrics');

const args = new Set(process.argv.slice(2));
const percent = (n, d) => (d ? `${((100 * n) / d).toFixed(1)} %` : '-');

function printFigures(name, r) {
  console.log(`\n== ${name}: ${r.total} utterances`);
  console.log(`harmful            ${r.harmful} (${percent(r.harmful, r.total)})`);
  console.log(`served             ${r.served} (${percent(r.served, r.total)})`);
  console.log(`strictly served    ${r.strict} (${percent(r.strict, r.total)})`);
  for (const [target, t] of r.perTarget) {
    console.log(`  ${target.padEnd(6)} served ${percent(t.served, t.total).padStart(7)} of ${t.total}` +
      `, strictly ${percent(t.strict, t.total)}`);
  }
  if (args.has('--domains')) {
    console.log('  domain         total  served  strictly  harmful');
    for (const [domain, t] of [...r.perDomain].sort((a, b) => b[1].total - a[1].total)) {
      console.log(`  ${domain.padEnd(14)} ${String(t.total).padStart(5)} ${percent(t.served, t.total).padStart(7)}` +
        ` ${percent(t.strict, t.total).padStart(9)} ${String(t.harmful).padStart(8)}`);
    }
  }
  // Rows are listed for the tuning half only: the test half is measured, never studied.
  for (const { entry, reply } of name === 'tune' ? r.harmfulRows : []) {
    console.log(`  HARMFUL ${entry.query} -> ${reply.target}/${metrics.commandName(reply)} ` +
      `(label ${entry.target}/${entry.command || '-'})`);
  }
}

function printCalibration(results) {
  console.log('\n== confidence calibration (both halves): share of routes strictly served per confidence bin');
  const bins = results[0].bins.map((b) => ({ ...b, right: 0, total: 0 }));
  for (const r of results) {
    r.bins.forEach((b, i) => {
      bins[i].right += b.right;
      bins[i].total += b.total;
    });
  }
  for (const b of bins) {
    console.log(`  [${b.low.toFixed(1)}, ${Math.min(b.high, 1).toFixed(1)}${b.high > 1 ? ']' : ')'}` +
      `  routes ${String(b.total).padStart(5)}  strictly served ${percent(b.right, b.total)}`);
  }
}

function timeRoutes(queries, passes) {
  for (const q of queries.slice(0, 100)) bridge.route(q);  // warm up
  const samples = [];
  for (let pass = 0; pass < passes; pass++) {
    for (const q of queries) {
      const start = process.hrtime.bigint();
      bridge.route(q);
      samples.push(Number(process.hrtime.bigint() - start) / 1000);
    }
  }
  samples.sort((a, b) => a - b);
  return { p50: samples[Math.floor(samples.length / 2)], p99: samples[Math.floor(samples.length * 0.99)], n: samples.length };
}

function main() {
  bridge.init();
  const classes = metrics.builtInRiskClasses();
  const route = (q) => bridge.route(q);
  console.log(`engine ${bridge.version()}, ${bridge.getCommandCount()} built-in commands`);
  const results = [];
  const queries = [];
  for (const name of args.has('--tune-only') ? ['tune'] : ['tune', 'test']) {
    const set = metrics.loadSet(name);
    if (!set) {
      console.log(`\n== ${name}: test/engine/utterances/${name}.json not found`);
      continue;
    }
    const r = metrics.evaluate(set, route, classes);
    results.push(r);
    queries.push(...set.map((e) => e.query));
    printFigures(name, r);
    // The batches were written by different authors: the second tells how well
    // tuning on the first generalises.
    for (const batch of [1, 2]) {
      const rows = set.filter((e) => (e.batch || 1) === batch);
      if (!rows.length || rows.length === set.length) continue;
      const b = metrics.evaluate(rows, route, classes);
      console.log(`  batch ${batch}: ${b.total} rows, harmful ${b.harmful} (${percent(b.harmful, b.total)}), ` +
        `served ${percent(b.served, b.total)}, strictly served ${percent(b.strict, b.total)}`);
    }
    if (name === 'tune' && args.has('--misses')) {
      for (const { entry, reply } of r.misses) {
        console.log(`  miss ${entry.query} [${entry.domain}] ${entry.target}/${entry.command || '-'} -> ` +
          `${reply.target}/${metrics.commandName(reply)} ${reply.confidence.toFixed(2)} | ${reply.reasoning}`);
      }
    }
  }
  if (results.length) printCalibration(results);
  const p = metrics.paraphraseAccuracy(route);
  console.log(`\n== paraphrases: ${p.right}/${p.total} = ${percent(p.right, p.total)}`);
  if (queries.length) {
    const t = timeRoutes(queries, 5);
    console.log(`\n== route time through intent_bridge over both halves (${t.n} routes): ` +
      `p50 ${t.p50.toFixed(1)} µs, p99 ${t.p99.toFixed(1)} µs`);
  }
}

main();
