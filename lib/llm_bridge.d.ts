/**
 * llm_bridge.node: a local LLM run through OpenVINO GenAI, one model per process.
 *
 * Every call runs synchronously on the calling thread (loading and generation
 * block it) and returns a Promise that is already settled. Promises are rejected
 * with plain strings, never Error objects; bad arguments reject as well, nothing
 * throws for them.
 */

/** What `generate` answers when the model named the command that leaves open whether music or video is meant. */
export type ConfirmMusicOrVideo = '[CONFIRM:MUSIC_OR_VIDEO]';

/** The media kinds `generateWithMediaType` extracts details for; any other text resolves with "". */
export type MediaType = 'music' | 'video';

/** The fixed rejection reasons; failures of the library add their own text after a prefix. */
export type LlmRejection =
  | 'loadModel(modelPath, device [, cacheDir]) requires at least two string arguments'
  | 'generate(userPrompt) requires a string argument'
  | 'generateWithMediaType(userPrompt, mediaType) requires two string arguments'
  | 'chat(userPrompt) requires a string argument'
  | 'Model is not loaded. Call loadModel() first.'
  | `Failed to load model: ${string}`
  | `Generation failed: ${string}`
  | `Chat failed: ${string}`;

export interface LlmBridge {
  /**
   * Loads the model in `modelPath` (relative paths resolve against the working
   * directory) onto `device` ("CPU", "GPU", "NPU", ... passed to OpenVINO as
   * written), replacing any loaded model. On the NPU (any letter case) the
   * compiled model is cached in `cacheDir`, by default "vlm_cache" under the
   * working directory; other devices ignore `cacheDir`. A failed load leaves no
   * model loaded. Resolves with `true`.
   */
  loadModel(modelPath: string, device: string, cacheDir?: string): Promise<true>;

  /**
   * Picks the computer command that best meets the request. Resolves with the
   * command name the model wrote; for media commands with the extracted details
   * (what the model wrote after "歌手为" for music, after "演员为" for video);
   * for the music-or-video command with `ConfirmMusicOrVideo`.
   */
  generate(userPrompt: string): Promise<string | ConfirmMusicOrVideo>;

  /**
   * Extracts the details of a media request of a known kind: song title and
   * singer for "music", actor, title and episode for "video". Any other
   * `mediaType` (exact, case-sensitive) resolves with "" without a model call.
   */
  generateWithMediaType(userPrompt: string, mediaType: MediaType | string): Promise<string>;

  /** A short, friendly answer from the desktop pet 豆豆 (sampled; no history is kept). */
  chat(userPrompt: string): Promise<string>;

  /** Whether a model is loaded. */
  isModelLoaded(): boolean;

  /** Releases the loaded model, if any. */
  unloadModel(): void;
}
