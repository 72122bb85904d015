'use strict';
// npm start -- <phrases...> and the Electron example shown in docs/electron.md.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { spawnSync } = require('child_process');

const ROOT = path.resolve(__dirname, '..', '..');

test('the demo answers the phrases it is given, and the pet ticks while the model thinks', () => {
  const phrases = ['我想听周杰伦的晴天', '打开计算器'];
  const run = spawnSync(process.execPath, [path.join(ROOT, 'demo', 'index.js'), ...phrases],
    { encoding: 'utf8', timeout: 120000 });
  assert.equal(run.status, 0, run.stderr);
  const rows = run.stdout.split('\n').filter((line) => line.includes(' │ ')).slice(1)
    .map((line) => line.split('│').map((cell) => cell.trim()));
  assert.deepEqual(rows.map((row) => [row[0], row[1], row[5]]), [
    ['我想听周杰伦的晴天', 'llm', 'generate → 周杰伦，歌名为晴天'],
    ['打开计算器', 'local', 'run type=open_app app=calculator'],
  ]);
  assert.ok(Number(/^(\d+) in /.exec(rows[0][4])[1]) > 0, `pet frames: ${rows[0][4]}`);
});

test('docs/electron.md shows examples/electron/main.js as it is', () => {
  const doc = fs.readFileSync(path.join(ROOT, 'docs', 'electron.md'), 'utf8');
  const block = doc.slice(doc.lastIndexOf('```js\n') + 6, doc.lastIndexOf('```'));
  assert.equal(block, fs.readFileSync(path.join(ROOT, 'examples', 'electron', 'main.js'), 'utf8'));
});
