'use strict';
// The prompt pieces and generation settings llm_bridge is expected to send,
// written out independently of the module so the suites check its bytes.
const COMMAND_HEAD = '你是个智能体，请根据用户的问题，选择最满足用户需求的电脑指令。\n用户：';
const AGENT_CUE = '\n智能体:';
const MUSIC_HEAD = '你是个智能体，用户提出了播放歌曲的要求，请根据用户的问题，从中提取用户指定歌曲的歌名，歌手。\n用户：';
const VIDEO_PLAY_HEAD = '你是个智能体，用户提出了播放视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：';
const VIDEO_SEARCH_HEAD = '你是个智能体，用户提出了搜索视频的要求，请根据用户的问题，从中提取用户指定视频的演员，剧名，剧集。\n用户：';
const SINGER_CUE = '\n智能体:歌手为';
const ACTOR_CUE = '\n智能体:演员为';
const PERSONA_HEAD =
  '你是豆豆，一只住在桌面上的可爱桌宠。请用简短、口语化、友好的中文回答用户，不超过两三句话。\n用户：';

// The settings of every command and media call, as the stand-in logs them.
const COMMAND_SETTINGS = {
  apply_chat_template: { type: 'bool', value: false },
  do_sample: { type: 'bool', value: false },
  max_new_tokens: { type: 'size_t', value: 30 },
  temperature: { type: 'float', value: 0 },
  top_p: { type: 'float', value: 1 },
};

module.exports = {
  COMMAND_HEAD,
  AGENT_CUE,
  MUSIC_HEAD,
  VIDEO_PLAY_HEAD,
  VIDEO_SEARCH_HEAD,
  SINGER_CUE,
  ACTOR_CUE,
  PERSONA_HEAD,
  COMMAND_SETTINGS,
  commandPrompt: (user) => COMMAND_HEAD + user + AGENT_CUE,
  musicPrompt: (user) => MUSIC_HEAD + user + SINGER_CUE,
  videoPlayPrompt: (user) => VIDEO_PLAY_HEAD + user + ACTOR_CUE,
  videoSearchPrompt: (user) => VIDEO_SEARCH_HEAD + user + ACTOR_CUE,
};
