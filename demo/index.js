'use strict';
// End-to-end demo: the reference routing engine with its built-in corpus decides
// where each request goes; "local" requests run as the matched command, "llm"
// requests go to generate and "chat" requests to chat, on the scripted demo
// model in models/demo, through createLlmWorker() so that the model runs in a
// worker thread. The demo runs a slowed copy of the model (it thinks about as
// long as a small real model on a CPU) and animates the pet meanwhile: the
// frames it draws while the model thinks show that the event loop stays free.
//
//   npm start                      the built-in requests
//   npm start -- 打开计算器 你好     the given requests instead
const fs = require('fs');
const os = require('os');
const path = require('path');
const { intentBridge, createLlmWorker } = require('../lib');
const { displayWidth, pad } = require('../lib/cli/text_table');

const BUILT_IN_REQUESTS = [
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

const DEMO_MODEL_DIR = path.join(__dirname, '..', 'models', 'demo');
// Members of the OpenVINO GenAI stand-in's scripted models: a pause per model
// call and per code point of its reply.
const THINKING = { delay_ms: 150, delay_ms_per_code_point: 30 };
const FRAME_MS = 100;
const PET_FRAMES = ['(=^･ω･^=)', '(=^･ｪ･^=)', '(=^-ω-^=)', '(=^･ｪ･^=)'];

// A copy of the demo model in a temporary folder, slowed down. Returns its folder.
function slowDemoModel() {
  const script = JSON.parse(fs.readFileSync(path.join(DEMO_MODEL_DIR, 'scripted_model.json'), 'utf8'));
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-demo-'));
  fs.writeFileSync(path.join(dir, 'scripted_model.json'), JSON.stringify({ ...script, ...THINKING }));
  return dir;
}

// The pet's animation loop: a frame every FRAME_MS, counted, and drawn on a
// terminal. If the model ran on this thread, no frame would come until it is done.
class Pet {
  constructor(out) {
    this.out = out;
    this.frames = 0;
  }

  async whileThinking(request, work) {
    const firstFrame = this.frames;
    const start = Date.now();
    const timer = setInterval(() => {
      this.frames++;
      if (this.out.isTTY) {
        const face = PET_FRAMES[this.frames % PET_FRAMES.length];
        this.out.write(`\r${face} 豆豆 is thinking about "${request}" … frame ${this.frames}\x1b[K`);
      }
    }, FRAME_MS);
    try {
      const result = await work();
      return { result, frames: this.frames - firstFrame, seconds: (Date.now() - start) / 1000 };
    } finally {
      clearInterval(timer);
      if (this.out.isTTY) this.out.write('\r\x1b[K');
    }
  }
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

async function handle(request, llm, pet) {
  const route = intentBridge.route(request);
  const command = route.matchedCommand ? route.matchedCommand.name : '-';
  let result;
  let frames = '-';
  if (route.target === 'local') {
    result = describeLocal(route);
  } else {
    const call = route.target === 'llm' ? 'generate' : 'chat';
    const thought = await pet.whileThinking(request, () => llm[call](request));
    result = `${call} → ${thought.result}`;
    frames = `${thought.frames} in ${thought.seconds.toFixed(1)} s`;
  }
  return [request, route.target, route.confidence.toFixed(2), command, frames, result];
}

async function main() {
  const requests = process.argv.length > 2 ? process.argv.slice(2) : BUILT_IN_REQUESTS;
  const modelDir = slowDemoModel();
  const llm = createLlmWorker();
  const pet = new Pet(process.stdout);
  try {
    intentBridge.init();
    await llm.loadModel(modelDir, 'CPU');
    console.log(`engine ${intentBridge.version()} with ${intentBridge.getCommandCount()} built-in commands; ` +
      `model: scripted demo model (${DEMO_MODEL_DIR}), slowed to ${THINKING.delay_ms} ms per call and ` +
      `${THINKING.delay_ms_per_code_point} ms per character, in a worker thread; ` +
      `the pet draws a frame every ${FRAME_MS} ms\n`);
    const rows = [];
    for (const request of requests) rows.push(await handle(request, llm, pet));
    printTable(['request', 'target', 'conf.', 'matched command', 'pet frames while thinking', 'result'], rows);
  } finally {
    await llm.close();
    intentBridge.destroy();
    fs.rmSync(modelDir, { recursive: true, force: true });
  }
}

main().catch((err) => {
  console.error(`demo failed: ${err && err.message ? err.message : err}`);
  process.exit(1);
});
