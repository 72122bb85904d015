#!/usr/bin/env node
// Writes scripted_model.json beside this file: a scripted stand-in model whose
// rules answer exactly the prompts that llm_bridge builds for a few requests.
//   node models/demo/make-demo-model.js
'use strict';
const fs = require('fs');
const path = require('path');

// The prompt pieces llm_bridge sends, byte for byte.
const COMMAND_HEAD = '你是个智能体，请根据用户的问题，选择最满足用户需求的电脑指令。\n用户：';
const AGENT_CUE = '\n智能体:';
const MUSIC_HEAD = '你是个智能体，用户提出了播放歌曲的要求，请根据用户的问题，从中提取用户指定歌曲的歌名，歌手。\n用户：';
const VIDEO_PLAY_HEAD = '你是个智能体，用户提出了播放视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：';
const VIDEO_SEARCH_HEAD = '你是个智能体，用户提出了搜索视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：';
const SINGER_CUE = '\n智能体:歌手为';
const ACTOR_CUE = '\n智能体:演员为';
const PERSONA_HEAD =
  '你是豆豆，一只住在桌面上的可爱桌宠。请用简短、口语化、友好的中文回答用户，不超过两三句话。\n用户：';
const CHAT_TEMPLATE = '<|im_start|>user\n{prompt}<|im_end|>\n<|im_start|>assistant\n';

const SLOT_PROMPTS = {
  music: (user) => MUSIC_HEAD + user + SINGER_CUE,
  videoPlay: (user) => VIDEO_PLAY_HEAD + user + ACTOR_CUE,
  videoSearch: (user) => VIDEO_SEARCH_HEAD + user + ACTOR_CUE,
};

// generate(user): the command the model names and, for media commands, the
// details it extracts (the text after 歌手为 / 演员为).
const COMMANDS = [
  { user: '打开计算器', command: '打开计算器' },
  { user: '帮我打开记事本', command: '打开记事本' },
  { user: '我想听周杰伦的晴天', command: '播放指定音乐指令', slot: 'music', details: '周杰伦，歌名为晴天' },
  { user: '放一首邓紫棋的光年之外', command: '指定音乐指令', slot: 'music', details: '邓紫棋，歌名为光年之外' },
  { user: '播放甄嬛传第三集', command: '播放指定视频指令', slot: 'videoPlay', details: '孙俪，剧名为甄嬛传，剧集为第3集' },
  { user: '搜索胡歌演的琅琊榜', command: '搜索指定视频指令', slot: 'videoSearch', details: '胡歌，剧名为琅琊榜，剧集为全部' },
  { user: '放一下青花瓷', command: '播放指定音乐或视频指令' },
];

// generateWithMediaType(user, type) beyond the slot prompts above.
const MEDIA_REQUESTS = [
  { user: '我想听晴天', slot: 'music', details: '周杰伦，歌名为晴天' },
  { user: '放一下青花瓷', slot: 'music', details: '周杰伦，歌名为青花瓷' },
  { user: '放一下青花瓷', slot: 'videoPlay', details: '周杰伦，剧名为青花瓷MV，剧集为无' },
];

// chat(user): sampled replies.
const CHATS = [
  {
    user: '你好',
    replies: ['你好呀！我是豆豆，今天过得怎么样？', '嗨～豆豆在这儿呢，想聊点什么？', '你好你好！见到你真开心～'],
  },
  {
    user: '今天好累啊',
    replies: [
      '辛苦啦！先喝口水歇一歇吧，豆豆陪着你～',
      '累了就休息一会儿嘛，你已经很棒啦！',
      '抱抱你～早点睡个好觉，明天又是元气满满的一天！',
    ],
  },
  {
    user: '给我讲个笑话',
    replies: ['小明问妈妈：“我是不是你亲生的？”妈妈说：“别闹，快去写作业。”哈哈～', '为什么企鹅不怕冷？因为它穿着燕尾服呀！嘿嘿～'],
  },
];

function buildModel() {
  const rules = [];
  for (const { user, command, slot, details } of COMMANDS) {
    rules.push({ prompt: COMMAND_HEAD + user + AGENT_CUE, reply: command });
    if (slot) rules.push({ prompt: SLOT_PROMPTS[slot](user), reply: details });
  }
  for (const { user, slot, details } of MEDIA_REQUESTS) {
    rules.push({ prompt: SLOT_PROMPTS[slot](user), reply: details });
  }
  for (const { user, replies } of CHATS) {
    const prompt = PERSONA_HEAD + user;
    // The form the model sees with the chat template applied (what chat() asks
    // for), then the raw prompt, for a caller that turns the template off.
    rules.push({ prompt: CHAT_TEMPLATE.split('{prompt}').join(prompt), reply: replies });
    rules.push({ prompt, reply: replies });
  }
  return {
    devices: ['CPU', 'GPU', 'NPU'],
    chat_template: CHAT_TEMPLATE,
    rules,
    default: '抱歉，豆豆还没学会这个～',
  };
}

if (require.main === module) {
  const file = path.join(__dirname, 'scripted_model.json');
  fs.writeFileSync(file, `${JSON.stringify(buildModel(), null, 2)}\n`);
  console.log(`wrote ${file}`);
}

module.exports = { buildModel, COMMANDS, MEDIA_REQUESTS, CHATS };
