'use strict';
// Where lib/ loads the modules from (DESKPET_NATIVE_DIR, then the package's build,
// then the prebuild), what its errors name, and the install step's choice between
// a prebuild that loads and a build from source. Runs in a copy of lib/ and
// scripts/ in a temporary package folder whose prebuild is this build's modules.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const lib = require('../../lib');
const binaries = require('../../lib/binaries');

const root = path.resolve(__dirname, '../..');
const tag = binaries.platformTag();
const pkg = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-pkg-'));
const prebuild = path.join(pkg, 'prebuilds', tag);
test.after(() => fs.rmSync(pkg, { recursive: true, force: true }));

for (const dir of ['lib', 'scripts']) fs.cpSync(path.join(root, dir), path.join(pkg, dir), { recursive: true });
fs.mkdirSync(prebuild, { recursive: true });
const releaseDir = path.dirname(lib.moduleLocation('Release', 'intent_bridge.node').path);
for (const file of binaries.prebuildFiles(tag)) fs.copyFileSync(path.join(releaseDir, file), path.join(prebuild, file));

const env = { ...process.env };
delete env.DESKPET_NATIVE_DIR;
delete env.DESKPET_NATIVE_BUILD_FROM_SOURCE;

function node(args, extraEnv = {}) {
  const r = spawnSync(process.execPath, args, { cwd: pkg, env: { ...env, ...extraEnv }, encoding: 'utf8', timeout: 120000 });
  return { status: r.status, out: r.stdout + r.stderr };
}

// Where the copy's lib/ finds a module, and what using it gives.
function locate(file, extraEnv) {
  const code = `const lib = require('./lib'); const where = lib.moduleLocation('Release', '${file}');
    let use; try { use = Object.keys(lib.${file === 'llm_bridge.node' ? 'llmBridge' : 'intentBridge'}).length; } catch (e) { use = e.message; }
    console.log(JSON.stringify({ kind: where.kind, path: where.path, use }));`;
  const r = node(['-e', code], extraEnv);
  assert.equal(r.status, 0, r.out);
  return JSON.parse(r.out);
}

test('the install step takes a prebuild that loads, and lib/ uses it; a local build comes first', () => {
  const install = node([path.join('scripts', 'install.js')]);
  assert.equal(install.status, 0, install.out);
  assert.match(install.out, new RegExp(`using the prebuilt binaries for ${tag}`));
  assert.ok(!fs.existsSync(path.join(pkg, 'build')));
  assert.deepEqual(locate('intent_bridge.node'), { kind: 'prebuild', path: path.join(prebuild, 'intent_bridge.node'), use: 13 });

  // A (broken) local build is preferred, and its error says which file and kind failed.
  const local = path.join(pkg, 'build', 'Release', 'intent_bridge.node');
  fs.mkdirSync(path.dirname(local), { recursive: true });
  fs.writeFileSync(local, 'not a module');
  const fromBuild = locate('intent_bridge.node');
  assert.equal(fromBuild.kind, 'build');
  assert.ok(fromBuild.use.includes(`${local} (the local build) could not be loaded`), fromBuild.use);
  assert.equal(locate('llm_bridge.node').use, 6);

  const empty = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-none-'));
  const fromEnv = locate('llm_bridge.node', { DESKPET_NATIVE_DIR: empty });
  fs.rmSync(empty, { recursive: true });
  assert.equal(fromEnv.kind, 'DESKPET_NATIVE_DIR');
  assert.match(fromEnv.use, /is not built \(looked in .*\(the folder named by DESKPET_NATIVE_DIR\); none exists\)/);
  fs.rmSync(path.join(pkg, 'build'), { recursive: true });
});

test('a prebuild that does not load, or DESKPET_NATIVE_BUILD_FROM_SOURCE, leads to a build from source', () => {
  // The package copy has no CMake project: the build step itself fails, after the choice.
  const asked = node([path.join('scripts', 'install.js')], { DESKPET_NATIVE_BUILD_FROM_SOURCE: '1' });
  assert.notEqual(asked.status, 0);
  assert.match(asked.out, /DESKPET_NATIVE_BUILD_FROM_SOURCE is set\n.*building from source/);

  fs.writeFileSync(path.join(prebuild, 'llm_bridge.node'), 'not a module');
  const broken = node([path.join('scripts', 'install.js')]);
  assert.notEqual(broken.status, 0);
  assert.match(broken.out, new RegExp(`prebuilt binaries for ${tag} are not usable \\(it does not load here: .+\\)\n.*building from source`));
  assert.match(locate('llm_bridge.node').use, /\(the prebuilt binaries for .*\) could not be loaded: [\s\S]*DESKPET_NATIVE_BUILD_FROM_SOURCE=1/);
});
