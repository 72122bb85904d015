'use strict';
// bin/deskpet-route.js: routing from arguments and stdin, --corpus, --check,
// --eval, and the risk rules behind the harmful-route count.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { evaluate } = require('../../lib/cli/evaluate');
const { riskOf } = require('../../lib/cli/risk');

const cli = path.resolve(__dirname, '../../bin/deskpet-route.js');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-route-'));
test.after(() => fs.rmSync(dir, { recursive: true, force: true }));

function write(name, value) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, typeof value === 'string' ? value : JSON.stringify(value, null, 2));
  return file;
}

function run(args, input) {
  const r = spawnSync(process.execPath, [cli, ...args], { input, encoding: 'utf8', timeout: 60000 });
  return { status: r.status, out: r.stdout, err: r.stderr };
}

const catCorpus = write('cat.json', [{ id: 7001, name: '喂猫', examples: ['给猫喂食', '喂一下猫'], action: { type: 'pet_food' } }]);

test('phrases from arguments and from stdin route alike; --corpus adds commands, --no-builtin replaces them', () => {
  const phrases = ['把音量调到30', '我想听周杰伦的晴天', '给猫喂食'];
  const fromArgs = JSON.parse(run(['--json', '--corpus', catCorpus, ...phrases]).out);
  const fromStdin = JSON.parse(run(['--json', '--corpus', catCorpus], phrases.join('\n') + '\n\n').out);
  assert.deepEqual(fromStdin, fromArgs);
  assert.deepEqual(fromArgs.map((r) => [r.phrase, r.target, r.matchedCommand && r.matchedCommand.name]),
    [['把音量调到30', 'local', '设置音量'], ['我想听周杰伦的晴天', 'llm', '播放指定音乐指令'], ['给猫喂食', 'local', '喂猫']]);
  assert.equal(fromArgs[0].patternAction.level, '30');

  const table = run(['把音量调到30']).out.split('\n');
  assert.match(table[0], /^phrase\s+target\s+confidence\s+command\s+slots$/);
  assert.match(table[2], /^把音量调到30\s+local\s+\d\.\d\d\s+设置音量 \(205\)\s+.*level=30/);

  const alone = JSON.parse(run(['--json', '--no-builtin', '--corpus', catCorpus, '把音量调到30', '喂一下猫']).out);
  assert.notEqual(alone[0].matchedCommand && alone[0].matchedCommand.name, '设置音量');
  assert.equal(alone[1].matchedCommand.id, 7001);
  const listed = JSON.parse(run(['--list', '--json', '--corpus', catCorpus]).out);
  const builtIn = JSON.parse(fs.readFileSync(path.join(__dirname, '..', '..', 'engine', 'reference', 'corpus', 'default.json'), 'utf8'));
  assert.equal(listed.length, builtIn.commands.length + 1);
  assert.deepEqual(listed.find((c) => c.id === 7001), { id: 7001, name: '喂猫', target: 'local', risk: 'change', action: { type: 'pet_food' } });
});

