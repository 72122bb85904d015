'use strict';
// Timing of script calls for the route benchmark.
//
// Every call is timed alone with process.hrtime.bigint(); the cost of one pair
// of clock readings (measured in the same run) is taken off each sample. Calls
// are made in rounds: in each round every timed operation goes once over all of
// its inputs, so that a change in the machine's load during the run falls on
// every operation alike. Warm-up rounds come first and are not counted. Beside
// the wall-clock median and 99th percentile, the process CPU time spent in the
// counted rounds (process.cpuUsage) is divided by the calls made, less the
// same figure for a call of an empty function (the cost of the loop and the
// clock readings): a figure that other programs on a shared machine disturb
// far less.

function clockOverheadNs() {
  const pairs = [];
  for (let i = 0; i < 20001; i++) {
    const start = process.hrtime.bigint();
    pairs.push(Number(process.hrtime.bigint() - start));
  }
  pairs.sort((a, b) => a - b);
  return pairs[10000];
}

function percentile(sorted, share) {
  return sorted[Math.min(sorted.length - 1, Math.floor(sorted.length * share))];
}

// operations: [{ name, inputs: [...], call(input) }]. Returns, per name,
// { medianUs, p99Us, cpuUs, calls }.
function timeInRounds(timed, { rounds, warmupRounds = 2 }) {
  const overhead = clockOverheadNs();
  const operations = [...timed, { name: 'harness', inputs: timed[0].inputs, call: () => {} }];
  const state = operations.map(() => ({ samples: [], cpuMicros: 0 }));
  for (let round = 0; round < warmupRounds + rounds; round++) {
    const counted = round >= warmupRounds;
    operations.forEach((op, i) => {
      const { samples } = state[i];
      const cpuStart = process.cpuUsage();
      for (const input of op.inputs) {
        const start = process.hrtime.bigint();
        op.call(input);
        const elapsed = Number(process.hrtime.bigint() - start) - overhead;
        if (counted) samples.push(elapsed > 0 ? elapsed : 0);
      }
      if (counted) {
        const cpu = process.cpuUsage(cpuStart);
        state[i].cpuMicros += cpu.user + cpu.system;
      }
    });
  }
  const results = {};
  const harnessCpuUs = state[operations.length - 1].cpuMicros / state[operations.length - 1].samples.length;
  timed.forEach((op, i) => {
    const samples = state[i].samples.sort((a, b) => a - b);
    results[op.name] = {
      medianUs: percentile(samples, 0.5) / 1000,
      p99Us: percentile(samples, 0.99) / 1000,
      cpuUs: Math.max(0, state[i].cpuMicros / samples.length - harnessCpuUs),
      calls: samples.length,
    };
  });
  results.clockOverheadUs = overhead / 1000;
  results.harnessCpuUs = harnessCpuUs;
  return results;
}

// The same for an operation that returns a Promise (NLP.js): each call is
// awaited before the next one starts.
async function timeAsync(inputs, call, { rounds, warmupRounds = 1 }) {
  const overhead = clockOverheadNs();
  const samples = [];
  let cpuMicros = 0;
  for (let round = 0; round < warmupRounds + rounds; round++) {
    const counted = round >= warmupRounds;
    const cpuStart = process.cpuUsage();
    for (const input of inputs) {
      const start = process.hrtime.bigint();
      await call(input);
      const elapsed = Number(process.hrtime.bigint() - start) - overhead;
      if (counted) samples.push(elapsed > 0 ? elapsed : 0);
    }
    if (counted) {
      const cpu = process.cpuUsage(cpuStart);
      cpuMicros += cpu.user + cpu.system;
    }
  }
  samples.sort((a, b) => a - b);
  return {
    medianUs: percentile(samples, 0.5) / 1000,
    p99Us: percentile(samples, 0.99) / 1000,
    cpuUs: cpuMicros / samples.length,
    calls: samples.length,
  };
}

module.exports = { timeInRounds, timeAsync };
