'use strict';
// Scripted models for the OpenVINO GenAI stand-in: a model directory holding a
// scripted_model.json, made in a fresh temporary folder, with the stand-in's call
// log written beside it and read back as a list of events.
//
//   const model = createScriptedModel({ rules: [{ prompt, reply }], default: '' });
//   await llm.loadModel(model.dir, 'CPU');
//   model.generateEvents()  // [{ event: 'generate', prompt, settings, ... }]
const fs = require('fs');
const os = require('os');
const path = require('path');

// The stand-in's default chat template.
const DEFAULT_CHAT_TEMPLATE = '<|im_start|>user\n{prompt}<|im_end|>\n<|im_start|>assistant\n';

function chatTemplated(prompt, template = DEFAULT_CHAT_TEMPLATE) {
  return template.split('{prompt}').join(prompt);
}

function hexOf(text) {
  return Buffer.from(text, 'utf8').toString('hex');
}

class ScriptedModel {
  constructor(root, dir, logPath) {
    this.root = root; // temporary folder holding the model directory and the log
    this.dir = dir; // the model directory
    this.logPath = logPath;
  }

  // Every logged event, in order.
  readLog() {
    if (!fs.existsSync(this.logPath)) return [];
    return fs
      .readFileSync(this.logPath, 'utf8')
      .split('\n')
      .filter((line) => line.length > 0)
      .map((line) => JSON.parse(line));
  }

  events(kind) {
    return this.readLog().filter((entry) => entry.event === kind);
  }

  loadEvents() {
    return this.events('load');
  }

  generateEvents() {
    return this.events('generate');
  }

  destroyCount() {
    return this.events('destroy').length;
  }

  // Forget what was logged so far.
  clearLog() {
    fs.writeFileSync(this.logPath, '');
  }

  remove() {
    fs.rmSync(this.root, { recursive: true, force: true });
  }
}

// Makes a model directory `<tmp>/<dirName>` whose scripted_model.json holds
// `script`, with "log" set to an absolute path beside the directory unless the
// script names its own.
function createScriptedModel(script = {}, { dirName = 'model' } = {}) {
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'deskpet-llm-')));
  const dir = path.join(root, dirName);
  fs.mkdirSync(dir, { recursive: true });
  const logPath = path.join(root, 'calls.jsonl');
  const content = { log: logPath, ...script };
  fs.writeFileSync(path.join(dir, 'scripted_model.json'), JSON.stringify(content, null, 2));
  return new ScriptedModel(root, dir, script.log ? path.resolve(dir, script.log) : logPath);
}

module.exports = { createScriptedModel, chatTemplated, hexOf, DEFAULT_CHAT_TEMPLATE };
