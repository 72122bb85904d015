import type { ConfirmMusicOrVideo, MediaType } from './llm_bridge';

/**
 * llm_bridge run in a worker thread of its own (createLlmWorker()): the same six
 * functions, all returning Promises, so that the calling thread's event loop
 * stays free while a model loads or generates.
 *
 * Requests run one at a time in call order and settle exactly as the module's
 * do: the same values, and the same plain rejection strings (`LlmRejection`).
 * Failures of the host itself reject with an `LlmWorkerError`.
 *
 * The model is the process's one llm_bridge model, shared with every other host
 * and with direct callers of `llmBridge`. When the worker ends (close(), a crash,
 * a terminate), a loaded model stays loaded and the next worker uses it; but
 * from then on llm_bridge, in the whole process, only forgets a model it
 * releases instead of destroying it. Create one host and close it at shutdown.
 */
export interface LlmWorker {
  /** As `LlmBridge.loadModel`: resolves with `true`, or rejects with the module's string. */
  loadModel(modelPath: string, device: string, cacheDir?: string): Promise<true>;
  /** As `LlmBridge.generate`. */
  generate(userPrompt: string): Promise<string | ConfirmMusicOrVideo>;
  /** As `LlmBridge.generateWithMediaType`. */
  generateWithMediaType(userPrompt: string, mediaType: MediaType | string): Promise<string>;
  /** As `LlmBridge.chat`. */
  chat(userPrompt: string): Promise<string>;
  /** Whether the process has a model loaded, answered after every earlier request. */
  isModelLoaded(): Promise<boolean>;
  /** Releases the loaded model, if any, after every earlier request. */
  unloadModel(): Promise<void>;
  /**
   * Waits for the requests already made, unloads the model (if this host ever
   * started a worker) and ends the worker. Idempotent: every call returns the
   * same Promise. Calls made afterwards reject with ERR_LLM_WORKER_CLOSED.
   */
  close(): Promise<void>;
}

/** A rejection of the host itself, never of the module (whose reasons are strings). */
export interface LlmWorkerError extends Error {
  /** EXITED: the worker ended before answering (the next call starts a new one); CLOSED: called after close(). */
  code: 'ERR_LLM_WORKER_EXITED' | 'ERR_LLM_WORKER_CLOSED';
}

/** Makes a host; its worker thread starts with the first call. */
export declare function createLlmWorker(): LlmWorker;
