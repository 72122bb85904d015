'use strict';
// What the Windows build's DLLs export and import: each module exports the two
// Node-API entry points and takes Node-API from node.exe only through delay-load
// imports; intent_bridge imports norvik.dll at load time, the thirteen functions it
// calls and never Norvik_LastErrorMessage, which it looks up at run time; each
// norvik.dll exports exactly the functions of engine/include/norvik.h (fourteen),
// and the scripted build without messages all but Norvik_LastErrorMessage; nothing
// needs a DLL beyond the system's, the host's and the engine; none registers
// thread-local destructors. Skipped for a non-Windows build.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');

const lib = require('../../lib');
const { PeImage, isPeFile } = require('./pe_image');

const MACHINE_X64 = 0x8664;
const SYSTEM_DLL =
  /^(kernel32|msvcrt|ucrtbase|advapi32|user32|ws2_32|bcrypt|ntdll|shell32|ole32|shlwapi|api-ms-win-[a-z0-9-]+)\.dll$/i;
const ENTRY_POINTS = ['napi_register_module_v1', 'node_api_module_get_api_version_v1'];

const OPTIONAL_FUNCTION = 'Norvik_LastErrorMessage';

function engineFunctions() {
  const header = fs.readFileSync(path.join(__dirname, '..', '..', 'engine', 'include', 'norvik.h'), 'utf8');
  return [...header.matchAll(/NORVIK_API\s+[^;(]*?\b(Norvik_\w+)\s*\(/g)].map((m) => m[1]).sort();
}

test('norvik.h declares the thirteen functions the module calls and Norvik_LastErrorMessage', () => {
  const functions = engineFunctions();
  assert.strictEqual(functions.length, 14);
  assert.ok(functions.includes(OPTIONAL_FUNCTION));
});

function windowsImage(variant, file) {
  const full = lib.modulePath(variant, file);
  if (!fs.existsSync(full)) return { skip: `${full} is not built` };
  if (!isPeFile(full)) return { skip: `${full} is not a Windows build` };
  return { image: new PeImage(full) };
}

function sameName(a, b) {
  return a.toLowerCase() === b.toLowerCase();
}

function assertX64Dll(image) {
  assert.strictEqual(image.machine, MACHINE_X64, 'machine is x86-64');
  assert.ok(image.isDll, 'image is a DLL');
}

// Load-time imports other than the system's may only be the ones named.
function assertLoadTimeImports(image, allowed) {
  const unexpected = image.imports().map((i) => i.dll)
    .filter((dll) => !SYSTEM_DLL.test(dll) && !allowed.some((a) => sameName(a, dll)));
  assert.deepStrictEqual(unexpected, [], `load-time DLL dependencies beyond the system's: ${unexpected}`);
}

function assertNodeApiIsDelayLoaded(image) {
  const fromHost = image.delayImports().filter((d) => sameName(d.dll, 'node.exe'));
  assert.strictEqual(fromHost.length, 1, 'node.exe is a delay-load import');
  const functions = fromHost[0].functions;
  assert.ok(functions.length > 0, 'Node-API functions are imported from node.exe');
  assert.deepStrictEqual(functions.filter((f) => !/^(napi|node_api)_/.test(f)), [],
    'only Node-API functions come from node.exe');
  assert.ok(!image.imports().some((i) => /^(lib)?node\.(exe|dll)$/i.test(i.dll)),
    'Node-API is not bound at load time');
}

// The module carries its own delay-load hook, not the runtime's null default: the
// hook variable is initialised data pointing into the module's code.
function assertHookLinked(image) {
  const hook = image.symbols().find((s) => s.name === '__pfnDliNotifyHook2');
  assert.ok(hook && hook.section, 'the delay-load hook variable is in the module');
  assert.notStrictEqual(hook.section.name, '.bss', 'the hook variable is initialised');
  const target = image.u64(hook.section.rva + hook.value) - image.imageBase;
  const code = image.sectionOfRva(Number(target));
  assert.ok(code && code.name === '.text', 'the hook variable points at code of the module');
}

// No thread-local object with a destructor: the MinGW runtime would then link
// __cxa_thread_atexit, whose destructors run after winpthreads has freed the
// thread's thread-local storage (under Wine a process then hung on exit).
function assertNoThreadLocalDestructors(image) {
  const names = new Set(image.symbols().map((s) => s.name));
  assert.ok(names.size > 0, 'the image keeps its symbols');
  assert.ok(!names.has('__cxa_thread_atexit'), 'nothing registers thread-local destructors');
}

function assertAddon(image) {
  assertX64Dll(image);
  assertNoThreadLocalDestructors(image);
  assert.deepStrictEqual(image.exports().slice().sort(), ENTRY_POINTS, 'exports the two entry points and nothing else');
  assertNodeApiIsDelayLoaded(image);
  assertHookLinked(image);
}

test('llm_bridge.node is a delay-loading Node-API addon with no engine or runtime DLLs', (t) => {
  const { image, skip } = windowsImage('Release', 'llm_bridge.node');
  if (skip) return t.skip(skip);
  assertAddon(image);
  assertLoadTimeImports(image, []);
});

const ENGINES = [
  ['Release', engineFunctions()],
  ['scripted', engineFunctions()],
  ['scripted-without-messages', engineFunctions().filter((f) => f !== OPTIONAL_FUNCTION)],
];

for (const [variant, exported] of ENGINES) {
  test(`${variant}/intent_bridge.node binds norvik.dll at load time and Node-API lazily`, (t) => {
    const { image, skip } = windowsImage(variant, 'intent_bridge.node');
    if (skip) return t.skip(skip);
    assertAddon(image);
    assertLoadTimeImports(image, ['norvik.dll']);
    const engine = image.imports().filter((i) => sameName(i.dll, 'norvik.dll'));
    assert.strictEqual(engine.length, 1, 'norvik.dll is a load-time import');
    const called = engineFunctions().filter((f) => f !== OPTIONAL_FUNCTION);
    assert.deepStrictEqual(engine[0].functions.filter((f) => !called.includes(f)), [],
      'only the thirteen functions it calls are imported from norvik.dll, never Norvik_LastErrorMessage');
    assert.ok(!image.delayImports().some((d) => sameName(d.dll, 'norvik.dll')), 'norvik.dll is not delay-loaded');
  });

  test(`${variant}/norvik.dll exports exactly the engine interface and needs only system DLLs`, (t) => {
    const { image, skip } = windowsImage(variant, 'norvik.dll');
    if (skip) return t.skip(skip);
    assertX64Dll(image);
    assertNoThreadLocalDestructors(image);
    assert.deepStrictEqual(image.exports().slice().sort(), exported);
    assertLoadTimeImports(image, []);
    assert.deepStrictEqual(image.delayImports(), [], 'the engine delay-loads nothing');
  });
}
