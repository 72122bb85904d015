'use strict';
// Checks a corpus text against the reference engine's corpus rules and reports
// every problem with its place (line, column and member), where the engine stops
// at the first one. Errors are what the engine refuses; warnings are what it
// accepts but is likely a mistake: members it ignores, members given twice, and
// ids or names that are also in the built-in corpus (an id there is replaced).
const jsonc = require('jsonc-parser');
const { RISK_CLASSES } = require('./risk');

const TARGETS = ['local', 'llm', 'chat'];
const SLOT_KINDS = ['number', 'time', 'place'];
const MAX_SLOTS = 4;
const WEIGHTS = ['semantic', 'complexity', 'domainKeyword', 'openEnded', 'entityMatch'];
const COMMAND_MEMBERS = ['id', 'name', 'examples', 'keywords', 'patterns', 'action', 'target', 'risk'];

// Whether the engine's text normalisation keeps a character (it drops spaces,
// controls and punctuation; full-width ASCII counts as ASCII).
function keptByEngine(ch) {
  let cp = ch.codePointAt(0);
  if (cp >= 0xff01 && cp <= 0xff5e) cp -= 0xff01 - 0x21;
  if (cp < 0x80) return /[0-9A-Za-z]/.test(String.fromCodePoint(cp));
  const dropped = cp <= 0xbf || cp === 0xd7 || cp === 0xf7 || (cp >= 0x2000 && cp <= 0x206f) ||
    (cp >= 0x3000 && cp <= 0x3003) || (cp >= 0x3008 && cp <= 0x3020) || cp === 0x3030 || cp === 0x303d ||
    cp === 0x30fb || (cp >= 0xfe10 && cp <= 0xfe1f) || (cp >= 0xfe30 && cp <= 0xfe6f) ||
    (cp >= 0xff5f && cp <= 0xff65) || cp === 0xfeff || cp === 0xfffd || (cp >= 0xd800 && cp <= 0xdfff);
  return !dropped;
}

function keptLength(text) {
  let n = 0;
  for (const ch of text) if (keptByEngine(ch)) n++;
  return n;
}

// Why the engine refuses a pattern template, or null when it accepts it.
function patternProblem(source) {
  const slots = [];
  let literal = '';
  let literalLength = 0;
  let lastIsSlot = false;
  const flush = () => {
    const kept = keptLength(literal);
    if (kept > 0) lastIsSlot = false;
    literalLength += kept;
    literal = '';
  };
  for (let i = 0; i < source.length;) {
    const c = source[i];
    if (c === '}') return "unbalanced '}'";
    if (c !== '{') {
      literal += c;
      i++;
      continue;
    }
    const close = source.slice(i + 1).search(/[{}]/);
    if (close < 0 || source[i + 1 + close] !== '}') return "unbalanced '{'";
    flush();
    const slot = source.slice(i + 1, i + 1 + close);
    const [name, kind] = slot.includes(':') ? [slot.slice(0, slot.indexOf(':')), slot.slice(slot.indexOf(':') + 1)] : [slot, null];
    if (kind !== null && !SLOT_KINDS.includes(kind)) return `unknown slot kind in '${slot}' (number, time or place)`;
    if (name === '') return 'empty slot name';
    if (slots.includes(name)) return `duplicate slot name '${name}'`;
    if (slots.length >= MAX_SLOTS) return `too many slots (at most ${MAX_SLOTS})`;
    if (lastIsSlot) return 'two slots need literal text between them';
    slots.push(name);
    lastIsSlot = true;
    i += close + 2;
  }
  flush();
  return literalLength === 0 ? 'a pattern needs literal text' : null;
}

// Line and column (1-based, in characters) of a UTF-16 offset.
function positionOf(text, offset) {
  const before = text.slice(0, offset);
  const lineStart = before.lastIndexOf('\n') + 1;
  return { line: before.split('\n').length, column: [...before.slice(lineStart)].length + 1 };
}

