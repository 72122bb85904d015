'use strict';
// createLlmWorker(): llm_bridge run in a worker thread of its own, so that the
// calling thread's event loop stays free while a model loads or generates.
//
//   const { createLlmWorker } = require('deskpet-native');
//   const llm = createLlmWorker();
//   await llm.loadModel('models/demo', 'CPU');
//   await llm.chat('你好');   // the caller's timers, I/O and IPC run meanwhile
//   await llm.close();
//
// The six functions of llm_bridge all return Promises here. Requests run one at a
// time in call order, and settle with exactly what the module gives: the same
// values, and the same rejection strings. Only whether an argument is a string
// matters to the module, so strings cross to the worker as they are and every
// other value as null: a function or a symbol, which cannot be cloned, is
// rejected with the module's own usage text like any other non-string.
//
// Failures of the host itself reject with Error objects (never strings):
//   ERR_LLM_WORKER_EXITED  the worker ended before answering; the next call starts
//                          a new one
//   ERR_LLM_WORKER_CLOSED  the call came after close()
//
// The model is the process's one llm_bridge model, shared with every other worker
// host and with direct callers. A worker that ends does not take it along: a
// model loaded before stays loaded, and the next worker uses it. But the end of
// a worker is the teardown of a script environment that loaded the module, and
// from then on llm_bridge, in the whole process, no longer destroys a model it
// releases: it only forgets it. See docs/electron.md.
const fs = require('fs');
const path = require('path');
const { Worker } = require('worker_threads');

const FUNCTIONS = ['loadModel', 'generate', 'generateWithMediaType', 'chat', 'isModelLoaded', 'unloadModel'];

function hostError(code, message) {
  const error = new Error(`deskpet-native: ${message}`);
  error.code = code;
  return error;
}

// The worker's script. In an Electron app whose archive has this package
// unpacked (asarUnpack), the unpacked copy is used: worker threads have not
// always been able to read files from inside app.asar.
function workerScript() {
  const script = path.join(__dirname, 'llm_worker_thread.js');
  const unpacked = script.replace(/([\\/])app\.asar([\\/])/, '$1app.asar.unpacked$2');
  return unpacked !== script && fs.existsSync(unpacked) ? unpacked : script;
}

// The worker loads the module through lib/index.js like this thread; an
// override of the module folder goes along resolved, so that the working
// directory (which a model load switches for a moment) cannot redirect it.
function workerEnvironment() {
  if (!process.env.DESKPET_NATIVE_DIR) return process.env;
  return { ...process.env, DESKPET_NATIVE_DIR: require('./index').nativeDir() };
}

class LlmWorkerHost {
  #thread = null; // the running Worker, or null
  #started = false; // whether a worker has ever run
  #pending = new Map(); // request id -> { name, resolve, reject }
  #nextId = 1;
  #closing = null; // the Promise of close(), once called

  request(name, args) {
    if (this.#closing) {
      return Promise.reject(hostError('ERR_LLM_WORKER_CLOSED',
        `${name}() was called after close(); create a new host with createLlmWorker()`));
    }
    try {
      return this.#send(name, args);
    } catch (error) {
      return Promise.reject(error); // a worker that could not be started
    }
  }

  close() {
    if (!this.#closing) this.#closing = this.#shutDown();
    return this.#closing;
  }

  get thread() {
    return this.#thread;
  }

  #send(name, args) {
    const thread = this.#thread || this.#start();
    const id = this.#nextId++;
    return new Promise((resolve, reject) => {
      this.#pending.set(id, { name, resolve, reject });
      thread.ref(); // a pending request keeps the process alive
      thread.postMessage({ id, name, args: Array.from(args, (arg) => (typeof arg === 'string' ? arg : null)) });
    });
  }

  #start() {
    const thread = new Worker(workerScript(), { env: workerEnvironment() });
    let failure = null;
    thread.on('message', (answer) => this.#settle(answer));
    thread.on('error', (error) => {
      failure = error;
    });
    thread.on('exit', (code) => this.#ended(thread, code, failure));
    this.#thread = thread;
    this.#started = true;
    return thread;
  }

  #settle({ id, ok, value, reason }) {
    const call = this.#pending.get(id);
    if (!call) return;
    this.#pending.delete(id);
    if (this.#pending.size === 0 && this.#thread) this.#thread.unref(); // idle: let the process exit
    if (ok) call.resolve(value);
    else call.reject(reason);
  }

  #ended(thread, code, failure) {
    if (this.#thread !== thread) return;
    this.#thread = null;
    const calls = [...this.#pending.values()];
    this.#pending.clear();
    const cause = failure ? `: ${failure instanceof Error ? failure.message : failure}` : '';
    for (const { name, reject } of calls) {
      reject(hostError('ERR_LLM_WORKER_EXITED',
        `the LLM worker thread ended (exit code ${code}${cause}) before ${name}() was answered; ` +
          'the next call starts a new worker'));
    }
  }

  // Unloads the model (through a worker, when this host ever ran one; a host that
  // never did has loaded nothing), then ends the worker. A worker that dies just
  // then is replaced once, so that the model is still unloaded.
  async #shutDown() {
    if (this.#started) {
      const unload = () => this.#send('unloadModel', []);
      await Promise.resolve()
        .then(unload)
        .catch((error) => error && error.code === 'ERR_LLM_WORKER_EXITED' && unload())
        .catch(() => {});
    }
    const thread = this.#thread;
    if (!thread) return;
    thread.ref(); // so that the exit is seen even when nothing else runs
    await thread.terminate();
  }
}

const hosts = new WeakMap();

function createLlmWorker() {
  const host = new LlmWorkerHost();
  const api = {};
  for (const name of FUNCTIONS) api[name] = (...args) => host.request(name, args);
  api.close = () => host.close();
  const frozen = Object.freeze(api);
  hosts.set(frozen, host);
  return frozen;
}

// The Worker currently running for a host made by createLlmWorker(), or null.
// For tests and diagnostics; not part of the package's entry or its types.
function workerThreadOf(llmWorker) {
  const host = hosts.get(llmWorker);
  return host ? host.thread : null;
}

module.exports = { createLlmWorker, workerThreadOf };
