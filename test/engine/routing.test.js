'use strict';
// The reference engine with its built-in corpus, through intent_bridge: typical
// requests of every category, similarity, configuration, user corpora and codes.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { intentBridge: bridge } = require('../../lib');

test.beforeEach(() => {
  assert.strictEqual(bridge.init(), true);
});

const typical = [
  // [query, target, matched command name or null for "any", pattern action or undefined]
  ['打开计算器', 'local', '打开计算器'],
  ['帮我打开记事本', 'local', '打开记事本'],
  ['打开 Visual Studio Code', 'local', '打开应用', { type: 'open_app', app: 'Visual Studio Code' }],
  // Closing loses work: a name the corpus does not know is closed by the LLM path,
  // a Latin-letter name by the generic close command.
  ['关掉钉钉', 'llm', null],
  ['关掉steam', 'local', '关闭应用', { type: 'close_app', app: 'steam' }],
  ['把窗口最小化', 'local', '最小化窗口'],
  ['音量调大一点', 'local', '调高音量'],
  ['把音量调到30', 'local', '设置音量', { type: 'volume', op: 'set', level: '30' }],
  ['屏幕调暗一点', 'local', '调低亮度'],
  ['截个图', 'local', '截图'],
  ['锁屏', 'local', '锁屏'],
  ['电脑关机', 'local', '关机'],
  ['重启电脑', 'local', '重启电脑'],
  ['打开蓝牙', 'local', '打开蓝牙'],
  ['把wifi关了', 'local', '关闭WiFi'],
  ['现在几点了', 'local', '查询时间'],
  ['今天几号', 'local', '查询日期'],
  ['明天会下雨吗', 'local', '查询明天天气'],
  ['北京天气怎么样', 'local', '查询城市天气', { type: 'weather', city: '北京' }],
  // A time word is no city; a city before one is still read. Without a pattern,
  // the pattern action is the chosen command's action.
  ['今天天气怎么样', 'local', '查询天气', { type: 'weather', day: 'today' }],
  ['北京明天会下雨吗', 'local', '查询城市明天天气', { type: 'weather', day: 'tomorrow', city: '北京' }],
  ['ＯＰＥＮ　ＱＱ', 'local', '打开QQ'],
  ['倒计时十分钟', 'local', '设置计时器', { type: 'timer', op: 'start', duration: '十分钟' }],
  ['下午三点提醒我开会', 'local', '设置提醒', { type: 'reminder', op: 'add', time: '下午三点', thing: '开会' }],
  ['搜索一下红烧肉的做法', 'local', '网页搜索', { type: 'web_search', query: '红烧肉的做法' }],
  ['暂停播放', 'local', '暂停播放'],
  ['下一首', 'local', '下一首'],
  ['跳个舞', 'local', '桌宠跳舞'],
  ['我想听周杰伦的晴天', 'llm', '播放指定音乐指令'],
  ['放一首邓紫棋的光年之外', 'llm', null],
  ['播放甄嬛传第三集', 'llm', '播放指定视频指令'],
  ['搜索胡歌演的琅琊榜', 'llm', '搜索指定视频指令', { type: 'search_video', actor: '胡歌', kind: '琅琊榜' }],
  ['放一下青花瓷', 'llm', '播放指定音乐或视频指令'],
  ['帮我给老板写一封请假邮件然后发出去', 'llm', null],
  ['你好', 'chat', '打招呼'],
  ['今天好累啊', 'chat', null],
  ['给我讲个笑话', 'chat', '讲笑话'],
  ['为什么天空是蓝色的？', 'chat', null],
  ['给我写一首关于春天的诗', 'chat', '写诗作文', { type: 'chat', topic: 'creative_writing' }],
];

