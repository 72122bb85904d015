'use strict';
// Checks an app folder into which deskpet-native was installed from its tarball,
// as an app developer would use it. Run by scripts/test-tarball.sh with the Linux
// Node and by scripts/win/test-tarball.sh with the Windows Node under Wine:
//
//   node test/windows/installed_app.js <app folder> <platform-arch>
//
// The modules must come from the package's prebuilt binaries for <platform-arch>;
// the app requires the package, routes a query, loads the demo model through the
// exported path and generates, runs the README's quick starts as pasted (CommonJS
// and ES module), and routes with the package's deskpet-route tool. The last line
// reads "installed app: N passed, N failed".
const assert = require('assert');
const { spawnSync } = require('child_process');
const fs = require('fs');
const { createRequire } = require('module');
const path = require('path');
const { readQuickStarts, FILE_NAMES, checkQuickStartOutput } = require('../support/readme_quickstarts');

const [appDir, tag] = process.argv.slice(2).map((a, i) => (i === 0 ? path.resolve(a) : a));
const packageDir = path.join(appDir, 'node_modules', 'deskpet-native');
const appRequire = createRequire(path.join(appDir, 'package.json'));

function runNode(args) {
  const run = spawnSync(process.execPath, args, { cwd: appDir, encoding: 'utf8', timeout: 120000 });
  assert.strictEqual(run.status, 0, `node ${args.join(' ')} exited with ${run.status}: ${run.stderr}`);
  return run.stdout;
}

const checks = {
  'the modules load from the prebuilt binaries': () => {
    const lib = appRequire('deskpet-native');
    for (const file of ['llm_bridge.node', 'intent_bridge.node']) {
      const where = lib.moduleLocation('Release', file);
      assert.strictEqual(where.kind, 'prebuild', JSON.stringify(where));
      assert.strictEqual(path.relative(packageDir, where.path), path.join('prebuilds', tag, file));
    }
    assert.ok(!fs.existsSync(path.join(packageDir, 'build')), 'the install built from source');
  },
  'route a query': () => {
    const { intentBridge } = appRequire('deskpet-native');
    intentBridge.init();
    const route = intentBridge.route('把音量调到30');
    assert.deepStrictEqual([route.target, route.matchedCommand && route.matchedCommand.name, route.patternAction && route.patternAction.level],
      ['local', '设置音量', '30']);
  },
  'load the demo model and generate': async () => {
    const { llmBridge, demoModelPath } = appRequire('deskpet-native');
    assert.strictEqual(await llmBridge.loadModel(demoModelPath, 'CPU'), true);
    assert.strictEqual(await llmBridge.generate('我想听周杰伦的晴天'), '周杰伦，歌名为晴天');
    llmBridge.unloadModel();
  },
  'the README quick starts run as pasted': () => {
    const quickStarts = readQuickStarts();
    assert.deepStrictEqual(Object.keys(quickStarts).sort(), Object.keys(FILE_NAMES).sort());
    for (const [name, code] of Object.entries(quickStarts)) {
      fs.writeFileSync(path.join(appDir, FILE_NAMES[name]), code);
      checkQuickStartOutput(runNode([FILE_NAMES[name]]));
    }
  },
  'deskpet-route routes from the package': () => {
    const [route] = JSON.parse(runNode([path.join(packageDir, 'bin', 'deskpet-route.js'), '--json', '打开QQ']));
    assert.deepStrictEqual([route.target, route.matchedCommand.name], ['local', '打开QQ']);
  },
};

async function main() {
  let passed = 0;
  let failed = 0;
  for (const [name, check] of Object.entries(checks)) {
    try {
      await check();
      passed++;
      console.log(`ok - ${name}`);
    } catch (err) {
      failed++;
      console.log(`not ok - ${name}\n  ${String(err && err.stack || err).split('\n').join('\n  ')}`);
    }
  }
  console.log(`installed app: ${passed} passed, ${failed} failed`);
  process.exitCode = failed === 0 ? 0 : 1;
}

main();
