'use strict';
// Figures of the router on a labelled utterance set (test/engine/utterances/*.json):
// harmful, served, strictly served, per domain, and confidence calibration.
// Shared by the routing benchmark and the routing-quality test.
//
// Served counts what the held-out real-speech evaluation counts: a request gets
// its labelled target, and a "local" label is served by the labelled command run
// locally or by the LLM path (whose command selection can still act on it).
// Strictly served counts a "local" label only when the labelled command runs.
const fs = require('fs');
const path = require('path');

const root = path.resolve(__dirname, '..', '..');
const corpusDir = path.join(root, 'engine', 'reference', 'corpus');

function readJson(file) {
  return JSON.parse(fs.readFileSync(file, 'utf8'));
}

// The class of one command: its own `risk`, else "none" for the LLM and chat
// targets, else the first rule of the table whose members (other than `risk`)
// all equal the action's, else the table's `otherwise`.
function riskOf(command, table) {
  if (command.risk) return command.risk;
  if (command.target === 'llm' || command.target === 'chat') return 'none';
  const action = command.action || {};
  for (const rule of table.rules) {
    const members = Object.keys(rule).filter((k) => k !== 'risk');
    if (members.every((k) => action[k] === rule[k])) return rule.risk;
  }
  return table.otherwise;
}

// Name -> risk class of every built-in command.
function builtInRiskClasses() {
  const corpus = readJson(path.join(corpusDir, 'default.json'));
  const table = readJson(path.join(corpusDir, 'risk_defaults.json'));
  const classes = new Map();
  for (const command of corpus.commands) classes.set(command.name, riskOf(command, table));
  return classes;
}

function loadSet(name) {
  const file = path.join(root, 'test', 'engine', 'utterances', `${name}.json`);
  return fs.existsSync(file) ? readJson(file) : null;
}

function commandName(reply) {
  return reply.matchedCommand ? reply.matchedCommand.name : null;
}

function isStrictlyServed(entry, reply) {
  if (reply.target !== entry.target) return false;
  return entry.target !== 'local' || commandName(reply) === entry.command;
}

function isServed(entry, reply) {
  return isStrictlyServed(entry, reply) || (entry.target === 'local' && reply.target === 'llm');
}

// A local run of a machine-changing command that the label does not ask for.
function isHarmful(entry, reply, classes) {
  if (reply.target !== 'local') return false;
  const name = commandName(reply);
  const risk = classes.get(name) || 'change';  // an unknown command is assumed to change the machine
  if (risk === 'none') return false;
  return !(entry.target === 'local' && entry.command === name);
}

const calibrationBins = [0, 0.2, 0.4, 0.6, 0.8, 0.9, 1.0001];

// Routes every entry once and tallies the figures. `route` maps a query to the
// engine's reply object.
function evaluate(entries, route, classes) {
  const result = {
    total: entries.length, served: 0, strict: 0, harmful: 0,
    harmfulRows: [], misses: [], perDomain: new Map(), perTarget: new Map(),
    bins: calibrationBins.slice(0, -1).map((low, i) => ({ low, high: calibrationBins[i + 1], right: 0, total: 0 })),
  };
  for (const entry of entries) {
    const reply = route(entry.query);
    const strict = isStrictlyServed(entry, reply);
    const served = isServed(entry, reply);
    const harmful = isHarmful(entry, reply, classes);
    if (served) result.served += 1;
    if (strict) result.strict += 1;
    if (harmful) {
      result.harmful += 1;
      result.harmfulRows.push({ entry, reply });
    }
    if (!strict) result.misses.push({ entry, reply });
    for (const [map, key] of [[result.perDomain, entry.domain || '-'], [result.perTarget, entry.target]]) {
      const tally = map.get(key) || { served: 0, strict: 0, harmful: 0, total: 0 };
      tally.total += 1;
      if (served) tally.served += 1;
      if (strict) tally.strict += 1;
      if (harmful) tally.harmful += 1;
      map.set(key, tally);
    }
    const bin = result.bins.find((b) => reply.confidence >= b.low && reply.confidence < b.high);
    if (bin) {
      bin.total += 1;
      if (strict) bin.right += 1;
    }
  }
  return result;
}

// Target (and, where the entry names one, command) accuracy on the paraphrase set.
function paraphraseAccuracy(route) {
  const entries = readJson(path.join(root, 'test', 'engine', 'paraphrases.json'));
  let right = 0;
  for (const entry of entries) {
    const reply = route(entry.query);
    if (reply.target === entry.target && (!entry.command || commandName(reply) === entry.command)) right += 1;
  }
  return { right, total: entries.length };
}

module.exports = {
  riskOf, builtInRiskClasses, loadSet, evaluate, paraphraseAccuracy, isServed, isStrictlyServed, isHarmful, commandName,
};
