'use strict';
// Loads the intent_bridge copy bound to the scripted engine built without
// Norvik_LastErrorMessage (argv[2]), answers one route and one failure, and
// prints what the script saw.
const { makeScript } = require('../../support/scripted_engine');

const bridge = require(process.argv[2]);
const script = makeScript({ Norvik_Route: [{ json: '{"target":"chat"}' }, { code: -3, message: 'unused' }] });
bridge.initFromFile(script.path);
const route = bridge.route('你好');
let error = null;
try {
  bridge.route('你好');
} catch (thrown) {
  error = { message: thrown.message, hasDetail: 'detail' in thrown };
}
script.remove();
process.stdout.write(JSON.stringify({ route, error }));
