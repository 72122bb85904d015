'use strict';
// The engine's own text for a failure (Norvik_LastErrorMessage, scripted by an
// entry's "message") reaches the script as the `detail` of the thrown Error; the
// message stays the fixed one. An engine that offers no text adds no `detail`.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const lib = require('../../lib');
const { bridge, useReplies } = require('./scripted_session');

function thrownBy(call) {
  try {
    call();
  } catch (error) {
    return error;
  }
  assert.fail('the call did not throw');
}

test('the engine text of the failing call is the detail; the message is unchanged', () => {
  useReplies({
    Norvik_Route: [{ code: -2, message: 'query is null' }],
    Norvik_AddCorpus: [{ code: -3, message: 'commands[1] (id 205): "name" is missing' }],
    Norvik_GetCommandCount: [{ code: -1 }],
  });
  const route = thrownBy(() => bridge.route('打开'));
  assert.deepEqual([route.message, route.detail], ['Norvik_Route failed with code -2', 'query is null']);
  const corpus = thrownBy(() => bridge.addCorpus('[]'));
  assert.equal(corpus.detail, 'commands[1] (id 205): "name" is missing');
  // Without a scripted text the engine names the function and its result.
  assert.equal(thrownBy(() => bridge.getCommandCount()).detail, 'scripted engine: Norvik_GetCommandCount returned -1');
  assert.deepEqual(Object.keys(route), ['detail']);
  assert.equal('code' in route, false);
});

test('no detail when the engine offers no text: null, empty, or an argument error', () => {
  useReplies({ Norvik_ClearUserCorpus: [{ code: 7, message: null }, { code: 7, message: '' }] });
  for (let i = 0; i < 2; i++) {
    const error = thrownBy(() => bridge.clearUserCorpus());
    assert.equal(error.message, 'Norvik_ClearUserCorpus failed with code 7');
    assert.equal('detail' in error, false);
  }
  assert.equal('detail' in thrownBy(() => bridge.route(42)), false);
});

test('a script that cannot be used is explained with the place of its JSON error', () => {
  useReplies();
  const broken = thrownBy(() => bridge.initFromFile(__filename));
  assert.equal(broken.message, 'Norvik_InitFromFile failed with code -3');
  assert.match(broken.detail, /^cannot use script ".*engine_error_detail\.test\.js": invalid JSON at line 1, column 1: /);
});

test('intent_bridge works with an engine that has no Norvik_LastErrorMessage', (t) => {
  const copy = lib.modulePath('scripted-without-messages', 'intent_bridge.node');
  if (!fs.existsSync(copy)) return t.skip(`${copy} is not built`);
  // A process of its own: a process binds one libnorvik.
  const { execFileSync } = require('child_process');
  const out = execFileSync(process.execPath, [require.resolve('./support/without_messages_child.js'), copy], {
    encoding: 'utf8',
  });
  assert.deepEqual(JSON.parse(out), {
    route: { target: 'chat' },
    error: { message: 'Norvik_Route failed with code -3', hasDetail: false },
  });
});
