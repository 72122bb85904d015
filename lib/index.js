'use strict';
// Entry point of deskpet-native: loads the two native modules on first use.
//
//   const { llmBridge, intentBridge, demoModelPath } = require('deskpet-native');
//
// Each module is read from the first of these that holds it (lib/binaries.js):
// the folder named by DESKPET_NATIVE_DIR (with the layout of a build: Release/ and
// scripted/), the package's own build (build/Release, build/scripted for the
// scripted test engine), the prebuilt binaries (prebuilds/<platform>-<arch>/).
const path = require('path');
const binaries = require('./binaries');

const cache = new Map();
function cached(variant, file) {
  const key = `${variant}/${file}`;
  if (!cache.has(key)) cache.set(key, binaries.loadModule(variant, file));
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
  /** intent_bridge.node bound to the scripted test engine (built by "npm test"). */
  get scriptedIntentBridge() {
    return cached('scripted', 'intent_bridge.node');
  },
  /** llm_bridge in a worker thread of its own: see llm_worker.js. */
  createLlmWorker: require('./llm_worker').createLlmWorker,
  /** Absolute path of the scripted demo model shipped with the package. */
  demoModelPath: path.join(binaries.packageRoot, 'models', 'demo'),
  /** Path of the module file that is (or would be) loaded. */
  modulePath: (variant, file) => binaries.locateModule(variant, file).path,
  /** Where a module file is loaded from: { path, kind, exists }. */
  moduleLocation: binaries.locateModule,
  nativeDir: binaries.nativeDir,
};
