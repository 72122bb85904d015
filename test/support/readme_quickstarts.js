'use strict';
// The README's quick starts, as pasted: the code block after each
// "<!-- quick start: ... -->" marker, and what running one prints.
const assert = require('assert');
const fs = require('fs');
const path = require('path');

const README = path.resolve(__dirname, '../../README.md');

// { 'CommonJS': code, 'ES module': code }
function readQuickStarts(readme = README) {
  const text = fs.readFileSync(readme, 'utf8');
  const found = {};
  for (const m of text.matchAll(/<!-- quick start: ([^>]+?) -->\s*```js\n([\s\S]*?)```/g)) found[m[1]] = m[2];
  return found;
}

// The file name each quick start is pasted into.
const FILE_NAMES = { 'CommonJS': 'app.js', 'ES module': 'app.mjs' };

const GREETINGS = ['你好呀！我是豆豆，今天过得怎么样？', '嗨～豆豆在这儿呢，想聊点什么？', '你好你好！见到你真开心～'];

// Checks the output of a quick start run against the demo model.
function checkQuickStartOutput(stdout) {
  const lines = stdout.trim().split(/\r?\n/);
  assert.deepStrictEqual(lines.slice(0, 2), [
    "llm 播放指定音乐指令 { type: 'play_music', singer: '周杰伦', song: '晴天' }",
    '周杰伦，歌名为晴天',
  ], stdout);
  assert.ok(GREETINGS.includes(lines[2]), stdout);
  assert.strictEqual(lines.length, 3, stdout);
}

module.exports = { readQuickStarts, FILE_NAMES, checkQuickStartOutput };
