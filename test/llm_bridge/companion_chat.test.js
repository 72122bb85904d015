'use strict';
// chat(): the persona prompt, the chat template, sampling and the trimming of the
// reply.
const test = require('node:test');
const assert = require('node:assert/strict');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel, chatTemplated, hexOf } = require('../support/scripted_model');

const { PERSONA_HEAD } = require('./prompts');

// A model that answers the templated chat prompt for each user text.
async function loadChatModel(replies) {
  const model = createScriptedModel({
    rules: Object.entries(replies).map(([user, reply]) => ({
      prompt: chatTemplated(PERSONA_HEAD + user),
      reply,
    })),
    default: 'NO RULE MATCHED',
  });
  await llm.loadModel(model.dir, 'CPU');
  return model;
}

test.afterEach(() => llm.unloadModel());

test('the persona head has its defined length and nothing follows the user text', async () => {
  assert.equal(Buffer.byteLength(PERSONA_HEAD), 145);
  const model = await loadChatModel({ 你好: '你好呀！我是豆豆，今天想聊点什么？' });
  try {
    assert.equal(await llm.chat('你好'), '你好呀！我是豆豆，今天想聊点什么？');
    const [call] = model.generateEvents();
    assert.equal(Buffer.byteLength(call.prompt), 151);
    assert.equal(call.prompt_hex, hexOf(PERSONA_HEAD + '你好'));
  } finally {
    model.remove();
  }
});

test('the chat settings: sampled, 256 tokens, with the chat template', async () => {
  const model = await loadChatModel({ 你好: '嗨～' });
  try {
    await llm.chat('你好');
    const { settings } = model.generateEvents()[0];
    assert.deepEqual(Object.keys(settings).sort(),
      ['apply_chat_template', 'do_sample', 'max_new_tokens', 'temperature', 'top_p']);
    assert.deepEqual(settings.max_new_tokens, { type: 'size_t', value: 256 });
    assert.deepEqual(settings.do_sample, { type: 'bool', value: true });
    assert.deepEqual(settings.apply_chat_template, { type: 'bool', value: true });
    assert.equal(settings.temperature.type, 'float');
    assert.equal(Math.fround(settings.temperature.value), Math.fround(0.7));
    assert.equal(settings.top_p.type, 'float');
    assert.equal(Math.fround(settings.top_p.value), Math.fround(0.8));
  } finally {
    model.remove();
  }
});

test('the reply loses leading and trailing ASCII whitespace only', async () => {
  const model = await loadChatModel({
    a: '  你好呀！\n',
    b: '\t今天 也要 加油哦\r\n',
    c: '好的呀\u3000',
    d: ' \n\t ',
  });
  try {
    assert.equal(await llm.chat('a'), '你好呀！');
    assert.equal(await llm.chat('b'), '今天 也要 加油哦');
    assert.equal(await llm.chat('c'), '好的呀\u3000');
    assert.equal(await llm.chat('d'), '');
  } finally {
    model.remove();
  }
});

test('an empty user text sends the persona head alone', async () => {
  const model = await loadChatModel({ '': '你想说什么呀？' });
  try {
    assert.equal(await llm.chat(''), '你想说什么呀？');
    assert.equal(model.generateEvents()[0].prompt_hex, hexOf(PERSONA_HEAD));
  } finally {
    model.remove();
  }
});

test('sampling is on: the same text can get different answers', async () => {
  const model = await loadChatModel({ 讲个笑话: ['笑话一', '笑话二'] });
  try {
    const seen = new Set();
    for (let i = 0; i < 40 && seen.size < 2; i++) seen.add(await llm.chat('讲个笑话'));
    assert.deepEqual([...seen].sort(), ['笑话一', '笑话二']);
  } finally {
    model.remove();
  }
});
