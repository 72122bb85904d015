'use strict';
// A worker thread that drives intent_bridge on the reference engine in one of
// three roles: "router" (queries), "mutator" (user corpus and configuration) or
// "lifecycle" (destroy and init). It checks what it sees and reports the
// violations, with a few counts, to the parent.
const { parentPort, workerData } = require('worker_threads');
const { intentBridge } = require(workerData.lib);

const TARGETS = new Set(['local', 'llm', 'chat']);
const { role, rounds, queries, userQuery, userCorpus, userIds, allowedCounts, toleratedErrors, routersLeft } = workerData;
const violations = [];
const seen = { userMatched: 0, userAbsent: 0, engineDown: 0, calls: 0 };

function check(condition, what) {
  if (!condition && violations.length < 20) violations.push(what);
}

const inUnit = (x) => typeof x === 'number' && x >= 0 && x <= 1;

function checkRoute(result, query) {
  check(TARGETS.has(result.target), `route(${query}).target = ${result.target}`);
  check(inUnit(result.confidence), `route(${query}).confidence = ${result.confidence}`);
  check(result.scores && Object.values(result.scores).every(inUnit), `route(${query}).scores`);
  const m = result.matchedCommand;
  check(m === null || (typeof m.id === 'number' && inUnit(m.similarity) && typeof m.name === 'string'),
    `route(${query}).matchedCommand = ${JSON.stringify(m)}`);
  return m;
}

// Runs one call; an Error is a violation unless its message is tolerated (the
// engine being down while a lifecycle worker restarts it).
function call(name, fn) {
  seen.calls++;
  try {
    return { value: fn() };
  } catch (err) {
    if (toleratedErrors.some((prefix) => err.message.startsWith(prefix))) seen.engineDown++;
    else check(false, `${name} threw ${err.message}`);
    return {};
  }
}

function routerRound(n) {
  const query = queries[n % queries.length];
  const routed = call('route', () => intentBridge.route(query));
  if ('value' in routed) checkRoute(routed.value, query);
  const user = call('route', () => intentBridge.route(userQuery));
  if ('value' in user) {
    const m = checkRoute(user.value, userQuery);
    if (m && userIds.includes(m.id)) seen.userMatched++;
    else seen.userAbsent++;
  }
  const similar = call('querySimilarity', () => intentBridge.querySimilarity(query, 3));
  if ('value' in similar) {
    const { matches } = similar.value;
    check(Array.isArray(matches) && matches.length <= 3 && matches.every((x) => typeof x.id === 'number' && inUnit(x.similarity)),
      `querySimilarity(${query}) = ${JSON.stringify(similar.value)}`);
  }
  const score = call('semanticScore', () => intentBridge.semanticScore(query));
  if ('value' in score) check(inUnit(score.value.score) && Number.isInteger(score.value.cmdId), 'semanticScore');
  const count = call('getCommandCount', () => intentBridge.getCommandCount());
  if ('value' in count) check(allowedCounts.includes(count.value), `getCommandCount() = ${count.value}`);
  const config = call('getConfig', () => intentBridge.getConfig());
  if ('value' in config) check(typeof config.value.verbose === 'boolean' && inUnit(config.value.localThreshold), 'getConfig');
}

function mutatorRound(n) {
  const added = call('addCorpus', () => intentBridge.addCorpus(userCorpus));
  if ('value' in added) check(added.value === userIds.length, `addCorpus() = ${added.value}`);
  const config = call('updateConfig', () => intentBridge.updateConfig({ verbose: n % 2 === 0 }));
  if ('value' in config) check(config.value === true, 'updateConfig');
  const cleared = call('clearUserCorpus', () => intentBridge.clearUserCorpus());
  if ('value' in cleared) check(cleared.value === true, 'clearUserCorpus');
}

// The only thread that stops the engine: once its init has returned, the engine
// must answer until its next destroy.
function lifecycleRound() {
  check(intentBridge.destroy() === undefined, 'destroy');
  const started = call('init', () => intentBridge.init());
  if ('value' in started) check(started.value === true, 'init');
  const routed = call('route after init', () => intentBridge.route(queries[0]));
  if ('value' in routed) checkRoute(routed.value, queries[0]);
  else check(false, 'route right after init failed');
}

// With a shared count of running routers (routersLeft), the rounds are a minimum:
// a router goes on until it has seen the user commands both present and absent
// (up to a cap), and the mutator until every router has finished, so that the
// interleavings checked do not depend on how the threads happen to be scheduled.
const ROUTER_CAP = 50000;
const routerWantsMore = () => routersLeft && !(seen.userMatched > 0 && seen.userAbsent > 0);
const mutatorWantsMore = () => routersLeft && Atomics.load(routersLeft, 0) > 0;
const more = { router: routerWantsMore, mutator: mutatorWantsMore, lifecycle: () => false }[role];
const rounder = { router: routerRound, mutator: mutatorRound, lifecycle: lifecycleRound }[role];
for (let n = 0; n < rounds || (more() && n < ROUTER_CAP); n++) rounder(n);
if (role === 'router' && routersLeft) Atomics.sub(routersLeft, 0, 1);
parentPort.postMessage({ violations, seen });
