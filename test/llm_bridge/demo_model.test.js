'use strict';
// The demo model in models/demo answers every request its README lists, through
// the real prompts of llm_bridge.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { llmBridge: llm } = require('../../lib');
const demo = require('../../models/demo/make-demo-model');

const DEMO_DIR = path.resolve(__dirname, '..', '..', 'models', 'demo');
const SLOT_MEDIA_TYPE = { music: 'music', videoPlay: 'video' };

test.before(() => llm.loadModel(DEMO_DIR, 'CPU'));
test.after(() => llm.unloadModel());

test('the committed scripted_model.json is what the generator writes', () => {
  const committed = JSON.parse(fs.readFileSync(path.join(DEMO_DIR, 'scripted_model.json'), 'utf8'));
  assert.deepEqual(committed, demo.buildModel());
});

test('generate answers each listed request with its command, details or confirmation', async () => {
  for (const { user, command, slot, details } of demo.COMMANDS) {
    const expected = slot ? details : command === '播放指定音乐或视频指令' ? '[CONFIRM:MUSIC_OR_VIDEO]' : command;
    assert.equal(await llm.generate(user), expected, user);
  }
});

test('generateWithMediaType answers the listed media requests', async () => {
  const requests = [
    ...demo.MEDIA_REQUESTS,
    ...demo.COMMANDS.filter((entry) => entry.slot in SLOT_MEDIA_TYPE),
  ];
  for (const { user, slot, details } of requests) {
    assert.equal(await llm.generateWithMediaType(user, SLOT_MEDIA_TYPE[slot]), details, `${user} (${slot})`);
  }
});

test('chat answers the listed texts with one of their scripted replies', async () => {
  for (const { user, replies } of demo.CHATS) {
    assert.ok(replies.includes(await llm.chat(user)), user);
  }
  assert.equal(await llm.chat('今天天气怎么样'), '抱歉，豆豆还没学会这个～');
});
