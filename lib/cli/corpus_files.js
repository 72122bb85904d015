'use strict';
// The corpus files the command-line tool reads: the built-in corpus and the risk
// rule table of the reference engine (both embedded into the engine at build
// time, and shipped with the package as JSON), and corpus files given to it.
const fs = require('fs');
const path = require('path');
const { packageRoot } = require('../binaries');

const corpusDir = path.join(packageRoot, 'engine', 'reference', 'corpus');
const BUILTIN_CORPUS = path.join(corpusDir, 'default.json');
const RISK_DEFAULTS = path.join(corpusDir, 'risk_defaults.json');

// The commands of a corpus text: an object with `commands`, or a bare array.
function commandsOf(corpus) {
  const list = Array.isArray(corpus) ? corpus : corpus && corpus.commands;
  return Array.isArray(list) ? list.filter((c) => c && typeof c === 'object' && !Array.isArray(c)) : [];
}

function readCommands(file) {
  return commandsOf(JSON.parse(fs.readFileSync(file, 'utf8')));
}

function readBuiltinCommands() {
  return readCommands(BUILTIN_CORPUS);
}

// The rule table, or null when the file is absent.
function readRiskDefaults(file = RISK_DEFAULTS) {
  if (!fs.existsSync(file)) return null;
  return JSON.parse(fs.readFileSync(file, 'utf8'));
}

// The commands in effect after `extraFiles` are added to `base`: a command whose
// id exists already replaces it, as the engine's addCorpus does.
function commandsInEffect(base, extraFiles) {
  const byId = new Map(base.map((c) => [c.id, c]));
  for (const file of extraFiles) for (const c of readCommands(file)) byId.set(c.id, c);
  return [...byId.values()];
}

module.exports = { BUILTIN_CORPUS, RISK_DEFAULTS, commandsOf, readCommands, readBuiltinCommands, readRiskDefaults, commandsInEffect };
