import type { LlmBridge } from './llm_bridge';
import type { IntentBridge } from './intent_bridge';

/** The LLM module (build/Release/llm_bridge.node), loaded on first use. */
export declare const llmBridge: LlmBridge;
/** The intent-routing module bound to the reference engine. */
export declare const intentBridge: IntentBridge;
/** The intent-routing module bound to the scripted test engine. */
export declare const scriptedIntentBridge: IntentBridge;
/** Path of a module file: variant is "Release" or "scripted". */
export declare function modulePath(variant: 'Release' | 'scripted', file: string): string;
/** The folder holding Release/ and scripted/ (DESKPET_NATIVE_DIR or build/). */
export declare function nativeDir(): string;

export type { LlmBridge, IntentBridge };
export { createLlmWorker, type LlmWorker, type LlmWorkerError } from './llm_worker';
