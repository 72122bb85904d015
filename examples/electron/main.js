// Electron main process of a minimal desk-pet app: intent_bridge routes each
// request on this thread (a route takes microseconds), and the model runs in a
// worker thread through createLlmWorker(), so windows, menus and IPC stay live
// while it thinks.
const path = require('path');
const { app, BrowserWindow, ipcMain } = require('electron');
const { createLlmWorker, intentBridge } = require('deskpet-native');

// Files the operating system or the model library opens themselves must come
// from the unpacked copy of the archive (asarUnpack).
const unpacked = (file) => file.replace(/([\\/])app\.asar([\\/])/, '$1app.asar.unpacked$2');
const packageDir = path.dirname(require.resolve('deskpet-native/package.json'));
const modelDir = unpacked(path.join(packageDir, 'models', 'demo')); // or a real OpenVINO model folder

const llm = createLlmWorker();

async function ask(text) {
  if (typeof text !== 'string') return { kind: 'error', message: 'text must be a string' };
  const route = intentBridge.route(text);
  if (route.target === 'local') {
    return { kind: 'local', command: route.matchedCommand ? route.matchedCommand.name : null };
  }
  try {
    const reply = route.target === 'llm' ? await llm.generate(text) : await llm.chat(text);
    return { kind: route.target, reply };
  } catch (reason) {
    // The module rejects with plain strings; the host with Error objects.
    return { kind: 'error', message: String(reason instanceof Error ? reason.message : reason) };
  }
}

app.whenReady().then(async () => {
  intentBridge.init();
  // An absolute model path: a load switches the process's working directory
  // to the model folder for a moment, whatever thread it runs on.
  await llm.loadModel(modelDir, 'CPU', path.join(app.getPath('userData'), 'vlm_cache'));
  ipcMain.handle('pet:ask', (_event, text) => ask(text));
  const window = new BrowserWindow({ webPreferences: { preload: path.join(__dirname, 'preload.js') } });
  window.loadFile(path.join(__dirname, 'index.html'));
});

app.on('window-all-closed', () => app.quit());

// Unload the model and end the worker once, when the app quits.
let closed = false;
app.on('before-quit', (event) => {
  if (closed) return;
  event.preventDefault();
  llm.close().finally(() => {
    closed = true;
    intentBridge.destroy();
    app.quit();
  });
});
