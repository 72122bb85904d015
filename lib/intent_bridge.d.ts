/**
 * intent_bridge.node: synchronous bindings of the intent-routing engine
 * `norvik`. Every function calls the engine once (route at most twice). A bad
 * first argument throws a TypeError; a failing engine call throws an Error
 * whose message is "<engine function> failed with code <code>" and, when the
 * engine says what went wrong (Norvik_LastErrorMessage), a string property
 * `detail` with its text (see EngineError).
 *
 * The module copies into its results the members that the engine's reply holds.
 * The types below are those of the reference engine shipped with the package,
 * which writes every member they mark as present. `ScriptedIntentBridge`
 * (the test engine) types the same calls with every member optional.
 */

/** The Error thrown for a failing engine call. */
export interface EngineError extends Error {
  /** The engine's own text for the failure: file, line and column, command, configuration key… */
  detail?: string;
}

/** Where a request goes: run a command, let `llmBridge.generate` resolve it, or small talk for `llmBridge.chat`. */
export type RouteTarget = 'local' | 'llm' | 'chat';

/** The reference engine's scores of a route, each in [0, 1], in this order. */
export interface RouteScores {
  semantic: number;
  complexity: number;
  domainKeyword: number;
  openEnded: number;
  entityMatch: number;
  combined: number;
}

/** A command of the corpus and how similar the query is to it (in [0, 1]). */
export interface MatchedCommand {
  id: number;
  similarity: number;
  name: string;
}

/** The reference engine's routing decision. */
export interface RouteResult {
  target: RouteTarget;
  /** In [0, 1]. */
  confidence: number;
  /** A short English explanation of the decision. */
  reasoning: string;
  scores: RouteScores;
  /** The chosen command: the one that runs, or the LLM or chat command that takes the request; null when none is chosen. */
  matchedCommand: MatchedCommand | null;
  /** The chosen command's `action` with the slots its pattern or reading captured added (a slot overrides an action member of the same name): for example { type: 'open_app', app: 'QQ' }; also without a pattern ({ type: 'open_app', app: 'calculator' }); null exactly when `matchedCommand` is null. */
  patternAction: Record<string, string> | null;
}

export interface SimilarityMatch {
  id: number;
  similarity: number;
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
  semantic: number;
  complexity: number;
  domainKeyword: number;
  openEnded: number;
  entityMatch: number;
}

/** The routing configuration as `getConfig` returns it from the reference engine. */
export interface RouterConfig {
  localThreshold: number;
  verbose: boolean;
  weights: RouterWeights;
}

/**
 * What `updateConfig` sends: only these keys, each when it has the right type
 * (finite numbers, a boolean, an object of weights); missing keys keep their values.
 */
export interface RouterConfigUpdate {
  localThreshold?: number;
  verbose?: boolean;
  weights?: Partial<RouterWeights>;
}

/** The thirteen functions, with the result types of the engine they are bound to. */
export interface RouterModule<Route, Similarity, Config> {
  /** Starts the engine with its defaults (the built-in corpus). */
  init(): true;
  /** Starts the engine from an initialisation file (passed to the engine unchanged). */
  initFromFile(filePath: string): true;
  /** Routes a query to a target. */
  route(query: string): Route;
  /** The topK (default 3, read as a 32-bit integer) most similar commands. */
  querySimilarity(query: string, topK?: number): Similarity;
  semanticScore(query: string): SemanticScoreResult;
  /** Sends the configuration to the engine; accepts any object or function. */
  updateConfig(config: RouterConfigUpdate | object): true;
  getConfig(): Config;
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

/** intent_bridge.node bound to the reference engine. */
export type IntentBridge = RouterModule<RouteResult, SimilarityResult, RouterConfig>;

/** A route result of an engine that may leave members out (the scripted test engine). */
export interface PartialRouteResult {
  target?: string;
  confidence?: number;
  reasoning?: string;
  scores?: Record<string, number>;
  matchedCommand?: Partial<MatchedCommand> | null;
  patternAction?: Record<string, string> | null;
}

/** intent_bridge.node bound to the scripted test engine, whose replies hold whatever its script says. */
export type ScriptedIntentBridge = RouterModule<
  PartialRouteResult,
  { matches: Partial<SimilarityMatch>[] },
  { localThreshold?: number; verbose?: boolean; weights?: Record<string, number> }
>;
