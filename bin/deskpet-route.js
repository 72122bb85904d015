#!/usr/bin/env node
'use strict';
// deskpet-route: the routing engine from the shell, for people who write corpora.
// Run with --help for the usage; exit codes are listed there.
const fs = require('fs');
const { parseArgs } = require('util');
const { formatTable } = require('../lib/cli/text_table');
const corpusFiles = require('../lib/cli/corpus_files');
const { checkCorpusText } = require('../lib/cli/corpus_check');
const { readLabelledSet, evaluate } = require('../lib/cli/evaluate');
const { riskOf } = require('../lib/cli/risk');

const EXIT_OK = 0;
const EXIT_PROBLEMS = 1;
const EXIT_USAGE = 2;

const HELP = `Usage: deskpet-route [options] [phrase ...]

Routes each phrase with the reference engine and prints its target, confidence,
matched command and slots (the route's patternAction). With no phrase and no
job option, phrases are read from standard input, one per line.

Options:
  --corpus FILE   add the commands of a corpus file to the built-in ones, as an
                  app's addCorpusFromFile does (a command with a built-in id
                  replaces it); may be given more than once
  --no-builtin    start from the first --corpus file alone (initFromFile);
                  with --check, do not compare with the built-in corpus
  --list          list the commands in effect: id, name, target, risk, action
  --check FILE    check a corpus file: every problem with its line, column and
                  member, and ids or names that are also built in
  --eval FILE     score a labelled set (a JSON array of {query, target, command})
                  routed with the commands in effect: accuracy per command, the
                  confusions, and routes that ran a machine-changing command the
                  label did not ask for
  --json          print JSON instead of tables
  -h, --help      show this help

The built-in corpus is ${corpusFiles.BUILTIN_CORPUS}
(embedded into the engine when it is built; this copy is what --list reads).

Exit codes:
  0  done (for --check: no errors; warnings may have been printed)
  1  --check found errors, the engine refused a corpus, or the native modules
     could not be loaded
  2  bad usage, or a file that cannot be read or parsed
`;

class UsageError extends Error {}

function parseCommandLine(argv) {
  try {
    const { values, positionals } = parseArgs({
      args: argv,
      allowPositionals: true,
      options: {
        corpus: { type: 'string', multiple: true, default: [] },
        'no-builtin': { type: 'boolean', default: false },
        list: { type: 'boolean', default: false },
        check: { type: 'string' },
        eval: { type: 'string' },
        json: { type: 'boolean', default: false },
        help: { type: 'boolean', short: 'h', default: false },
      },
    });
    const jobs = ['list', 'check', 'eval'].filter((job) => values[job] !== undefined && values[job] !== false);
    if (jobs.length > 1) throw new UsageError(`--${jobs.join(' and --')} cannot be combined`);
    if (jobs.length === 1 && positionals.length > 0) throw new UsageError(`phrases cannot be given with --${jobs[0]}`);
    if (values['no-builtin'] && values.corpus.length === 0 && values.check === undefined) throw new UsageError('--no-builtin needs a --corpus file');
    return { ...values, noBuiltin: values['no-builtin'], phrases: positionals, job: jobs[0] || 'route' };
  } catch (err) {
    throw new UsageError(err.message);
  }
}

function readText(file) {
  try {
    return fs.readFileSync(file, 'utf8');
  } catch (err) {
    throw new UsageError(`cannot read ${file}: ${err.message}`);
  }
}

function readJson(file) {
  try {
    return JSON.parse(readText(file));
  } catch (err) {
    throw err instanceof UsageError ? err : new UsageError(`${file} is not valid JSON: ${err.message}`);
  }
}

// The engine's text for a refused corpus: the Error's message, and the details
// the engine gives when it gives any.
function engineMessage(err) {
  if (err.detail === undefined) return err.message;
  return `${err.message}: ${typeof err.detail === 'string' ? err.detail : JSON.stringify(err.detail)}`;
}

// Starts the engine with the commands in effect; returns the intent bridge.
function startEngine(opts) {
  const { intentBridge } = require('..');
  for (const file of opts.corpus) readJson(file);  // a file the engine cannot read is a usage error
  const [first, ...rest] = opts.corpus;
  try {
    if (opts.noBuiltin) intentBridge.initFromFile(first);
    else intentBridge.init();
    for (const file of opts.noBuiltin ? rest : opts.corpus) intentBridge.addCorpusFromFile(file);
  } catch (err) {
    const problem = new Error(`the engine refused the corpus: ${engineMessage(err)} (run deskpet-route --check FILE)`);
    problem.exitCode = EXIT_PROBLEMS;
    throw problem;
  }
  return intentBridge;
}

function commandsInEffect(opts) {
  const base = opts.noBuiltin ? [] : corpusFiles.readBuiltinCommands();
  return corpusFiles.commandsInEffect(base, opts.corpus);
}

function describeSlots(patternAction) {
  return patternAction ? Object.entries(patternAction).map(([k, v]) => `${k}=${v}`).join(' ') : '';
}

function readPhrases(opts) {
  if (opts.phrases.length > 0) return opts.phrases;
  if (process.stdin.isTTY) process.stderr.write('deskpet-route: reading phrases, one per line (end with Ctrl-D)\n');
  return fs.readFileSync(0, 'utf8').split(/\r?\n/).map((line) => line.trim()).filter((line) => line !== '');
}