class Checker {
  constructor(text, builtin) {
    this.text = text;
    this.problems = [];
    this.builtinById = new Map(builtin.map((c) => [c.id, c]));
    this.builtinByName = new Map(builtin.map((c) => [c.name, c]));
    this.idsSeen = new Map();
    this.namesSeen = new Map();
  }

  report(node, member, message, severity = 'error') {
    this.problems.push({ ...positionOf(this.text, node ? node.offset : 0), member, severity, message });
  }

  // [key, value node] of an object node, warning about keys given twice.
  members(node, place) {
    const seen = new Set();
    const list = [];
    for (const property of node.children || []) {
      const [keyNode, valueNode] = property.children;
      const key = keyNode.value;
      if (seen.has(key)) this.report(keyNode, join(place, key), 'member given twice; the engine reads both', 'warning');
      seen.add(key);
      if (valueNode) list.push([key, valueNode, keyNode]);
    }
    return list;
  }

  checkRoot(root) {
    if (root.type === 'array') return this.checkCommands(root, '');
    if (root.type !== 'object') return this.report(root, '', 'a corpus is an object or an array of commands');
    for (const [key, value, keyNode] of this.members(root, '')) {
      if (key === 'config') this.checkConfig(value, 'config');
      else if (key === 'commands') {
        if (value.type === 'array') this.checkCommands(value, 'commands');
        else this.report(value, 'commands', 'commands must be an array');
      } else this.report(keyNode, key, 'unknown member, ignored by the engine', 'warning');
    }
  }

  checkCommands(list, place) {
    list.children.forEach((node, i) => this.checkCommand(node, `${place}[${i}]`));
  }

  checkCommand(node, place) {
    if (node.type !== 'object') return this.report(node, place, 'a command must be an object');
    const members = this.members(node, place);
    const value = (key) => (members.find(([k]) => k === key) || [])[1];
    const idNode = value('id');
    const id = idNode && idNode.type === 'number' ? idNode.value : undefined;
    const nameNode = value('name');
    const name = nameNode && nameNode.type === 'string' ? nameNode.value : '';
    const label = id === undefined ? '' : ` [command ${id}${name ? ` ${name}` : ''}]`;
    const check = (key, valueNode, keyNode) => {
      const problem = this.memberProblem(key, valueNode, `${place}.${key}`, label);
      if (problem === 'unknown') this.report(keyNode, `${place}.${key}`, `unknown member, ignored by the engine${label}`, 'warning');
    };
    for (const [key, valueNode, keyNode] of members) check(key, valueNode, keyNode);
    if (!idNode) this.report(node, place, `a command needs an id${label}`);
    else this.checkId(idNode, `${place}.id`, label);
    if (keptLength(name) === 0 && !(nameNode && nameNode.type !== 'string')) {
      this.report(nameNode || node, `${place}.name`, `a command needs a name with letters or digits${label}`);
    }
    if (name) this.checkName(nameNode, `${place}.name`, id, name);
  }

  // Reports a problem of one command member; returns 'unknown' for a member the
  // engine does not read.
  memberProblem(key, node, place, label) {
    switch (key) {
      case 'id':
        return null;  // checked with the duplicates
      case 'name':
        if (node.type !== 'string') this.report(node, place, `name must be a string${label}`);
        return null;
      case 'examples':
      case 'keywords':
      case 'patterns':
        return this.checkStringList(key, node, place, label);
      case 'action':
        if (node.type !== 'object') return this.report(node, place, `action must be an object of strings${label}`);
        for (const [k, v] of this.members(node, place)) {
          if (v.type !== 'string') this.report(v, join(place, k), `action member '${k}' must be a string${label}`);
        }
        return null;
      case 'target':
        if (node.type !== 'string' || !TARGETS.includes(node.value)) {
          this.report(node, place, `target must be "local", "llm" or "chat"${label}`);
        }
        return null;
      case 'risk':
        if (node.type !== 'string' || !RISK_CLASSES.includes(node.value)) {
          this.report(node, place, `risk must be "destructive", "change" or "none"${label}`);
        }
        return null;
      default:
        return COMMAND_MEMBERS.includes(key) ? null : 'unknown';
    }
  }

