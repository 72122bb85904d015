'use strict';
// Entry point of deskpet-native: loads the two native modules on first use.
//
//   const { llmBridge, intentBridge } = require('deskpet-native');
//
// The modules are read from build/Release (build/scripted for the scripted test
// engine). DESKPET_NATIVE_DIR points at another build folder with the same layout,
// for instance a sanitizer or cross build.
const fs = require('fs');
const path = require('path');

const packageRoot = path.resolve(__dirname, '..');

// Resolved once, when this file is first required, so that a later change of
// the working directory cannot redirect a relative DESKPET_NATIVE_DIR.
const resolvedNativeDir = process.env.DESKPET_NATIVE_DIR
  ? path.resolve(process.env.DESKPET_NATIVE_DIR)
  : path.join(packageRoot, 'build');

function nativeDir() {
  return resolvedNativeDir;
}

function modulePath(variant, file) {
  return path.join(nativeDir(), variant, file);
}

function loadNative(variant, file) {
  const full = modulePath(variant, file);
  if (!fs.existsSync(full)) {
    throw new Error(
      `deskpet-native: ${file} is not built (${full} does not exist). ` +
        `Run "npm install" (or "npm run build") in ${packageRoot} to build the native modules.`);
  }
  try {
    return require(full);
  } catch (err) {
    const wrapped = new Error(`deskpet-native: ${full} could not be loaded: ${err.message}. ` +
      `Rebuild it with "npm run build" in ${packageRoot}.`);
    wrapped.cause = err;
    throw wrapped;
  }
}

const cache = new Map();
function cached(variant, file) {
  const key = `${variant}/${file}`;
  if (!cache.has(key)) cache.set(key, loadNative(variant, file));
  return cache.get(key);
}

module.exports = {
  /** The LLM module (llm_bridge.node). */
  get llmBridge() {
    return cached('Release', 'llm_bridge.node');
  },
  /** The intent-routing module (intent_bridge.node) bound to the reference engine. */
  get intentBridge() {
    return cached('Release', 'intent_bridge.node');
  },
  /** intent_bridge.node bound to the scripted test engine. */
  get scriptedIntentBridge() {
    return cached('scripted', 'intent_bridge.node');
  },
  /** llm_bridge in a worker thread of its own: see llm_worker.js. */
  createLlmWorker: require('./llm_worker').createLlmWorker,
  modulePath,
  nativeDir,
};
