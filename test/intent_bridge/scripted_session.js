'use strict';
// Shared by the intent_bridge suites: the module copy bound to the scripted
// engine, and a way to load a fresh script of engine replies into it.
const { makeScript, hexToText } = require('../support/scripted_engine');
const bridge = require('../../lib').scriptedIntentBridge;

let current = null;
function removeQuietly(script) {
  try {
    script.remove();
  } catch {
    // A log the engine still has open may not be removable on every platform.
  }
}
process.on('exit', () => current && removeQuietly(current));

// Loads `replies` (engine function name -> reply entries) and returns a reader
// of the calls that one engine function received from then on. The previous
// script's folder is removed once the new one is loaded.
function useReplies(replies = {}) {
  const script = makeScript(replies);
  bridge.initFromFile(script.path);
  if (current) removeQuietly(current);
  current = script;
  return { calls: (fn) => script.readLog().filter((record) => record.fn === fn) };
}

const hex = (text) => Buffer.from(text, 'utf8').toString('hex');

module.exports = { bridge, useReplies, hex, hexToText };
