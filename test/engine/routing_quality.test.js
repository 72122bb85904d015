'use strict';
// Whether users can trust the reference engine's routes: on the held-out half of
// the labelled utterance set it runs no machine-changing command that was not
// asked for and serves most requests; requests of the known failure classes
// (questions about a command, titles holding command words, unknown apps,
// measure words in slots, noise, compound requests) behave as a user expects;
// and every reply's target, matched command and pattern action agree.
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const { intentBridge: bridge } = require('../../lib');
const metrics = require('../../bench/engine/routing_metrics');

const corpus = require(path.join(__dirname, '..', '..', 'engine', 'reference', 'corpus', 'default.json'));
const commandsByName = new Map(corpus.commands.map((c) => [c.name, c]));
const classes = metrics.builtInRiskClasses();

test.beforeEach(() => {
  assert.strictEqual(bridge.init(), true);
});

// Measured on the test half (both batches, 1,851 rows): 1 harmful route
// (0.05 %; 4 before this round's engine, 18 before the one before, 130 on the
// first batch before the engine learnt risk classes), 86.0 % served as the
// held-out evaluation counts it (a local label by its command or the LLM path)
// and 74.1 % strictly served (a local label only by its command). Both targets
// (served at least 80 %, harmful at most 0.1 %) are reached; the floors fail on
// a regression.
const maxHarmfulRate = 0.001;
const minServedRate = 0.85;
const minStrictRate = 0.73;

test('held-out utterances: no machine-changing command that was not asked for, most requests served', (t) => {
  const set = metrics.loadSet('test');
  assert.ok(set && set.length >= 700, 'test/engine/utterances/test.json holds the held-out half');
  const r = metrics.evaluate(set, (q) => bridge.route(q), classes);
  t.diagnostic(`harmful ${r.harmful}/${r.total}, served ${r.served}/${r.total}, strictly served ${r.strict}/${r.total}`);
  assert.ok(r.harmful / r.total <= maxHarmfulRate, `harmful rate ${(r.harmful / r.total).toFixed(4)}`);
  assert.ok(r.served / r.total >= minServedRate, `served rate ${(r.served / r.total).toFixed(3)}`);
  assert.ok(r.strict / r.total >= minStrictRate, `strictly served rate ${(r.strict / r.total).toFixed(3)}`);
});