test('routes typical requests of every category', () => {
  for (const [query, target, name, action] of typical) {
    const r = bridge.route(query);
    assert.strictEqual(r.target, target, `${query}: ${r.reasoning}`);
    if (name) assert.strictEqual(r.matchedCommand && r.matchedCommand.name, name, `${query}: ${r.reasoning}`);
    if (action !== undefined) assert.deepStrictEqual(r.patternAction, action, query);
    assert.ok(r.confidence >= 0 && r.confidence <= 1, query);
    assert.strictEqual(typeof r.reasoning, 'string');
    for (const key of ['semantic', 'complexity', 'domainKeyword', 'openEnded', 'entityMatch']) {
      assert.ok(r.scores[key] >= 0 && r.scores[key] <= 1, `${query}: ${key}`);
    }
  }
});

test('a request with nothing to match is small talk with no command', () => {
  const r = bridge.route('');
  assert.strictEqual(r.target, 'chat');
  assert.strictEqual(r.matchedCommand, null);
  assert.strictEqual(r.patternAction, null);
  assert.strictEqual(bridge.route('\ud83d\ude00\ud83d\ude00').target, 'chat');
});

test('similarity lists best first and semanticScore names the best command', () => {
  const { matches } = bridge.querySimilarity('打开蓝牙', 5);
  assert.strictEqual(matches.length, 5);
  assert.strictEqual(matches[0].id, 403);
  assert.strictEqual(matches[0].similarity, 1);
  for (let i = 1; i < matches.length; i++) assert.ok(matches[i - 1].similarity >= matches[i].similarity);
  assert.deepStrictEqual(bridge.querySimilarity('打开蓝牙', 0).matches, []);
  assert.strictEqual(bridge.querySimilarity('打开蓝牙').matches.length, 3);

  const s = bridge.semanticScore('开启蓝牙');
  assert.strictEqual(s.cmdId, 403);
  assert.ok(s.score > 0.5 && s.score <= 1 && s.raw > 0);
  assert.deepStrictEqual(bridge.semanticScore('，。！'), { score: 0, raw: 0, cmdId: -1 });
});

test('configuration round-trips and invalid values change nothing', () => {
  assert.strictEqual(bridge.updateConfig({ localThreshold: 0.7, verbose: true, weights: { semantic: 0.6, openEnded: 0 } }), true);
  const config = bridge.getConfig();
  assert.deepStrictEqual(config, {
    localThreshold: 0.7,
    verbose: true,
    weights: { semantic: 0.6, complexity: 0.1, domainKeyword: 0.2, openEnded: 0, entityMatch: 0.15 },
  });
  for (const bad of [{ localThreshold: 1.5 }, { localThreshold: -1 }, { weights: { complexity: -0.1 } },
    { weights: { semantic: 0, complexity: 0, domainKeyword: 0, openEnded: 0, entityMatch: 0 } }]) {
    assert.throws(() => bridge.updateConfig(bad), { message: 'Norvik_UpdateConfig failed with code -2' });
  }
  assert.deepStrictEqual(bridge.getConfig(), config);
  // verbose replies list the candidates the router looked at; the module passes them over.
  assert.strictEqual(bridge.route('打开计算器').target, 'local');
  assert.strictEqual(bridge.updateConfig({ localThreshold: 1 }), true);
  assert.strictEqual(bridge.route('打开计算器').target, 'llm');
});

