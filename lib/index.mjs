// ES module entry of deskpet-native: the same exports as the CommonJS entry
// (lib/index.js), as named exports and as the default export.
//
//   import { intentBridge, llmBridge, demoModelPath } from 'deskpet-native';
//
// The native modules still load on first use, as they do from require(): each
// module export is a stand-in that loads its module when a member is first read,
// so importing the package never loads a module the app does not call.
import { inspect } from 'node:util';
import lib from './index.js';

function loadOnFirstUse(load) {
  // util.inspect looks at a proxy's target, not through it: the target shows the module.
  const target = Object.create(null);
  Object.defineProperty(target, inspect.custom, { value: (depth, options) => inspect(load(), options), configurable: true });
  return new Proxy(target, {
    get: (_, key) => load()[key],
    has: (_, key) => key in load(),
    ownKeys: () => Reflect.ownKeys(load()),
    getOwnPropertyDescriptor: (_, key) => {
      const descriptor = Reflect.getOwnPropertyDescriptor(load(), key);
      return descriptor && { ...descriptor, configurable: true };
    },
    set: (_, key, value) => Reflect.set(load(), key, value),
    defineProperty: (_, key, descriptor) => Reflect.defineProperty(load(), key, descriptor),
    deleteProperty: (_, key) => Reflect.deleteProperty(load(), key),
  });
}

// Native modules: loaded on first use.
export const llmBridge = loadOnFirstUse(() => lib.llmBridge);
export const intentBridge = loadOnFirstUse(() => lib.intentBridge);
export const scriptedIntentBridge = loadOnFirstUse(() => lib.scriptedIntentBridge);

// Plain values and functions: one name each.
export const { createLlmWorker, demoModelPath, modulePath, moduleLocation, nativeDir } = lib;

export default lib;
