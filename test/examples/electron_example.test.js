'use strict';
// The Electron example (examples/electron/main.js, shown in docs/electron.md),
// run against a stand-in for the electron module: its IPC handler routes and
// answers through the worker host, and quitting closes the host once.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const Module = require('module');
const { llmBridge: llm } = require('../../lib');
const demo = require('../../models/demo/make-demo-model');

const ROOT = path.resolve(__dirname, '..', '..');
const MAIN = path.join(ROOT, 'examples', 'electron', 'main.js');

// Just enough of electron's main-process API for main.js.
function electronStandIn(userData) {
  let registered;
  const handlerRegistered = new Promise((resolve) => (registered = resolve));
  const appHandlers = {};
  const stub = {
    quitCount: 0,
    handlerRegistered,
    appHandlers,
    app: {
      whenReady: () => Promise.resolve(),
      getPath: () => userData,
      on: (event, handler) => (appHandlers[event] = handler),
      quit: () => stub.quitCount++,
    },
    ipcMain: { handle: (channel, handler) => registered({ channel, handler }) },
    BrowserWindow: class {
      loadFile() {}
    },
  };
  return stub;
}

test('docs/electron.md shows examples/electron/main.js as it is', () => {
  const doc = fs.readFileSync(path.join(ROOT, 'docs', 'electron.md'), 'utf8');
  const block = doc.slice(doc.lastIndexOf('```js\n') + 6, doc.lastIndexOf('```'));
  assert.equal(block, fs.readFileSync(MAIN, 'utf8'));
});

test('the example answers over IPC through the worker host and closes it on quit', { timeout: 120000 },
  async () => {
  const userData = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-electron-'));
  const electron = electronStandIn(userData);
  const resolveFilename = Module._resolveFilename;
  Module._resolveFilename = function (request, ...rest) {
    if (request === 'electron') return 'electron';
    return resolveFilename.call(this, request.replace(/^deskpet-native(?=\/|$)/, ROOT), ...rest);
  };
  const standIn = new Module('electron');
  standIn.exports = electron;
  standIn.loaded = true;
  require.cache.electron = standIn;
  try {
    require(MAIN);
    const { channel, handler } = await electron.handlerRegistered;
    assert.equal(channel, 'pet:ask');
    assert.deepEqual(await handler({}, '打开计算器'), { kind: 'local', command: '打开计算器' });
    assert.deepEqual(await handler({}, '我想听周杰伦的晴天'), { kind: 'llm', reply: '周杰伦，歌名为晴天' });
    const chat = await handler({}, '你好');
    assert.equal(chat.kind, 'chat');
    assert.ok(demo.CHATS[0].replies.includes(chat.reply), chat.reply);
    assert.deepEqual(await handler({}, 42), { kind: 'error', message: 'text must be a string' });

    let prevented = 0;
    electron.appHandlers['before-quit']({ preventDefault: () => prevented++ });
    while (electron.quitCount === 0) await new Promise((resolve) => setTimeout(resolve, 10));
    assert.equal(llm.isModelLoaded(), false);
    electron.appHandlers['before-quit']({ preventDefault: () => prevented++ });
    assert.equal(prevented, 1, 'the second quit goes through');
  } finally {
    Module._resolveFilename = resolveFilename;
    delete require.cache.electron;
    llm.unloadModel();
    fs.rmSync(userData, { recursive: true, force: true });
  }
});
