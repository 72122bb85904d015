'use strict';
// generate(): the command prompt, the phrase table with its trimming, the media
// slot prompts, the confirmation token and the settings of both model calls.
const test = require('node:test');
const assert = require('node:assert/strict');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel, hexOf } = require('../support/scripted_model');

const {
  COMMAND_HEAD, AGENT_CUE, MUSIC_HEAD, VIDEO_PLAY_HEAD, VIDEO_SEARCH_HEAD, SINGER_CUE, ACTOR_CUE, COMMAND_SETTINGS,
  commandPrompt, musicPrompt, videoPlayPrompt, videoSearchPrompt,
} = require('./prompts');

const MUSIC_SLOTS = '周杰伦，歌名为晴天';
const VIDEO_PLAY_SLOTS = '孙俪，剧名为甄嬛传，剧集为第3集';
const VIDEO_SEARCH_SLOTS = '胡歌，剧名为琅琊榜';

// A loaded model whose first reply to `user` is `firstReply` and whose three slot
// prompts for `user` answer with distinct texts.
async function loadWithFirstReply(user, firstReply, extraRules = []) {
  const model = createScriptedModel({
    rules: [
      { prompt: commandPrompt(user), reply: firstReply },
      { prompt: musicPrompt(user), reply: MUSIC_SLOTS },
      { prompt: videoPlayPrompt(user), reply: VIDEO_PLAY_SLOTS },
      { prompt: videoSearchPrompt(user), reply: VIDEO_SEARCH_SLOTS },
      ...extraRules,
    ],
    default: 'NO RULE MATCHED',
  });
  await llm.loadModel(model.dir, 'CPU');
  return model;
}

test.afterEach(() => llm.unloadModel());

test('the prompt pieces have their defined byte lengths', () => {
  const lengths = [COMMAND_HEAD, AGENT_CUE, MUSIC_HEAD, VIDEO_PLAY_HEAD, VIDEO_SEARCH_HEAD, SINGER_CUE, ACTOR_CUE]
    .map((piece) => Buffer.byteLength(piece));
  assert.deepEqual(lengths, [103, 11, 148, 157, 157, 20, 20]);
});

test('the first prompt is head, user text and cue, byte for byte, with the command settings', async () => {
  const model = await loadWithFirstReply('打开计算器', '打开应用指令');
  try {
    assert.equal(await llm.generate('打开计算器'), '打开应用指令');
    const [call] = model.generateEvents();
    assert.equal(Buffer.byteLength(call.prompt), 129);
    assert.equal(call.prompt_hex, hexOf(commandPrompt('打开计算器')));
    assert.equal(call.input, 'string');
    assert.deepEqual(call.settings, COMMAND_SETTINGS);
    assert.deepEqual(Object.keys(call.settings).sort(), Object.keys(COMMAND_SETTINGS));
  } finally {
    model.remove();
  }
});

test('the user text goes into the prompts untouched, line feeds and spaces included', async () => {
  const user = ' 放首歌\n晴天 ';
  const model = await loadWithFirstReply(user, '播放指定音乐指令');
  try {
    assert.equal(await llm.generate(user), MUSIC_SLOTS);
    const [first, second] = model.generateEvents();
    assert.equal(first.prompt_hex, hexOf(commandPrompt(user)));
    assert.equal(second.prompt_hex, hexOf(musicPrompt(user)), 'the slot prompt holds the user text, not the command');
  } finally {
    model.remove();
  }
});

test('media command names select their slot prompt after ASCII whitespace is trimmed', async () => {
  const cases = [
    ['指定音乐指令', musicPrompt, MUSIC_SLOTS],
    ['播放指定音乐指令', musicPrompt, MUSIC_SLOTS],
    ['播放指定音乐指令\n', musicPrompt, MUSIC_SLOTS],
    ['  播放指定音乐指令 ', musicPrompt, MUSIC_SLOTS],
    ['\t指定音乐指令\r\n', musicPrompt, MUSIC_SLOTS],
    ['播放指定视频指令', videoPlayPrompt, VIDEO_PLAY_SLOTS],
    ['\v播放指定视频指令\f', videoPlayPrompt, VIDEO_PLAY_SLOTS],
    ['搜索指定视频指令', videoSearchPrompt, VIDEO_SEARCH_SLOTS],
    ['搜索指定视频指令 \n', videoSearchPrompt, VIDEO_SEARCH_SLOTS],
  ];
  for (const [firstReply, slotPrompt, slots] of cases) {
    const user = '帮我放一下';
    const model = await loadWithFirstReply(user, firstReply);
    try {
      assert.equal(await llm.generate(user), slots, JSON.stringify(firstReply));
      const calls = model.generateEvents();
      assert.equal(calls.length, 2);
      assert.equal(calls[1].prompt_hex, hexOf(slotPrompt(user)), JSON.stringify(firstReply));
      assert.deepEqual(calls[1].settings, COMMAND_SETTINGS);
    } finally {
      llm.unloadModel();
      model.remove();
    }
  }
});

