'use strict';
// The corpora and labelled queries of the route benchmark.
//
// A dataset: { title, corpusArg, corpusFile, commands: [{ name, examples, target }],
//              queries: [string], labels: [{ target, command? }], queriesFile }
// corpusArg is what route_bench_engine loads ("builtin" or a file); the module
// loads the same corpus with init() or initFromFile(corpusFile).

const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const root = path.resolve(__dirname, '..', '..');
const builtinCorpusFile = path.join(root, 'engine', 'reference', 'corpus', 'default.json');
const paraphrasesFile = path.join(root, 'test', 'engine', 'paraphrases.json');

function commandsOf(corpusText) {
  const parsed = JSON.parse(corpusText);
  const list = Array.isArray(parsed) ? parsed : parsed.commands;
  return list.map((c) => ({ name: c.name, examples: c.examples || [], target: c.target || 'local' }));
}

function writeQueries(dir, queries) {
  for (const q of queries) {
    if (q.includes('\n')) throw new Error(`a query holds a line break: ${JSON.stringify(q)}`);
  }
  const file = path.join(dir, 'queries.txt');
  fs.writeFileSync(file, queries.map((q) => q + '\n').join(''));
  return file;
}

function builtinDataset(workDir) {
  const labelled = JSON.parse(fs.readFileSync(paraphrasesFile, 'utf8'));
  const dir = fs.mkdtempSync(path.join(workDir, 'builtin-'));
  const queries = labelled.map((entry) => entry.query);
  return {
    title: 'built-in corpus, labelled paraphrases (test/engine/paraphrases.json)',
    corpusArg: 'builtin',
    corpusFile: null,
    commands: commandsOf(fs.readFileSync(builtinCorpusFile, 'utf8')),
    queries,
    labels: labelled.map((entry) => ({ target: entry.target, command: entry.command })),
    queriesFile: writeQueries(dir, queries),
  };
}

// A synthetic corpus of `size` commands and `count` queries, each a paraphrase
// of one command (bench/engine/synthetic_corpus.cpp, made by the driver).
function syntheticDataset(workDir, driver, size, count) {
  const dir = fs.mkdtempSync(path.join(workDir, `synthetic-${size}-`));
  const made = spawnSync(driver, ['corpus', String(size), String(count), String(42 + size), dir], { stdio: 'inherit' });
  if (made.status !== 0) throw new Error(`route_bench_engine corpus failed (exit ${made.status})`);
  const lines = (file) => fs.readFileSync(path.join(dir, file), 'utf8').split('\n').slice(0, -1);
  const corpusFile = path.join(dir, 'corpus.json');
  return {
    title: `synthetic corpus of ${size.toLocaleString('en-US')} commands, paraphrased queries`,
    corpusArg: corpusFile,
    corpusFile,
    commands: commandsOf(fs.readFileSync(corpusFile, 'utf8')),
    queries: lines('queries.txt'),
    labels: lines('labels.txt').map((command) => ({ target: 'local', command })),
    queriesFile: path.join(dir, 'queries.txt'),
  };
}

// Served: the target is the label's, and where the label names a command, that
// command was chosen.
function served(label, target, command) {
  return target === label.target && (label.command === undefined || command === label.command);
}

module.exports = { builtinDataset, syntheticDataset, served };
