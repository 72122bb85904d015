'use strict';
// Drives one call of a probe build of a module (build/allocation-probes/, see
// test/cpp/allocation_failure/) through every allocation it makes, as SQLite's
// tests do: row n makes allocation n fail (once, then also from n on), runs the
// call, checks what it answered, and checks that the module freed everything it
// allocated. Every row is a subtest of its own; the rows end with the first n
// that the call no longer reaches.
const fs = require('fs');
const assert = require('node:assert/strict');
const lib = require('../../lib');

// The probe module, or the reason it cannot be used here.
function loadProbe(file) {
  const full = lib.modulePath('allocation-probes', file);
  if (!fs.existsSync(full)) return { skip: `${full} is not built (Linux builds only)` };
  return { probe: require(full) };
}

const MODES = [
  { persistent: false, label: 'fails' },
  { persistent: true, label: 'and every later one fail' },
];

// What the call did: { value } or { thrown }, and for a Promise { resolved } or
// { rejected } (the Promises of these modules are settled when returned).
async function outcomeOf(call) {
  let value;
  try {
    value = call();
  } catch (thrown) {
    return { thrown };
  }
  if (!(value instanceof Promise)) return { value };
  return value.then((resolved) => ({ resolved }), (rejected) => ({ rejected }));
}

// row: { name, prepare(), call(), check(outcome, { fired, persistent }), restore() }
async function forEveryAllocation(t, control, row) {
  for (const { persistent, label } of MODES) {
    for (let n = 1; n < 100000; n++) {
      let fired = false;
      await t.test(`${row.name}: allocation ${n} ${label}`, async () => {
        await row.prepare();
        const liveBefore = control.liveAllocations();
        let outcome;
        control.arm(n, persistent);
        try {
          outcome = await outcomeOf(row.call);
        } finally {
          fired = control.disarm();
        }
        row.check(outcome, { fired, persistent });
        await row.restore();
        assert.equal(control.liveAllocations(), liveBefore, 'every allocation of the call is freed');
      });
      if (!fired) break;
    }
  }
}

module.exports = { loadProbe, forEveryAllocation };
