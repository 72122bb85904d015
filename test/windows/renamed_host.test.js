'use strict';
// The modules take Node-API from whatever process hosts them, not from a file named
// node.exe: a copy of the Windows node.exe under another name (as embedding hosts
// are) loads both modules and calls into them. Without the delay-load hook the first
// Node-API call would look for node.exe on disk and fail. Windows only.
const test = require('node:test');
const assert = require('node:assert');
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const lib = require('../../lib');

const skip = process.platform !== 'win32' ? 'the host binding is a Windows matter' : false;

function withRenamedHost(fn) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-host-'));
  try {
    const host = path.join(dir, 'pet-host.exe');
    fs.copyFileSync(process.execPath, host);
    return fn(host);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// Runs the async function body `body`, which returns a JSON value, in the renamed
// host and gives back that value.
function runInHost(host, body) {
  const script = `
    const lib = require(${JSON.stringify(path.resolve(__dirname, '..', '..', 'lib'))});
    (async () => { ${body} })()
      .then((result) => process.stdout.write(JSON.stringify(result)))
      .catch((err) => { process.stderr.write(String(err && err.stack || err)); process.exit(1); });`;
  const run = spawnSync(host, ['-e', script], { encoding: 'utf8', env: process.env, timeout: 120000 });
  assert.strictEqual(run.status, 0, `host exited with ${run.status}: ${run.stderr}`);
  return JSON.parse(run.stdout);
}

test('a renamed host loads both modules and serves their Node-API calls', { skip }, () => {
  withRenamedHost((host) => {
    assert.notStrictEqual(path.basename(host).toLowerCase(), 'node.exe');
    const result = runInHost(host, `
      const llm = lib.llmBridge;
      const router = lib.intentBridge;
      let typeError = null;
      try { router.route(42); } catch (e) { typeError = e instanceof TypeError ? e.message : String(e); }
      return {
        llmKeys: Object.keys(llm),
        loaded: llm.isModelLoaded(),
        unloaded: llm.unloadModel() === undefined,
        rejection: await llm.generate(1).then(() => 'resolved', (reason) => reason),
        routerKeys: Object.keys(router),
        version: typeof router.version(),
        typeError,
      };`);
    assert.deepStrictEqual(result.llmKeys,
      ['loadModel', 'generate', 'generateWithMediaType', 'chat', 'isModelLoaded', 'unloadModel']);
    assert.strictEqual(result.loaded, false);
    assert.strictEqual(result.unloaded, true);
    assert.strictEqual(result.rejection, 'generate(userPrompt) requires a string argument');
    assert.strictEqual(result.routerKeys.length, 13);
    assert.strictEqual(result.version, 'string');
    assert.strictEqual(result.typeError, 'Expected string argument (query)');
  });
});
