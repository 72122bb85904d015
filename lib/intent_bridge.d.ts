/**
 * intent_bridge.node: synchronous bindings of the intent-routing engine
 * `norvik`. Every function calls the engine once (route at most twice). A bad
 * first argument throws a TypeError; a failing engine call throws an Error
 * whose message is "<engine function> failed with code <code>".
 */

/** The engine's routing decision; each member is present only when the engine's reply holds it. */
export interface RouteResult {
  target?: string;
  confidence?: number;
  reasoning?: string;
  /** Named scores, in the engine's order. */
  scores?: Record<string, number>;
  matchedCommand?: MatchedCommand | null;
  /** Named strings: the matched command's action, with the values its pattern or reading captured. */
  patternAction?: Record<string, string> | null;
}

export interface MatchedCommand {
  id?: number;
  similarity?: number;
  name?: string;
}

export interface SimilarityMatch {
  id?: number;
  similarity?: number;
}

export interface SimilarityResult {
  /** The engine's matches in its order; possibly empty. */
  matches: SimilarityMatch[];
}

export interface SemanticScoreResult {
  score: number;
  raw: number;
  /** -1 when the engine names no command. */
  cmdId: number;
}

export interface RouterWeights {
  semantic?: number;
  complexity?: number;
  domainKeyword?: number;
  openEnded?: number;
  entityMatch?: number;
}

/**
 * The routing configuration. updateConfig writes only these keys, each when it
 * has the right type (finite numbers, a boolean, an object of weights);
 * getConfig returns the keys the engine reports, and any weight names it holds.
 */
export interface RouterConfig {
  localThreshold?: number;
  verbose?: boolean;
  weights?: RouterWeights & Record<string, number>;
}

export interface IntentBridge {
  /** Starts the engine with its defaults. */
  init(): true;
  /** Starts the engine from an initialisation file (passed to the engine unchanged). */
  initFromFile(filePath: string): true;
  /** Routes a query to a target. */
  route(query: string): RouteResult;
  /** The topK (default 3, read as a 32-bit integer) most similar commands. */
  querySimilarity(query: string, topK?: number): SimilarityResult;
  semanticScore(query: string): SemanticScoreResult;
  /** Sends the configuration to the engine; accepts any object or function. */
  updateConfig(config: RouterConfig | object): true;
  getConfig(): RouterConfig;
  /** Adds commands from JSON text; returns the number the engine added. */
  addCorpus(jsonCorpus: string): number;
  /** Adds commands from a file; returns the number the engine added. */
  addCorpusFromFile(filePath: string): number;
  clearUserCorpus(): true;
  getCommandCount(): number;
  /** Shuts the engine down; never throws. */
  destroy(): undefined;
  /** The engine's version text, or "unknown". */
  version(): string;
}
