// An ES module app as the declarations must type it under --strict.
import {
  intentBridge, llmBridge, demoModelPath, moduleLocation,
  type RouteResult, type RouteTarget, type MatchedCommand, type RouterConfig, type LlmRejection,
} from 'deskpet-native';
import deskpet from 'deskpet-native';

export async function main(): Promise<string> {
  intentBridge.init();
  const route: RouteResult = intentBridge.route('打开QQ');
  const confidence: number = route.confidence;
  const target: RouteTarget = route.target;
  const combined: number = route.scores.combined;
  // @ts-expect-error a misspelt target has no overlap with RouteTarget
  if (route.target === 'lokal') return 'never';
  const command: MatchedCommand | null = route.matchedCommand;
  const name: string = command === null ? '-' : command.name;
  const slots: Record<string, string> = route.patternAction ?? {};
  const config: RouterConfig = intentBridge.getConfig();
  const threshold: number = config.localThreshold + config.weights.semantic;
  const first = intentBridge.querySimilarity('打开QQ', 1).matches[0];
  const id: number = first === undefined ? -1 : first.id;
  intentBridge.updateConfig({ weights: { semantic: 0.5 } });

  const loaded: true = await llmBridge.loadModel(demoModelPath, 'CPU');
  const text: string = await llmBridge.generate('我想听周杰伦的晴天');
  const rejection: LlmRejection = 'Model is not loaded. Call loadModel() first.';
  const kind: 'DESKPET_NATIVE_DIR' | 'build' | 'prebuild' = moduleLocation('Release', 'llm_bridge.node').kind;
  const sameModule: typeof intentBridge = deskpet.intentBridge;
  return [confidence, target, combined, name, slots, threshold, id, loaded, text, rejection, kind, sameModule].join();
}
