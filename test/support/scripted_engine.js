'use strict';
// Drives the scripted norvik engine (build/scripted/libnorvik.so, norvik.dll on
// Windows) from Node suites: writes a script in a fresh temporary folder and
// reads back the engine's call log.
//
//   const { makeScript } = require('../support/scripted_engine');
//   const script = makeScript({ Norvik_Route: [{ json: '{"target":"local"}' }] });
//   bridge.initFromFile(script.path);   // loads it (a later load replaces it)
//   bridge.route('hi');
//   script.readLog();                   // [{ fn: 'Norvik_Route', query_hex: '6869', ... }]
//
// Once a script is loaded, the loading call of the next script is answered and
// logged by the current one: give each test its own script and load it first.

const fs = require('fs');
const os = require('os');
const path = require('path');

// The parsed lines of a call log; no file yet means no calls.
function readLogFile(logPath) {
  let text;
  try {
    text = fs.readFileSync(logPath, 'utf8');
  } catch (err) {
    if (err.code === 'ENOENT') return [];
    throw err;
  }
  return text.split('\n').filter((line) => line !== '').map((line) => JSON.parse(line));
}

// `replies` maps engine function names (e.g. 'Norvik_Route') to lists of entries.
// Returns { dir, path, logPath, readLog(), remove() }; paths are absolute.
function makeScript(replies = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-scripted-'));
  const scriptPath = path.resolve(dir, 'script.json');
  const logPath = path.resolve(dir, 'calls.jsonl');
  fs.writeFileSync(scriptPath, JSON.stringify({ log: logPath, replies }));
  return {
    dir,
    path: scriptPath,
    logPath,
    readLog: () => readLogFile(logPath),
    // Deletes the folder; a script the engine still holds keeps answering, but
    // its calls are no longer logged.
    remove: () => fs.rmSync(dir, { recursive: true, force: true }),
  };
}

// The text behind a "<name>_hex" log value (null stays null).
function hexToText(hex) {
  return hex === null ? null : Buffer.from(hex, 'hex').toString('utf8');
}

module.exports = { makeScript, hexToText };
