'use strict';
// generateWithMediaType(): one slot call for "music" or "video", nothing for any
// other media type.
const test = require('node:test');
const assert = require('node:assert/strict');
const { llmBridge: llm } = require('../../lib');
const { createScriptedModel, hexOf } = require('../support/scripted_model');

const { MUSIC_HEAD, VIDEO_PLAY_HEAD, SINGER_CUE, ACTOR_CUE, COMMAND_SETTINGS } = require('./prompts');

let model;
test.before(async () => {
  model = createScriptedModel({
    rules: [
      { prompt: MUSIC_HEAD + '我想听晴天' + SINGER_CUE, reply: '周杰伦，歌名为晴天' },
      { prompt: VIDEO_PLAY_HEAD + '我想看甄嬛传第三集' + ACTOR_CUE, reply: '孙俪，剧名为甄嬛传，剧集为第三集' },
      { prompt: MUSIC_HEAD + SINGER_CUE, reply: '未知，歌名为未知' },
      { prompt: MUSIC_HEAD + '放首歌' + SINGER_CUE, reply: '  \n周杰伦，歌名为稻香 \n' },
    ],
    default: 'NO RULE MATCHED',
  });
  await llm.loadModel(model.dir, 'CPU');
});
test.after(() => {
  llm.unloadModel();
  model.remove();
});
test.beforeEach(() => model.clearLog());

test('"music" makes one call on the music slot prompt (the worked example)', async () => {
  assert.equal(await llm.generateWithMediaType('我想听晴天', 'music'), '周杰伦，歌名为晴天');
  const calls = model.generateEvents();
  assert.equal(calls.length, 1);
  assert.equal(Buffer.byteLength(calls[0].prompt), 183);
  assert.equal(calls[0].prompt_hex, hexOf(MUSIC_HEAD + '我想听晴天' + SINGER_CUE));
  assert.deepEqual(calls[0].settings, COMMAND_SETTINGS);
});

test('"video" always uses the play head and the actor cue', async () => {
  assert.equal(await llm.generateWithMediaType('我想看甄嬛传第三集', 'video'), '孙俪，剧名为甄嬛传，剧集为第三集');
  const [call] = model.generateEvents();
  assert.equal(call.prompt_hex, hexOf(VIDEO_PLAY_HEAD + '我想看甄嬛传第三集' + ACTOR_CUE));
  assert.ok(!call.prompt.includes('搜索视频'));
  assert.deepEqual(call.settings, COMMAND_SETTINGS);
});

test('any other media type resolves with the empty string and makes no call', async () => {
  for (const mediaType of ['Music', 'MUSIC', ' music', 'music ', 'Video', 'video\n', 'movie', '']) {
    assert.equal(await llm.generateWithMediaType('我想听晴天', mediaType), '', JSON.stringify(mediaType));
  }
  assert.equal(model.generateEvents().length, 0);
});

test('an empty user text still makes the call on the bare head and cue', async () => {
  assert.equal(await llm.generateWithMediaType('', 'music'), '未知，歌名为未知');
  assert.equal(model.generateEvents()[0].prompt_hex, hexOf(MUSIC_HEAD + SINGER_CUE));
});

test('the reply keeps the whitespace the model produced', async () => {
  assert.equal(await llm.generateWithMediaType('放首歌', 'music'), '  \n周杰伦，歌名为稻香 \n');
});