// [query, target, command (a name; "!name": any command but this one; null: none), pattern action members]
const classCases = [
  // Questions about a command are answered, never run.
  ['怎么关机', 'chat', '!关机'],
  ['关机是什么意思', 'chat', '!关机'],
  ['微信是干啥的', 'chat', '!打开微信'],
  ['得了皮肤病怎么办', 'chat', '!更换桌宠皮肤'],
  ['怎么调亮度', 'chat', '!调高亮度'],
  ['重启会丢文件吗', 'chat', '!重启电脑'],
  // …unless the command itself is the question.
  ['天气怎么样', 'local', '查询天气'],
  ['现在几点', 'local', '查询时间'],
  ['电量还有多少', 'local', '查看电量'],
  ['hello是什么意思', 'local', '翻译', { type: 'translate', text: 'hello' }],
  ['苹果用英语怎么说', 'local', '翻译', { text: '苹果' }],
  // Titles and names stay whole.
  ['播放非诚勿扰', 'llm', '!打开勿扰模式', { title: '非诚勿扰' }],
  ['看中国好声音', 'llm', '!取消静音', { title: '中国好声音' }],
  ['放歌，天亮了', 'llm', '!调低亮度', { title: '天亮了' }],
  ['切换到湖南卫视', 'llm', '!打开夜间模式'],
  ['我想听重庆新闻', 'llm', '!播放音乐'],
  ['来一首夜空中最亮的星', 'llm', '播放指定音乐指令'],
  ['播放一首稻香', 'llm', '播放指定音乐指令', { title: '稻香' }],
  // Unknown apps and sites: the name is the slot, and the three members agree.
  ['打开熊猫看书', 'local', '打开应用', { type: 'open_app', app: '熊猫看书' }],
  ['帮我开捕鱼达人', 'local', '打开应用', { type: 'open_app', app: '捕鱼达人' }],
  ['启动 Visual Studio Code', 'local', '打开应用', { app: 'Visual Studio Code' }],
  ['打开淘宝网', 'local', '打开网站', { type: 'open_website', site: '淘宝网' }],
  ['打开苹果官网', 'local', '打开网站', { site: '苹果' }],
  ['打开蓝牙', 'local', '打开蓝牙'],
  // Devices, files, features, channels and descriptions are no apps to open or close.
  ['打开加湿器', 'llm', '!打开应用'],
  ['把客厅的灯关了', 'llm', '!关闭应用'],
  ['打开我的简历', 'llm', '!打开应用'],
  ['打开微信付款码', 'llm', '!打开应用'],
  ['关闭所有窗口', 'llm', '!关闭应用'],
  ['退出全屏', 'llm', '!关闭应用'],
  // Measure words and fillers stay out of slots.
  ['设个一个25分钟的计时器', 'local', '设置计时器', { duration: '25分钟' }],
  ['下午三点提醒我开会吧', 'local', '设置提醒', { time: '下午三点', thing: '开会' }],
  // Compound requests: the command that covers them, or the LLM path.
  ['打开浏览器搜索天气预报', 'local', '网页搜索', { type: 'web_search', query: '天气预报' }],
  ['打开微信给张三发消息', 'llm', '!打开微信'],
  ['先把音量调小再打开音乐播放器', 'llm', null],
  // Negations and opposite directions never run the command they negate.
  ['不要关机', 'local', '取消关机'],
  ['不要打开微信', 'llm', '!打开微信'],
  ['别截图了', 'llm', '!截图'],
  ['夜间模式关了', 'local', '关闭夜间模式'],
  ['声音再小一些', 'local', '调低音量'],
  ['今天冷不冷', 'local', '查询天气'],
  // What the user says they do is no request for the pet; a bare object or time
  // says no operation; a machine-changing command never runs on them.
  ['我要睡觉了', 'chat', '!桌宠休息'],
  ['闹钟', 'llm', null],
  ['十点半', 'llm', null],
  ['一会儿关电脑', 'llm', '!关机'],
  ['算了 不用了', 'llm', null],
  // A self-correction: what follows it is the request.
  ['帮我打开微信 不对 打开QQ', 'local', '打开QQ'],
  // A clause that only says why leaves the request clause to its command.
  ['孩子睡了 声音小点', 'local', '调低音量'],
  ['我不想关机 锁屏就行', 'local', '锁屏'],
  // Colloquial day words and A-not-A questions.
  ['明儿个下雨不', 'local', '查询明天天气'],
  // Closing by name only closes apps; a site command's names and 访问 are sites.
  ['把广告关了', 'llm', '!关闭应用'],
  ['把wps给我关了', 'local', '关闭应用', { app: 'wps' }],
  ['访问github', 'local', '打开网站', { site: 'github' }],
  // Opening by name needs a plain name: a bare name is an app even where a site
  // is meant, a word for a site makes it a site; the host's name of a built-in
  // app opens it; a clause after the name says why.
  ['打开知乎', 'local', '打开应用', { app: '知乎' }],
  ['打开淘宝页面', 'local', '打开网站', { site: '淘宝' }],
  ['打开notepad', 'local', '打开记事本'],
  ['打开keep 我要健身', 'local', '打开应用', { app: 'keep' }],
  ['打开百度贴吧', 'llm', null],
  ['打开车载蓝牙音乐', 'llm', '!打开应用'],
  ['打开录音', 'llm', '!打开应用'],
  ['运行这个脚本', 'llm', '!打开应用'],
  ['打开网页', 'llm', '!打开网站'],
  // What a search, a translation or a reminder holds is content, never a command to run.
  ['搜索关机', 'local', '网页搜索', { query: '关机' }],
  ['翻译关机', 'local', '翻译'],
  ['提醒我关机', 'local', '设置提醒', { thing: '关机' }],
  // A machine-changing command needs its own form: its thing named, its own
  // negation, no rival that fits as well, a definite time for a timer that
  // shuts down.
  ['调低一点', 'llm', null],
  ['打开文件夹', 'llm', '!打开文档文件夹'],
  ['开始录音', 'llm', '!录屏'],
  ['不要静音', 'llm', '!静音'],
  ['连一下蓝牙耳机', 'local', '连接蓝牙耳机'],
  ['每天十点关机', 'llm', '!定时关机'],
  ['十点关机', 'local', '定时关机', { time: '十点' }],
  // A statement about the machine or about what the speaker did asks for nothing;
  // a word of direction after a word of degree says how things are.
  ['我电脑要关机了', 'chat', '!关机'],
  ['电脑刚才自己重启了', 'chat', '!重启电脑'],
  ['我开了静音', 'chat', '!静音'],
  ['声音有点大', 'llm', '!调高音量'],
  ['声音小了', 'llm', '!调低音量'],
  ['屏幕太暗了', 'local', '调高亮度'],
  // Other names of built-in apps: a brand of browser or mail opens the built-in
  // app, a calendar brand, a slip of a command's thing and a feature are no apps.
  ['打开safari', 'local', '打开浏览器'],
  ['打开搜狗浏览器', 'local', '打开浏览器'],
  ['打开foxmail', 'local', '打开邮箱'],
  ['打开万年历', 'llm', '!打开应用'],
  ['打开蓝芽', 'llm', '!打开应用'],
  ['打开chrom', 'llm', '!打开应用'],
  ['打开字幕', 'llm', '!打开应用'],
  ['打开抖音', 'local', '打开应用', { app: '抖音' }],
  ['打开pycharm', 'local', '打开应用', { app: 'pycharm' }],
  // An app asked for by a word for one is not its command's action; siblings
  // that a request does not tell apart run neither; one's own example runs it.
  ['打开录屏软件', 'llm', '!录屏'],
  ['音量调到0', 'llm', '!设置音量'],
  ['别放了', 'local', '停止播放'],
];