  checkStringList(key, node, place, label) {
    if (node.type !== 'array') return this.report(node, place, `${key} must be an array of strings${label}`);
    node.children.forEach((item, i) => {
      if (item.type !== 'string') return this.report(item, `${place}[${i}]`, `${key} must be an array of strings${label}`);
      if (key !== 'patterns') return null;
      const problem = patternProblem(item.value);
      if (problem) this.report(item, `${place}[${i}]`, `pattern "${item.value}": ${problem}${label}`);
      return null;
    });
    return null;
  }

  checkId(node, place, label) {
    const raw = this.text.slice(node.offset, node.offset + node.length);
    if (node.type !== 'number' || !/^-?\d+$/.test(raw) || node.value < -(2 ** 31) || node.value >= 2 ** 31) {
      return this.report(node, place, `id must be a 32-bit integer${label}`);
    }
    if (node.value === -1) return this.report(node, place, "id -1 is reserved for 'no command'");
    const earlier = this.idsSeen.get(node.value);
    if (earlier) this.report(node, place, `duplicate id ${node.value}: also ${earlier.member} (line ${earlier.line})`);
    else this.idsSeen.set(node.value, { member: place, ...positionOf(this.text, node.offset) });
    const builtin = this.builtinById.get(node.value);
    if (builtin) {
      this.report(node, place, `id ${node.value} is the built-in command "${builtin.name}", which this command replaces`, 'warning');
    }
    return null;
  }

  checkName(node, place, id, name) {
    const earlier = this.namesSeen.get(name);
    if (earlier) this.report(node, place, `duplicate name "${name}": also ${earlier.member} (line ${earlier.line})`, 'warning');
    else this.namesSeen.set(name, { member: place, ...positionOf(this.text, node.offset) });
    const builtin = this.builtinByName.get(name);
    if (builtin && builtin.id !== id) {
      this.report(node, place, `name "${name}" is also the name of built-in command ${builtin.id}`, 'warning');
    }
  }

  checkConfig(node, place) {
    if (node.type !== 'object') return this.report(node, place, 'config must be a JSON object');
    for (const [key, value] of this.members(node, place)) {
      const at = join(place, key);
      if (key === 'localThreshold' && !(value.type === 'number' && value.value >= 0 && value.value <= 1)) {
        this.report(value, at, 'localThreshold must be a number in [0, 1]');
      } else if (key === 'verbose' && value.type !== 'boolean') {
        this.report(value, at, 'verbose must be true or false');
      } else if (key === 'weights') {
        if (value.type !== 'object') this.report(value, at, 'weights must be an object');
        else {
          for (const [name, weight] of this.members(value, at)) {
            if (WEIGHTS.includes(name) && !(weight.type === 'number' && Number.isFinite(weight.value) && weight.value >= 0)) {
              this.report(weight, join(at, name), `weight '${name}' must be a finite number >= 0`);
            }
          }
        }
      }
    }
    return null;
  }
}

function join(place, key) {
  return place ? `${place}.${key}` : key;
}

// Every problem of a corpus text: [{ line, column, member, severity, message }],
// in the order of the text. `builtin` is the built-in corpus's command list.
function checkCorpusText(text, builtin = []) {
  const source = text.charCodeAt(0) === 0xfeff ? text.slice(1) : text;
  const errors = [];
  const root = jsonc.parseTree(source, errors, { disallowComments: true, allowTrailingComma: false });
  if (errors.length > 0 || !root) {
    // Only the first syntax error: the ones after it follow from it.
    const e = errors[0] || { offset: 0, error: jsonc.ParseErrorCode.ValueExpected };
    return [{ ...positionOf(source, e.offset), member: '', severity: 'error', message: `invalid JSON: ${jsonc.printParseErrorCode(e.error)}` }];
  }
  const checker = new Checker(source, builtin);
  checker.checkRoot(root);
  return checker.problems.sort((a, b) => a.line - b.line || a.column - b.column);
}

module.exports = { checkCorpusText, patternProblem };
