'use strict';
// intent_bridge loaded in several worker threads at once, all reaching the one
// reference engine of the process without any lock in the module: routing and
// similarity calls while other threads add and clear user commands, change the
// configuration, or shut the engine down and start it again. Every answer must
// be whole (of one consistent engine state) and every failure a clear Error.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { once } = require('events');
const { Worker } = require('worker_threads');
const { intentBridge: bridge, nativeDir } = require('../../lib');

const LIB = path.resolve(__dirname, '..', '..', 'lib');
const WORKER = path.join(__dirname, 'workers', 'intent_worker.js');
// Resolved before any load can switch the working directory.
const NATIVE_DIR = nativeDir();

const USER_COMMANDS = [
  { id: 90001, name: '打开小猪佩奇播放器', examples: ['打开小猪佩奇播放器', '启动佩奇播放器'], keywords: ['小猪佩奇'],
    action: { type: 'open_app', app: 'peppa' } },
  { id: 90002, name: '关闭小猪佩奇播放器', examples: ['关掉佩奇播放器'], keywords: ['佩奇'] },
  { id: 90003, name: '给乌龟喂食', examples: ['喂一下乌龟', '乌龟饿了'], keywords: ['乌龟'] },
];
const QUERIES = ['打开记事本', '把音量调到50', '播放周杰伦的晴天', '你觉得今天天气怎么样', '明天早上七点提醒我开会',
  '打开微信然后给妈妈发消息', 'zzzz', ''];

async function runWorkers(roles, shared) {
  const workers = roles.map((role) => new Worker(WORKER, {
    env: { ...process.env, DESKPET_NATIVE_DIR: NATIVE_DIR },
    workerData: { lib: LIB, role, queries: QUERIES, userQuery: '打开小猪佩奇播放器', userCorpus: JSON.stringify(USER_COMMANDS),
      userIds: USER_COMMANDS.map((c) => c.id), toleratedErrors: [], ...shared(role) },
  }));
  const reports = await Promise.all(workers.map(async (worker) => {
    // Both listeners first: a worker that ends while the parent is busy has its
    // last message and its exit delivered in one go.
    const exited = once(worker, 'exit');
    const [report] = await once(worker, 'message');
    await exited;
    return report;
  }));
  for (const report of reports) assert.deepEqual(report.violations, []);
  return reports;
}

test.before(() => assert.equal(bridge.init(), true));

test('routing while other threads add and clear user commands and change the configuration', { timeout: 300000 }, async () => {
  const base = bridge.getCommandCount();
  const routersLeft = new Int32Array(new SharedArrayBuffer(4));
  routersLeft[0] = 3;
  const reports = await runWorkers(['router', 'router', 'router', 'mutator'], (role) => ({
    rounds: role === 'mutator' ? 150 : 120,
    allowedCounts: [base, base + USER_COMMANDS.length],
    routersLeft,
  }));
  const routers = reports.slice(0, 3);
  assert.ok(routers.some((r) => r.seen.userMatched > 0), 'some routes saw the user commands');
  assert.ok(routers.some((r) => r.seen.userAbsent > 0), 'some routes ran while they were cleared');

  // The engine is whole afterwards: the user corpus was cleared last.
  assert.equal(bridge.getCommandCount(), base);
  assert.equal(bridge.addCorpus(JSON.stringify(USER_COMMANDS)), USER_COMMANDS.length);
  assert.equal(bridge.route('打开小猪佩奇播放器').matchedCommand.id, 90001);
  assert.equal(bridge.clearUserCorpus(), true);
  assert.equal(bridge.getCommandCount(), base);
});

test('calls while another thread destroys and restarts the engine succeed or throw the engine code', { timeout: 300000 }, async () => {
  const base = bridge.getCommandCount();
  const down = ['Norvik_Route', 'Norvik_QuerySimilarity', 'Norvik_SemanticScore', 'Norvik_GetCommandCount',
    'Norvik_GetConfig'].map((fn) => `${fn} failed with code -1`);
  const reports = await runWorkers(['router', 'router', 'lifecycle'], (role) => ({
    rounds: role === 'lifecycle' ? 40 : 150,
    allowedCounts: [base],
    toleratedErrors: down,
  }));
  assert.ok(reports.every((r) => r.seen.calls > 0));
  // The lifecycle worker ended with init(): the engine is up with its built-in corpus.
  assert.equal(bridge.getCommandCount(), base);
  assert.equal(typeof bridge.route('打开记事本').target, 'string');
});