test('--check reports every problem with line, member and the built-in duplicates; the engine has the last word', () => {
  const bad = write('bad.json', `{
  "commands": [
    { "id": 205, "name": "调音量" },
    { "id": 7002, "name": "打开QQ", "exmaples": [] },
    { "id": 7003, "name": "两槽", "patterns": ["{a}{b}", "打开{app:thing}"] },
    { "id": 7003, "name": "!!", "target": "remote", "risk": "maybe", "action": { "type": 1 } },
    { "name": "无编号", "keywords": "词" }
  ],
  "config": { "localThreshold": 2 }
}`);
  const r = run(['--check', bad]);
  assert.equal(r.status, 1);
  const expected = [
    [3, 'warning', 'commands[0].id', /built-in command "设置音量"/],
    [4, 'warning', 'commands[1].name', /built-in command 109/],
    [4, 'warning', 'commands[1].exmaples', /ignored/],
    [5, 'error', 'commands[2].patterns[0]', /two slots need literal text/],
    [5, 'error', 'commands[2].patterns[1]', /unknown slot kind/],
    [6, 'error', 'commands[3].id', /duplicate id 7003: also commands\[2\]\.id \(line 5\)/],
    [6, 'error', 'commands[3].name', /needs a name/],
    [6, 'error', 'commands[3].target', /"local", "llm" or "chat"/],
    [6, 'error', 'commands[3].risk', /"destructive", "change" or "none"/],
    [6, 'error', 'commands[3].action.type', /must be a string/],
    [7, 'error', 'commands[4]', /needs an id/],
    [7, 'error', 'commands[4].keywords', /array of strings/],
    [9, 'error', 'config.localThreshold', /\[0, 1\]/],
  ];
  const lines = r.out.trim().split('\n');
  const problems = lines.filter((l) => l.startsWith(bad));
  assert.equal(problems.length, expected.length, r.out);
  for (const [line, severity, member, message] of expected) {
    const found = problems.find((p) => p.startsWith(`${bad}:${line}:`) && p.includes(`: ${severity}: ${member}: `));
    assert.ok(found && message.test(found), `${line} ${member}\n${r.out}`);
  }
  assert.match(r.out, /engine: refused \(Norvik_AddCorpusFromFile failed with code -3/);
  assert.match(lines.at(-1), /^10 errors, 3 warnings$/);

  assert.match(run(['--check', write('syntax.json', '[{"id": 1,\n "name": }]')]).out, /syntax\.json:2:10: error: invalid JSON/);
  const clean = run(['--check', catCorpus]);
  assert.equal(clean.status, 0, clean.out);
  assert.match(clean.out, /engine: accepted\n0 errors, 0 warnings/);
});

test('--eval scores a labelled set; usage errors exit 2', () => {
  const labelled = write('labelled.json', [
    { query: '把音量调到30', target: 'local', command: '设置音量', domain: 'system' },
    { query: '我想听周杰伦的晴天', target: 'llm', domain: 'music' },
    { query: '我想听周杰伦的晴天', target: 'local', command: '播放音乐', domain: 'music' },
    { query: '把音量调到30', target: 'chat', domain: 'chitchat' },
  ]);
  const report = JSON.parse(run(['--eval', labelled, '--json']).out);
  assert.deepEqual([report.total, report.served, report.servedOrDeferred], [4, 2, 3]);
  assert.deepEqual(report.harmful.map((h) => [h.label, h.command]), [['(chat)', '设置音量']]);
  assert.deepEqual(report.confusions.map((c) => [c.label, c.routed, c.count]).sort(),
    [['(chat)', '设置音量', 1], ['播放音乐', '(llm)', 1]]);
  assert.match(run(['--eval', labelled]).out, /served: 2 \(50\.0 %\); served or deferred to the LLM: 3 \(75\.0 %\)/);

  for (const args of [['--eval', write('notset.json', { query: 'x' })], ['--check', path.join(dir, 'none.json')],
    ['--list', '--check', catCorpus], ['--no-builtin', 'x'], ['--eval', catCorpus]]) {
    assert.equal(run(args).status, 2, args.join(' '));
  }
  const help = run(['--help']);
  assert.equal(help.status, 0);
  assert.match(help.out, /Exit codes:/);
});

test('risk: own member, then llm/chat targets, then the first matching rule, else otherwise', () => {
  const table = { rules: [{ type: 'power', op: 'lock', risk: 'change' }, { type: 'power', risk: 'destructive' }, { type: 'weather', risk: 'none' }], otherwise: 'change' };
  const cases = [
    [{ action: { type: 'power', op: 'lock' } }, 'change'],
    [{ action: { type: 'power', op: 'shutdown' } }, 'destructive'],
    [{ action: { type: 'weather', day: 'today' } }, 'none'],
    [{ action: { type: 'volume' } }, 'change'],
    [{}, 'change'],
    [{ target: 'chat', action: { type: 'power' } }, 'none'],
    [{ target: 'llm', risk: 'destructive' }, 'destructive'],
    [{ risk: 'none', action: { type: 'power' } }, 'none'],
  ];
  for (const [command, risk] of cases) assert.equal(riskOf(command, table), risk, JSON.stringify(command));

  // Harm: a local route to a machine-changing command the label did not ask for.
  const commands = [{ id: 1, name: '关机', action: { type: 'power' } }, { id: 2, name: '天气', action: { type: 'weather' } },
    { id: 3, name: '锁屏', action: { type: 'power', op: 'lock' }, risk: 'none' }];
  const routes = { a: [1, 'local'], b: [2, 'local'], c: [3, 'local'], d: [1, 'llm'], e: [1, 'local'] };
  const route = (q) => ({ target: routes[q][1], matchedCommand: { id: routes[q][0], name: commands[routes[q][0] - 1].name } });
  const labels = [{ query: 'a', target: 'chat' }, { query: 'b', target: 'chat' }, { query: 'c', target: 'chat' },
    { query: 'd', target: 'chat' }, { query: 'e', target: 'local', command: '关机' }];
  const report = evaluate(labels, route, commands, table);
  assert.deepEqual(report.harmful.map((h) => [h.query, h.risk]), [['a', 'destructive']]);
  assert.deepEqual(evaluate(labels, route, commands, null).harmful.map((h) => h.query), ['a', 'b']);
});