test('user commands are added, replaced and cleared; the built-in ones stay', () => {
  const base = bridge.getCommandCount();
  assert.ok(base >= 80);
  const corpus = {
    commands: [
      { id: 7001, name: '给猫喂食', examples: ['喂一下猫', '猫饿了'], keywords: ['猫粮'], patterns: ['给{pet}喂{food}'],
        action: { type: 'feeder' } },
      { id: 101, name: '打开我的计算器', examples: ['打开计算器'], action: { type: 'custom_calc' } },
    ],
  };
  assert.strictEqual(bridge.addCorpus(JSON.stringify(corpus)), 2);
  assert.strictEqual(bridge.getCommandCount(), base + 1);
  const fed = bridge.route('给狗喂骨头');
  assert.strictEqual(fed.matchedCommand.id, 7001);
  assert.deepStrictEqual(fed.patternAction, { type: 'feeder', pet: '狗', food: '骨头' });
  assert.strictEqual(bridge.route('打开计算器').matchedCommand.name, '打开我的计算器');

  const file = path.join(os.tmpdir(), `norvik-user-${process.pid}.json`);
  fs.writeFileSync(file, JSON.stringify([{ id: 7001, name: '给鱼喂食', examples: ['喂鱼'] }]));
  try {
    assert.strictEqual(bridge.addCorpusFromFile(file), 1);
  } finally {
    fs.unlinkSync(file);
  }
  assert.strictEqual(bridge.route('喂鱼').matchedCommand.name, '给鱼喂食');

  assert.throws(() => bridge.addCorpus('[{"id": 7002}]'), { message: 'Norvik_AddCorpus failed with code -3' });
  assert.throws(() => bridge.addCorpus(''), { message: 'Norvik_AddCorpus failed with code -3' });
  assert.throws(() => bridge.addCorpusFromFile(path.join(os.tmpdir(), 'norvik-missing.json')),
    { message: 'Norvik_AddCorpusFromFile failed with code -3' });
  assert.strictEqual(bridge.getCommandCount(), base + 1);

  assert.strictEqual(bridge.clearUserCorpus(), true);
  assert.strictEqual(bridge.getCommandCount(), base);
  assert.strictEqual(bridge.route('打开计算器').matchedCommand.name, '打开计算器');
});

test("a user command's own question or report runs it word for word, and only that", () => {
  // Unknown action types default to "change": a question or a report runs nothing...
  bridge.addCorpus(JSON.stringify([
    { id: 7101, name: '查看快递', examples: ['我的快递到哪了', '快递送到了没有'], action: { type: 'parcel' } },
  ]));
  try {
    for (const own of ['我的快递到哪了', '快递送到了没有！']) {
      const r = bridge.route(own);
      assert.deepStrictEqual([r.target, r.matchedCommand?.id], ['local', 7101], own);
    }
    // ...unless it is one of the command's own texts; other words of the same kind stay held back.
    const near = bridge.route('我的快递到哪儿了呢');
    assert.notStrictEqual(near.target, 'local');
    assert.match(near.reasoning, /held back \(change\)/);
  } finally {
    bridge.clearUserCorpus();
  }
});

test('initFromFile replaces corpus and configuration; a bad file changes nothing', () => {
  const file = path.join(os.tmpdir(), `norvik-init-${process.pid}.json`);
  fs.writeFileSync(file, JSON.stringify({
    config: { localThreshold: 0.2 },
    commands: [{ id: 1, name: '开灯', examples: ['把灯打开'], action: { type: 'light', op: 'on' } }],
  }));
  try {
    assert.strictEqual(bridge.initFromFile(file), true);
    assert.strictEqual(bridge.getCommandCount(), 1);
    assert.strictEqual(bridge.getConfig().localThreshold, 0.2);
    assert.strictEqual(bridge.route('把灯打开').target, 'local');
    fs.writeFileSync(file, '{"commands": [');
    assert.throws(() => bridge.initFromFile(file), { message: 'Norvik_InitFromFile failed with code -3' });
    assert.strictEqual(bridge.getCommandCount(), 1);
  } finally {
    fs.unlinkSync(file);
  }
});

test('calls after destroy report the engine as not initialised', () => {
  bridge.destroy();
  bridge.destroy();
  assert.throws(() => bridge.route('打开计算器'), { message: 'Norvik_Route failed with code -1' });
  assert.throws(() => bridge.getCommandCount(), { message: 'Norvik_GetCommandCount failed with code -1' });
  assert.throws(() => bridge.getConfig(), { message: 'Norvik_GetConfig failed with code -1' });
  assert.match(bridge.version(), /^norvik-reference \d+\.\d+\.\d+$/);
});