test('the worked slot example: 我想听晴天 gives the continuation after 歌手为 and nothing else', async () => {
  const user = '我想听晴天';
  const model = await loadWithFirstReply(user, '播放指定音乐指令\n', [
    { prompt: musicPrompt(user), reply: '周杰伦，歌名为晴天' },
  ]);
  try {
    const reply = await llm.generate(user);
    assert.equal(reply, '周杰伦，歌名为晴天');
    assert.equal(Buffer.byteLength(model.generateEvents()[1].prompt), 148 + 15 + 20);
  } finally {
    model.remove();
  }
});

test('anything but a whole command name comes back exactly as the model wrote it, after one call', async () => {
  const replies = [
    '播放指定音乐指令。',
    '\u3000播放指定音乐指令\u3000',
    '播放指定音乐',
    '请播放指定音乐指令',
    '\n打开计算器 ',
    '关机指令',
    '',
    ' \t\n',
  ];
  for (const firstReply of replies) {
    const model = await loadWithFirstReply('x', firstReply);
    try {
      assert.equal(await llm.generate('x'), firstReply, JSON.stringify(firstReply));
      assert.equal(model.generateEvents().length, 1, JSON.stringify(firstReply));
    } finally {
      llm.unloadModel();
      model.remove();
    }
  }
});

test('the music-or-video command yields the confirmation token after a single call', async () => {
  for (const firstReply of ['播放指定音乐或视频指令', ' 播放指定音乐或视频指令\n']) {
    const model = await loadWithFirstReply('放一下青花瓷', firstReply);
    try {
      assert.equal(await llm.generate('放一下青花瓷'), '[CONFIRM:MUSIC_OR_VIDEO]');
      assert.equal(model.generateEvents().length, 1);
    } finally {
      llm.unloadModel();
      model.remove();
    }
  }
});

test('slot replies are returned untrimmed, and an empty one as the empty string', async () => {
  for (const slotReply of ['', ' 周杰伦，歌名为晴天\n', null]) {
    const model = createScriptedModel({
      rules: [
        { prompt: commandPrompt('来点音乐'), reply: '播放指定音乐指令' },
        { prompt: musicPrompt('来点音乐'), reply: slotReply },
      ],
    });
    try {
      await llm.loadModel(model.dir, 'CPU');
      assert.equal(await llm.generate('来点音乐'), slotReply ?? '', JSON.stringify(slotReply));
    } finally {
      llm.unloadModel();
      model.remove();
    }
  }
});

test('an empty user text still makes both calls on the bare heads and cues', async () => {
  const model = await loadWithFirstReply('', '播放指定音乐指令');
  try {
    assert.equal(await llm.generate(''), MUSIC_SLOTS);
    const [first, second] = model.generateEvents();
    assert.equal(first.prompt_hex, hexOf(COMMAND_HEAD + AGENT_CUE));
    assert.equal(second.prompt_hex, hexOf(MUSIC_HEAD + SINGER_CUE));
  } finally {
    model.remove();
  }
});

test('decoding is greedy: repeating a request repeats the result', async () => {
  const model = await loadWithFirstReply('听歌', ['播放指定音乐指令', '打开计算器', '关机指令']);
  try {
    for (let i = 0; i < 10; i++) assert.equal(await llm.generate('听歌'), MUSIC_SLOTS);
  } finally {
    model.remove();
  }
});

test('replies are cut to the 30-token bound of the command settings', async () => {
  const long = '很'.repeat(40);
  const model = await loadWithFirstReply('长', long);
  try {
    assert.equal(await llm.generate('长'), '很'.repeat(30));
  } finally {
    model.remove();
  }
});

test('a failing slot call rejects the whole request and discards the first reply', async () => {
  const user = '我想听晴天';
  const model = createScriptedModel({
    rules: [
      { prompt: commandPrompt(user), reply: '播放指定音乐指令' },
      { prompt: musicPrompt(user), fail: 'NPU inference request failed' },
    ],
  });
  await llm.loadModel(model.dir, 'CPU');
  try {
    await assert.rejects(llm.generate(user), (reason) => reason === 'Generation failed: NPU inference request failed');
    assert.equal(model.generateEvents().length, 2);
    assert.equal(llm.isModelLoaded(), true);
  } finally {
    model.remove();
  }
});