function routeJob(opts) {
  const phrases = readPhrases(opts);
  const bridge = startEngine(opts);
  const routes = phrases.map((phrase) => ({ phrase, ...bridge.route(phrase) }));
  if (opts.json) return console.log(JSON.stringify(routes, null, 2));
  console.log(formatTable(['phrase', 'target', 'confidence', 'command', 'slots'], routes.map((r) => [
    r.phrase, r.target, r.confidence.toFixed(2), r.matchedCommand ? `${r.matchedCommand.name} (${r.matchedCommand.id})` : '-',
    describeSlots(r.patternAction),
  ])));
  return EXIT_OK;
}

function listJob(opts) {
  const table = corpusFiles.readRiskDefaults();
  const commands = commandsInEffect(opts).map((c) => ({
    id: c.id, name: c.name, target: c.target || 'local', risk: riskOf(c, table), action: c.action || null,
  }));
  if (opts.json) return console.log(JSON.stringify(commands, null, 2));
  console.log(formatTable(['id', 'name', 'target', 'risk', 'action'], commands.map((c) => [
    String(c.id), c.name, c.target, c.risk, describeSlots(c.action),
  ])));
  console.log(`\n${commands.length} commands${table ? '' : ' (no risk_defaults.json: commands without a risk member count as "change")'}`);
  return EXIT_OK;
}

function checkJob(opts) {
  const file = opts.check;
  const problems = checkCorpusText(readText(file), opts.noBuiltin ? [] : corpusFiles.readBuiltinCommands());
  // The engine has the last word: what it refuses is an error even when the
  // checks above found nothing.
  let engineVerdict = null;
  try {
    const { intentBridge } = require('..');
    intentBridge.init();
    intentBridge.addCorpusFromFile(file);
  } catch (err) {
    engineVerdict = engineMessage(err);
  }
  const errors = problems.filter((p) => p.severity === 'error').length + (engineVerdict && !problems.some((p) => p.severity === 'error') ? 1 : 0);
  if (opts.json) {
    console.log(JSON.stringify({ file, problems, engine: engineVerdict || 'accepted' }, null, 2));
  } else {
    for (const p of problems) {
      console.log(`${file}:${p.line}:${p.column}: ${p.severity}: ${p.member ? `${p.member}: ` : ''}${p.message}`);
    }
    console.log(`engine: ${engineVerdict ? `refused (${engineVerdict})` : 'accepted'}`);
    const warnings = problems.filter((p) => p.severity === 'warning').length;
    console.log(`${errors} error${errors === 1 ? '' : 's'}, ${warnings} warning${warnings === 1 ? '' : 's'}`);
  }
  return errors > 0 ? EXIT_PROBLEMS : EXIT_OK;
}

function percent(part, whole) {
  return whole === 0 ? '-' : `${((100 * part) / whole).toFixed(1)} %`;
}

function evalJob(opts) {
  let entries;
  try {
    entries = readLabelledSet(readJson(opts.eval));
  } catch (err) {
    throw err instanceof UsageError ? err : new UsageError(`${opts.eval}: ${err.message}`);
  }
  const bridge = startEngine(opts);
  const report = evaluate(entries, (q) => bridge.route(q), commandsInEffect(opts), corpusFiles.readRiskDefaults());
  if (opts.json) return console.log(JSON.stringify(report, null, 2));
  console.log(`${opts.eval}: ${report.total} labelled phrases`);
  console.log(`served: ${report.served} (${percent(report.served, report.total)}); ` +
    `served or deferred to the LLM: ${report.servedOrDeferred} (${percent(report.servedOrDeferred, report.total)})`);
  console.log(`harmful: ${report.harmful.length} routes ran a machine-changing command the label did not ask for` +
    `${report.riskTable ? '' : ' (no risk_defaults.json: commands without a risk member count as "change")'}`);
  for (const h of report.harmful) console.log(`  ${h.query} -> ${h.command} (${h.risk}; label ${h.label})`);
  console.log('\naccuracy per label\n' + formatTable(['label', 'served', 'of', 'accuracy'],
    report.perLabel.map((r) => [r.label, String(r.served), String(r.total), percent(r.served, r.total)])));
  if (report.confusions.length > 0) {
    console.log('\nconfusions\n' + formatTable(['label', 'routed to', 'count', 'for example'],
      report.confusions.map((c) => [c.label, c.routed, String(c.count), c.queries[0]])));
  }
  return EXIT_OK;
}

function main(argv) {
  let opts;
  try {
    opts = parseCommandLine(argv);
    if (opts.help) {
      process.stdout.write(HELP);
      return EXIT_OK;
    }
    const jobs = { route: routeJob, list: listJob, check: checkJob, eval: evalJob };
    return jobs[opts.job](opts) || EXIT_OK;
  } catch (err) {
    process.stderr.write(`deskpet-route: ${err.message}\n`);
    if (err instanceof UsageError) {
      process.stderr.write('Run deskpet-route --help for the usage.\n');
      return EXIT_USAGE;
    }
    return err.exitCode || EXIT_PROBLEMS;
  }
}

process.exitCode = main(process.argv.slice(2));
