'use strict';
// NLP.js (node-nlp) as the peer of the route benchmark: one intent per command,
// named after it, trained on the command's name and examples, the same texts
// that the engine indexes. A query's answer is the intent NLP.js classifies it
// as; its "None" intent (nothing matched well enough) counts as small talk,
// the engine's "chat" target.

const { NlpManager } = require('node-nlp');

const language = 'zh';

// NLP.js prints progress lines ("Compiling dictionary") while it trains.
async function quietly(work) {
  const log = console.log;
  console.log = () => {};
  try {
    return await work();
  } finally {
    console.log = log;
  }
}

// commands: [{ name, examples, target }]. Returns { trainMs, classify(query) }
// where classify resolves to { target, command } (command null for "None").
async function trainPeer(commands) {
  const manager = new NlpManager({ languages: [language], forceNER: false, autoSave: false, nlu: { log: false } });
  const targetOf = new Map();
  for (const command of commands) {
    targetOf.set(command.name, command.target);
    manager.addDocument(language, command.name, command.name);
    for (const example of command.examples) manager.addDocument(language, example, command.name);
  }
  const start = process.hrtime.bigint();
  await quietly(() => manager.train());
  const trainMs = Number(process.hrtime.bigint() - start) / 1e6;
  const classify = async (query) => {
    const { intent } = await manager.process(language, query);
    if (!targetOf.has(intent)) return { target: 'chat', command: null };
    return { target: targetOf.get(intent), command: intent };
  };
  return { trainMs, classify };
}

module.exports = { trainPeer, version: require('node-nlp/package.json').version };