function matchesExpectation(reply, command) {
  const name = reply.matchedCommand ? reply.matchedCommand.name : null;
  if (command === null) return name === null;
  if (command.startsWith('!')) return name !== command.slice(1);
  return name === command;
}

test('requests of the failure classes behave as a user expects', () => {
  for (const [query, target, command, action] of classCases) {
    const r = bridge.route(query);
    assert.strictEqual(r.target, target, `${query}: ${r.reasoning}`);
    assert.ok(matchesExpectation(r, command), `${query}: ${r.matchedCommand && r.matchedCommand.name} | ${r.reasoning}`);
    for (const [key, value] of Object.entries(action || {})) {
      assert.strictEqual(r.patternAction && r.patternAction[key], value, `${query}: ${key} | ${r.reasoning}`);
    }
  }
});

test('nothing recognisable gets small talk with no confidence, and says so', () => {
  for (const query of ['', '   ', '🙂', '😂😂😂', '？？！', 'asdfgh', 'qwrtp']) {
    const r = bridge.route(query);
    assert.strictEqual(r.target, 'chat', query);
    assert.ok(r.confidence < 0.05, `${query}: ${r.confidence}`);
    assert.strictEqual(r.matchedCommand, null, query);
    assert.strictEqual(r.patternAction, null, query);
    assert.match(r.reasoning, /nothing recognisable/, query);
  }
});

// The pattern action is the chosen command's action with its slots, whenever a
// command is chosen; a local route runs a local command; confidence is in [0, 1].
test('target, matched command and pattern action agree on every labelled request', () => {
  const queries = [...metrics.loadSet('tune'), ...metrics.loadSet('test')].map((e) => e.query);
  for (const query of queries) {
    const r = bridge.route(query);
    assert.ok(r.confidence >= 0 && r.confidence <= 1, query);
    assert.strictEqual(r.matchedCommand === null, r.patternAction === null, `${query}: ${r.reasoning}`);
    if (r.target === 'local') assert.notStrictEqual(r.matchedCommand, null, query);
    if (r.matchedCommand === null) continue;
    const command = commandsByName.get(r.matchedCommand.name);
    assert.strictEqual(command.target || 'local', r.target, `${query}: ${r.reasoning}`);
    for (const [key, value] of Object.entries(command.action || {})) {
      if (!(key in r.patternAction)) assert.fail(`${query}: action member ${key} missing`);
      if (key === 'type') assert.strictEqual(r.patternAction.type, value, query);
    }
  }
});
