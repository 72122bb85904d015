'use strict';
// npm start -- <phrases...>: the demo routes and answers the given phrases, with
// the model in a worker thread and the pet drawing frames while it thinks.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { spawnSync } = require('child_process');

const DEMO = path.resolve(__dirname, '..', '..', 'demo', 'index.js');

test('the demo answers the phrases it is given, and the pet ticks while the model thinks', () => {
  const phrases = ['我想听周杰伦的晴天', '打开计算器', '今天天气怎么样'];
  const run = spawnSync(process.execPath, [DEMO, ...phrases], { encoding: 'utf8', timeout: 120000 });
  assert.equal(run.status, 0, run.stderr);
  const [header, ...rows] = run.stdout
    .split('\n')
    .filter((line) => line.includes(' │ '))
    .map((line) => line.split('│').map((cell) => cell.trim()));
  assert.deepEqual(header, ['request', 'target', 'conf.', 'matched command', 'pet frames while thinking', 'result']);
  assert.deepEqual(rows.map((row) => [row[0], row[1], row[5]]), [
    ['我想听周杰伦的晴天', 'llm', 'generate → 周杰伦，歌名为晴天'],
    ['打开计算器', 'local', 'run "打开计算器"'],
    ['今天天气怎么样', 'local', 'run "查询天气"'],
  ]);
  const [, frames] = /^(\d+) in \d+\.\d s$/.exec(rows[0][4]);
  assert.ok(Number(frames) > 0, 'frames were drawn during the generation');
  assert.equal(rows[1][4], '-');
});
