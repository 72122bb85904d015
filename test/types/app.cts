// A CommonJS app: the same names through require().
import deskpet = require('deskpet-native');
import type { RouteResult, ScriptedIntentBridge, PartialRouteResult } from 'deskpet-native';

export async function main(): Promise<number> {
  const { intentBridge, llmBridge, demoModelPath } = deskpet;
  const route: RouteResult = intentBridge.route('你好');
  await llmBridge.loadModel(demoModelPath, 'CPU');
  // The scripted test engine may leave members out.
  const scripted: ScriptedIntentBridge = deskpet.scriptedIntentBridge;
  const partial: PartialRouteResult = scripted.route('x');
  // @ts-expect-error confidence may be missing from a scripted reply
  const missing: number = partial.confidence;
  return route.confidence + (missing ?? 0);
}
