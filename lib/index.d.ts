import type { LlmBridge } from './llm_bridge';
import type { IntentBridge, ScriptedIntentBridge } from './intent_bridge';

export * from './llm_bridge';
export * from './intent_bridge';

/** The LLM module (llm_bridge.node), loaded on first use. */
export declare const llmBridge: LlmBridge;
/** The intent-routing module bound to the reference engine, loaded on first use. */
export declare const intentBridge: IntentBridge;
/** The intent-routing module bound to the scripted test engine (built by "npm test", not installed). */
export declare const scriptedIntentBridge: ScriptedIntentBridge;

export { createLlmWorker, type LlmWorker, type LlmWorkerError } from './llm_worker';

/** Absolute path of the scripted demo model shipped with the package (for `llmBridge.loadModel`). */
export declare const demoModelPath: string;

/** Where a module file is found: DESKPET_NATIVE_DIR, the package's own build, or the prebuilt binaries. */
export type ModuleLocationKind = 'DESKPET_NATIVE_DIR' | 'build' | 'prebuild';

export interface ModuleLocation {
  /** Absolute path of the module file. */
  path: string;
  kind: ModuleLocationKind;
  /** False when no location holds the file (path is then the first one tried). */
  exists: boolean;
}

/** The module variant: "Release" (the reference engine) or "scripted" (the test engine). */
export type ModuleVariant = 'Release' | 'scripted';

/** Path of the module file that is (or would be) loaded. */
export declare function modulePath(variant: ModuleVariant, file: string): string;
/** Where a module file is loaded from. */
export declare function moduleLocation(variant: ModuleVariant, file: string): ModuleLocation;
/** The folder with the layout of a build (Release/, scripted/): DESKPET_NATIVE_DIR or the package's build/. */
export declare function nativeDir(): string;
