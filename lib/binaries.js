'use strict';
// Where the native modules are found. Three kinds of location, tried in order:
//
//   1. "DESKPET_NATIVE_DIR": the folder named by that variable (resolved when this
//      file is first required), with the layout of a build: Release/ and scripted/.
//      When it is set, nothing else is tried.
//   2. "build": the package's own build, build/Release/ (build/scripted/ for the
//      scripted test engine), made by "npm install" from source or "npm run build".
//   3. "prebuild": the binaries shipped in the package for this platform,
//      prebuilds/<platform>-<arch>/ (Release modules only).
//
// A module file is taken from the first location that holds it.
const fs = require('fs');
const path = require('path');

const packageRoot = path.resolve(__dirname, '..');

// Resolved once, so that a later change of the working directory cannot redirect
// a relative DESKPET_NATIVE_DIR.
const envNativeDir = process.env.DESKPET_NATIVE_DIR ? path.resolve(process.env.DESKPET_NATIVE_DIR) : null;
const buildDir = path.join(packageRoot, 'build');

// The platforms prebuilds are made for, and the engine library beside the modules.
const ENGINE_LIBRARY = { linux: 'libnorvik.so', win32: 'norvik.dll' };
const PREBUILT_PLATFORMS = ['linux-x64', 'win32-x64'];

function platformTag(platform = process.platform, arch = process.arch) {
  return `${platform}-${arch}`;
}

function prebuildDir(tag = platformTag()) {
  return path.join(packageRoot, 'prebuilds', tag);
}

// The files a prebuild folder for `tag` holds.
function prebuildFiles(tag = platformTag()) {
  const engine = ENGINE_LIBRARY[tag.split('-')[0]];
  return ['llm_bridge.node', 'intent_bridge.node'].concat(engine ? [engine] : []);
}

// The folder the build-layout locations use (DESKPET_NATIVE_DIR or build/).
function nativeDir() {
  return envNativeDir || buildDir;
}

// The candidate paths of a module file, in the order they are tried.
function candidates(variant, file) {
  if (envNativeDir) return [{ path: path.join(envNativeDir, variant, file), kind: 'DESKPET_NATIVE_DIR' }];
  const list = [{ path: path.join(buildDir, variant, file), kind: 'build' }];
  if (variant === 'Release') list.push({ path: path.join(prebuildDir(), file), kind: 'prebuild' });
  return list;
}

// { path, kind, exists } of the location a module file is loaded from: the
// first candidate that exists, else the first candidate (which then does not).
function locateModule(variant, file) {
  const list = candidates(variant, file);
  const found = list.find((c) => fs.existsSync(c.path));
  return found ? { ...found, exists: true } : { ...list[0], exists: false };
}

function describe(location) {
  const kinds = {
    DESKPET_NATIVE_DIR: 'the folder named by DESKPET_NATIVE_DIR',
    build: 'the local build',
    prebuild: `the prebuilt binaries for ${platformTag()}`,
  };
  return `${location.path} (${kinds[location.kind]})`;
}

function missingModuleError(variant, file) {
  const tried = candidates(variant, file).map(describe).join('; ');
  let hint;
  if (envNativeDir) {
    hint = `Build into that folder, or unset DESKPET_NATIVE_DIR to use the package's own binaries ("npm install" in ${packageRoot}).`;
  } else if (variant !== 'Release') {
    hint = `Run "npm test" in ${packageRoot}: it builds the scripted test engine.`;
  } else if (PREBUILT_PLATFORMS.includes(platformTag())) {
    hint = `Run "npm install" in ${packageRoot} (or "npm run build" to build from source).`;
  } else {
    hint = `There are no prebuilt binaries for ${platformTag()}: run "npm install" (or "npm run build") in ` +
      `${packageRoot} to build from source (needs CMake and a C++17 compiler).`;
  }
  return new Error(`deskpet-native: ${file} is not built (looked in ${tried}; none exists). ${hint}`);
}

// Loads a module file from the first location that holds it; errors name the
// path and the kind of location.
function loadModule(variant, file) {
  const location = locateModule(variant, file);
  if (!location.exists) throw missingModuleError(variant, file);
  try {
    return require(location.path);
  } catch (err) {
    const hint = location.kind === 'prebuild'
      ? `Build from source instead: "npm run build" in ${packageRoot} (or reinstall with DESKPET_NATIVE_BUILD_FROM_SOURCE=1).`
      : `Rebuild it with "npm run build" in ${packageRoot}.`;
    const wrapped = new Error(`deskpet-native: ${describe(location)} could not be loaded: ${err.message}. ${hint}`);
    wrapped.cause = err;
    throw wrapped;
  }
}

module.exports = {
  packageRoot,
  platformTag,
  prebuildDir,
  prebuildFiles,
  PREBUILT_PLATFORMS,
  nativeDir,
  locateModule,
  loadModule,
};
