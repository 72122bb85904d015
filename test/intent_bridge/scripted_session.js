'use strict';
// Shared by the intent_bridge suites: the module copy bound to the scripted
// engine, and a way to load a fresh script of engine replies into it.
const { makeScript } = require('../support/scripted_engine');
const bridge = require('../../lib').scriptedIntentBridge;

// Loads `replies` (engine function name -> reply entries) and returns a reader
// of the calls that one engine function received from then on.
function useReplies(replies = {}) {
  const script = makeScript(replies);
  bridge.initFromFile(script.path);
  return { calls: (fn) => script.readLog().filter((record) => record.fn === fn) };
}

const hex = (text) => Buffer.from(text, 'utf8').toString('hex');

module.exports = { bridge, useReplies, hex };
