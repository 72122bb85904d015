'use strict';
// End-to-end demo: the reference routing engine with its built-in corpus decides
// where each request goes; "local" requests run as the matched command, "llm"
// requests go to llm_bridge.generate and "chat" requests to llm_bridge.chat, on
// the scripted demo model in models/demo.
const path = require('path');
const { intentBridge, llmBridge } = require('../lib');

const requests = [
  '打开计算器',
  '帮我打开记事本',
  '把音量调到30',
  '现在几点了',
  '明天早上七点叫我起床',
  '我想听周杰伦的晴天',
  '放一首邓紫棋的光年之外',
  '播放甄嬛传第三集',
  '搜索胡歌演的琅琊榜',
  '放一下青花瓷',
  '你好',
  '今天好累啊',
  '给我讲个笑话',
];

// Terminal columns of a text: East Asian wide and full-width characters take two.
function displayWidth(text) {
  let width = 0;
  for (const ch of text) {
    const cp = ch.codePointAt(0);
    const wide = (cp >= 0x1100 && cp <= 0x115f) || (cp >= 0x2e80 && cp <= 0xa4cf) ||
      (cp >= 0xac00 && cp <= 0xd7a3) || (cp >= 0xf900 && cp <= 0xfaff) || (cp >= 0xfe30 && cp <= 0xfe4f) ||
      (cp >= 0xff00 && cp <= 0xff60) || (cp >= 0xffe0 && cp <= 0xffe6) || (cp >= 0x1f300 && cp <= 0x1faff) ||
      (cp >= 0x20000 && cp <= 0x3fffd);
    width += wide ? 2 : 1;
  }
  return width;
}

function pad(text, width) {
  return text + ' '.repeat(Math.max(0, width - displayWidth(text)));
}

function printTable(header, rows) {
  const widths = header.map((h, i) => Math.max(displayWidth(h), ...rows.map((r) => displayWidth(r[i]))));
  const line = (cells) => cells.map((c, i) => (i === cells.length - 1 ? c : pad(c, widths[i]))).join(' │ ');
  console.log(line(header));
  console.log(widths.map((w) => '─'.repeat(w)).join('─┼─'));
  for (const row of rows) console.log(line(row));
}

function describeLocal(route) {
  if (route.patternAction) {
    return 'run ' + Object.entries(route.patternAction).map(([k, v]) => `${k}=${v}`).join(' ');
  }
  return route.matchedCommand ? `run "${route.matchedCommand.name}"` : 'run locally';
}

async function handle(request) {
  const route = intentBridge.route(request);
  const command = route.matchedCommand ? route.matchedCommand.name : '-';
  let result;
  if (route.target === 'local') {
    result = describeLocal(route);
  } else if (route.target === 'llm') {
    result = `generate → ${await llmBridge.generate(request)}`;
  } else {
    result = `chat → ${await llmBridge.chat(request)}`;
  }
  return [request, route.target, route.confidence.toFixed(2), command, result];
}

async function main() {
  intentBridge.init();
  const modelDir = path.join(__dirname, '..', 'models', 'demo');
  await llmBridge.loadModel(modelDir, 'CPU');
  console.log(`engine ${intentBridge.version()} with ${intentBridge.getCommandCount()} built-in commands; ` +
    `model: scripted demo model (${modelDir})\n`);
  const rows = [];
  for (const request of requests) rows.push(await handle(request));
  printTable(['request', 'target', 'conf.', 'matched command', 'result'], rows);
  llmBridge.unloadModel();
  intentBridge.destroy();
}

main().catch((err) => {
  console.error(`demo failed: ${err && err.message ? err.message : err}`);
  process.exit(1);
});
