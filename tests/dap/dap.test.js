// zelkrun --dap driven by Microsoft's debug adapter test client.
//
// ZELK_DAP_COMMAND is the adapter's command line (for example
// "build/native/bin/zelkrun --dap", or a Wine loader with zelkrun.exe);
// ZELK_DAP_WINDOWS=1 when the adapter is a Windows program under Wine, whose
// paths are written Z:\...
'use strict';

const { describe, it, beforeEach, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const COMMAND = process.env.ZELK_DAP_COMMAND;
const WINDOWS = process.env.ZELK_DAP_WINDOWS === '1';
// Wine starts programs slowly; the native adapter answers at once.
const TIMEOUT = WINDOWS ? 30000 : 10000;
const SCRIPTS = path.join(__dirname, 'scripts');

if (!COMMAND) throw new Error('ZELK_DAP_COMMAND names the adapter to test');

// The adapter's form of a script path.
function scriptPath(name) {
  const p = path.join(SCRIPTS, name);
  return WINDOWS ? 'Z:' + p.replace(/\//g, '\\') : p;
}

function samePath(a, b) {
  const norm = (p) => p.replace(/\\/g, '/').toLowerCase();
  return norm(a) === norm(b);
}

let dc;
// Stopped events as they come: a stop may arrive together with the response
// to the request that caused it, before a listener set up afterwards.
let stops;
let disconnected;

beforeEach(async () => {
  dc = new DebugClient(path.join(__dirname, 'adapter.sh'), '', 'zelk', {
    env: { ...process.env, ZELK_DAP_COMMAND: COMMAND },
  });
  dc.defaultTimeout = TIMEOUT;
  stops = { events: [], waiters: [] };
  disconnected = false;
  dc.on('stopped', (e) => {
    if (stops.waiters.length) stops.waiters.shift()(e);
    else stops.events.push(e);
  });
  await dc.start();
});

function nextStop() {
  return new Promise((resolve, reject) => {
    if (stops.events.length) return resolve(stops.events.shift());
    const timer = setTimeout(() => reject(new Error(`no stop within ${TIMEOUT} ms`)), TIMEOUT);
    stops.waiters.push((e) => {
      clearTimeout(timer);
      resolve(e);
    });
  });
}

afterEach(async () => {
  // After a disconnect the adapter has ended: there is nobody to ask again.
  if (disconnected) return;
  await dc.stop();
});

// Starts the script and lets configure() set breakpoints before it runs.
async function launch(name, extra = {}, configure = async () => {}) {
  const initialized = dc.waitForEvent('initialized');
  await dc.launch({ program: scriptPath(name), ...extra });
  await initialized;
  await configure();
  await dc.configurationDoneRequest();
}

async function stoppedAt(reason, line, file) {
  const event = await nextStop();
  assert.equal(event.body.reason, reason);
  const trace = await dc.stackTraceRequest({ threadId: event.body.threadId });
  const top = trace.body.stackFrames[0];
  if (line !== undefined) assert.equal(top.line, line, `stopped at line ${top.line}`);
  if (file !== undefined) {
    assert.ok(samePath(top.source.path, scriptPath(file)), `stopped in ${top.source.path}`);
  }
  return { event, trace, top };
}

async function breakpoints(name, lines, extra = {}) {
  const response = await dc.setBreakpointsRequest({
    source: { path: scriptPath(name) },
    breakpoints: lines.map((line) => ({ line, ...extra })),
  });
  return response.body.breakpoints;
}

// Collects the output events of one category into a string.
function collect(category) {
  const out = { text: '' };
  dc.on('output', (e) => {
    if (e.body.category === category) out.text += e.body.output;
  });
  return out;
}

async function localsOf(frameId) {
  const scopes = await dc.scopesRequest({ frameId });
  const local = scopes.body.scopes.find((s) => s.name === 'Local');
  const vars = await dc.variablesRequest({ variablesReference: local.variablesReference });
  return Object.fromEntries(vars.body.variables.map((v) => [v.name, v]));
}

async function globals(frameId) {
  const scopes = await dc.scopesRequest({ frameId });
  const global = scopes.body.scopes.find((s) => s.name === 'Global');
  const vars = await dc.variablesRequest({ variablesReference: global.variablesReference });
  return Object.fromEntries(vars.body.variables.map((v) => [v.name, v]));
}

describe('session', () => {
  it('answers initialize with what it supports', async () => {
    const response = await dc.initializeRequest({ adapterID: 'zelk', linesStartAt1: true });
    const caps = response.body;
    assert.equal(caps.supportsConfigurationDoneRequest, true);
    assert.equal(caps.supportsConditionalBreakpoints, true);
    assert.equal(caps.supportsHitConditionalBreakpoints, true);
    assert.equal(caps.supportsLogPoints, true);
    assert.equal(caps.supportsSetVariable, true);
    assert.equal(caps.supportsEvaluateForHovers, true);
    assert.equal(caps.supportsTerminateRequest, true);
    assert.ok(!caps.supportsStepBack, 'no stepping back');
  });

  it('runs to the end and exits with the script\'s code', async () => {
    const stdout = collect('stdout');
    const exited = dc.waitForEvent('exited');
    const terminated = dc.waitForEvent('terminated');
    await launch('steps.zls');
    assert.equal((await exited).body.exitCode, 3);
    await terminated;
    assert.equal(stdout.text, 'b=2\nc=4\n');
  });

  it('has one thread', async () => {
    await launch('steps.zls', { stopOnEntry: true });
    await stoppedAt('entry', 2);
    const threads = await dc.threadsRequest();
    assert.equal(threads.body.threads.length, 1);
  });

  it('gives an error response to unknown and malformed requests and goes on', async () => {
    await assert.rejects(dc.customRequest('noSuchCommand', {}));
    await assert.rejects(dc.stackTraceRequest({ threadId: 1 }), 'no stack before a launch');
    // Broken framing and broken JSON reach the adapter's input directly.
    const stdin = dc._adapterProcess.stdin;
    stdin.write('Content-Length: 10\r\n\r\n{not json}');
    stdin.write('Content-Length: 12\r\n\r\n[1, 2, 3, 4]');
    stdin.write('Content-Length: x\r\n\r\n');
    stdin.write('Content-Length: 2\r\n\r\n{}');
    const response = await dc.initializeRequest({ adapterID: 'zelk' });
    assert.equal(response.success, true);
  });

  it('refuses a launch of a missing file with a message', async () => {
    await dc.initializeRequest({ adapterID: 'zelk' });
    await assert.rejects(dc.launchRequest({ program: scriptPath('no-such-file.zls') }), /no-such-file/i);
  });
});

describe('stepping', () => {
  it('stops on entry, steps over, into and out of a function', async () => {
    const stdout = collect('stdout');
    await launch('steps.zls', { stopOnEntry: true });
    await stoppedAt('entry', 2);
    await dc.nextRequest({ threadId: 1 });
    await stoppedAt('step', 3);
    await dc.nextRequest({ threadId: 1 });
    await stoppedAt('step', 4);
    await dc.nextRequest({ threadId: 1 });
    await stoppedAt('step', 5);
    assert.equal(stdout.text, 'b=2\n');
    await dc.stepInRequest({ threadId: 1 });
    const inside = await stoppedAt('step', 10);
    assert.equal(inside.trace.body.stackFrames.length, 2);
    assert.match(inside.trace.body.stackFrames[0].name, /TWICE/i);
    assert.equal(inside.trace.body.stackFrames[1].line, 5);
    await dc.stepOutRequest({ threadId: 1 });
    await stoppedAt('step', 6);
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await exited).body.exitCode, 3);
  });

  it('steps over a call without stopping at breakpoints inside it', async () => {
    await launch('steps.zls', { stopOnEntry: true }, () => breakpoints('steps.zls', [10]));
    await stoppedAt('entry', 2);
    for (const line of [3, 4, 5]) {
      await dc.nextRequest({ threadId: 1 });
      await stoppedAt('step', line);
    }
    await dc.nextRequest({ threadId: 1 });
    await stoppedAt('step', 6);
  });

  it('stops once on a one-line IF that became several rows', async () => {
    await launch('lines.zls', {}, () => breakpoints('lines.zls', [7]));
    await stoppedAt('breakpoint', 7);
    await dc.nextRequest({ threadId: 1 });
    await stoppedAt('step', 8);
  });
});

describe('breakpoints', () => {
  it('moves a breakpoint to the next line that can hold one, or leaves it unverified', async () => {
    await dc.initializeRequest({ adapterID: 'zelk' });
    await dc.launchRequest({ program: scriptPath('lines.zls') });
    // 1 comment -> 2; 3 blank -> 4; 6 NEXT holds one; 9 FUNCTION -> 10; 11 FEND
    // holds one; 12 is past the end.
    const got = await breakpoints('lines.zls', [1, 3, 6, 9, 11, 12]);
    assert.deepEqual(
      got.map((b) => [b.verified, b.line]),
      [[true, 2], [true, 4], [true, 6], [true, 10], [true, 11], [false, 12]],
    );
  });

  it('stops at a breakpoint in an included file', async () => {
    await launch('include_main.zls', {}, () => breakpoints('lib/helper.zls', [3]));
    const { trace } = await stoppedAt('breakpoint', 3, 'lib/helper.zls');
    assert.equal(trace.body.stackFrames.length >= 2, true);
  });

  it('stops only when the condition holds', async () => {
    await launch('lines.zls', {}, () => breakpoints('lines.zls', [5], { condition: 'i = 7' }));
    const { top } = await stoppedAt('breakpoint', 5);
    const i = await dc.evaluateRequest({ expression: 'i', frameId: top.id, context: 'watch' });
    assert.equal(i.body.result, '7');
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await exited).body.exitCode, 0);
  });

  it('stops at the hit count and stops there only', async () => {
    await launch('lines.zls', {}, () => breakpoints('lines.zls', [5], { hitCondition: '3' }));
    const { top } = await stoppedAt('breakpoint', 5);
    const i = await dc.evaluateRequest({ expression: 'i', frameId: top.id, context: 'watch' });
    assert.equal(i.body.result, '3');
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    await exited;
  });

  it('prints a logpoint\'s message instead of stopping', async () => {
    const console = collect('console');
    const exited = dc.waitForEvent('exited');
    await launch('lines.zls', {}, () =>
      breakpoints('lines.zls', [5], { logMessage: 'i={i} total={total + 0}' }));
    await exited;
    assert.match(console.text, /^i=1 total=0\n/);
    assert.match(console.text, /i=10 total=45\n/);
  });

  it('stops at a condition that fails and says why', async () => {
    const console = collect('console');
    await launch('lines.zls', {}, () =>
      breakpoints('lines.zls', [5], { condition: 'nosuchname > 1' }));
    const { event } = await stoppedAt('breakpoint', 5);
    const said = (event.body.text || '') + console.text;
    assert.match(said, /NOSUCHNAME/i);
  });

  it('takes breakpoints away again', async () => {
    const exited = dc.waitForEvent('exited');
    await launch('lines.zls', {}, async () => {
      await breakpoints('lines.zls', [5]);
      await breakpoints('lines.zls', []);
    });
    await exited;
  });
});

describe('script threads', () => {
  it('stops a thread at a breakpoint, lists it and steps in it', async () => {
    const threadEvents = [];
    dc.on('thread', (e) => threadEvents.push(e.body));
    await launch('threads.zls', {}, () => breakpoints('threads.zls', [10]));
    const { event, trace, top } = await stoppedAt('breakpoint', 10);
    assert.equal(event.body.threadId, 2, 'script thread 0 is thread 2');
    assert.match(top.name, /WORK/i);
    assert.equal(trace.body.stackFrames.length, 1, 'the thread has its own stack');
    const locals = await localsOf(top.id);
    assert.equal(locals.N.value, '4');
    const threads = (await dc.threadsRequest()).body.threads;
    assert.deepEqual(threads.map((t) => t.id), [1, 2]);
    // The main thread is held too; its stack is its own.
    let main;
    for (let i = 0; i < 100; ++i) {
      main = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
      if (main.length) break;
      await new Promise((r) => setTimeout(r, 20));
    }
    assert.equal(main.length, 1);
    assert.ok(main[0].line >= 4 && main[0].line <= 6, `main waits at line ${main[0].line}`);
    await dc.nextRequest({ threadId: 2 });
    const step = await stoppedAt('step', 11);
    assert.equal(step.event.body.threadId, 2);
    const stdout = collect('stdout');
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 2 });
    await exited;
    assert.equal(stdout.text, 'end\n');
    assert.deepEqual(threadEvents.map((t) => [t.reason, t.threadId]),
      [['started', 2], ['exited', 2]]);
  });
});

describe('frames and variables', () => {
  it('shows every level of a recursion with its own locals', async () => {
    await launch('recursion.zls', {}, () => breakpoints('recursion.zls', [6]));
    const { trace } = await stoppedAt('breakpoint', 6);
    const frames = trace.body.stackFrames;
    assert.equal(frames.length, 6, 'five calls of Fact and the main program');
    for (let k = 0; k < 5; ++k) {
      assert.match(frames[k].name, /FACT/i);
      const locals = await localsOf(frames[k].id);
      assert.equal(locals.N.value, String(k + 1), `n of frame ${k}`);
    }
    assert.equal(frames[5].line, 2);
    const stdout = collect('stdout');
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    await exited;
    assert.equal(stdout.text, '120\n');
  });

  it('shows arrays and hash tables as children, large arrays in pages', async () => {
    await launch('data.zls', {}, () => breakpoints('data.zls', [12]));
    const { top } = await stoppedAt('breakpoint', 12);
    const vars = await globals(top.id);
    assert.equal(vars.COUNTER.value, '41');
    assert.equal(vars.TEXT.value, 'line1<#CR>line2');
    const small = await dc.variablesRequest({ variablesReference: vars.SMALL.variablesReference });
    assert.deepEqual(small.body.variables.map((v) => [v.name, v.value]),
      [['[0]', '10'], ['[1]', '20'], ['[2]', '30']]);
    assert.equal(vars.BIG.indexedVariables, 1000);
    const page = await dc.variablesRequest({
      variablesReference: vars.BIG.variablesReference, filter: 'indexed', start: 500, count: 3,
    });
    assert.deepEqual(page.body.variables.map((v) => [v.name, v.value]),
      [['[500]', '250000'], ['[501]', '251001'], ['[502]', '252004']]);
    const table = await dc.variablesRequest({ variablesReference: vars.TABLE.variablesReference });
    assert.deepEqual(table.body.variables.map((v) => [v.name, v.value]),
      [['one', '1'], ['two', 'zwei']]);
  });

  it('changes a variable while paused, and the script sees it', async () => {
    const stdout = collect('stdout');
    await launch('data.zls', {}, () => breakpoints('data.zls', [12]));
    const { top } = await stoppedAt('breakpoint', 12);
    const scopes = await dc.scopesRequest({ frameId: top.id });
    const global = scopes.body.scopes.find((s) => s.name === 'Global');
    const set = await dc.setVariableRequest({
      variablesReference: global.variablesReference, name: 'COUNTER', value: '100',
    });
    assert.equal(set.body.value, '100');
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    await exited;
    assert.equal(stdout.text, 'counter=100\n');
  });

  it('evaluates while paused without running on; a bad expression gives its message', async () => {
    await launch('steps.zls', {}, () => breakpoints('steps.zls', [4]));
    const { top } = await stoppedAt('breakpoint', 4);
    const sum = await dc.evaluateRequest({ expression: 'a + b * 10', frameId: top.id, context: 'hover' });
    assert.equal(sum.body.result, '21');
    await assert.rejects(
      dc.evaluateRequest({ expression: '1 +', frameId: top.id, context: 'repl' }),
      /type|expression/i);
    // Still paused where it was, and the run goes on normally.
    const again = await dc.stackTraceRequest({ threadId: 1 });
    assert.equal(again.body.stackFrames[0].line, 4);
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await exited).body.exitCode, 3);
  });
});

describe('errors, pause and stop', () => {
  it('stops at a run-time error with its message, then ends the run', async () => {
    const stderr = collect('stderr');
    await launch('failing.zls');
    const { event } = await stoppedAt('exception', 3);
    assert.match(event.body.text || '', /type/i);
    const exited = dc.waitForEvent('exited');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await exited).body.exitCode, 1);
    assert.match(stderr.text, /at line 3/);
  });

  it('pauses an endless loop and stops it while paused', async () => {
    await launch('endless.zls');
    await new Promise((r) => setTimeout(r, 300));
    await dc.pauseRequest({ threadId: 1 });
    const { top } = await stoppedAt('pause');
    assert.ok(top.line >= 3 && top.line <= 5, `paused in the loop, at line ${top.line}`);
    const terminated = dc.waitForEvent('terminated');
    await dc.terminateRequest({});
    await terminated;
  });

  it('stops a run that waits in a long trace delay', async () => {
    await launch('endless.zls', { trace: 10000 });
    await new Promise((r) => setTimeout(r, 500));
    const started = Date.now();
    const terminated = dc.waitForEvent('terminated');
    await dc.terminateRequest({});
    await terminated;
    assert.ok(Date.now() - started < 5000, 'the delay did not hold the stop');
  });

  it('ends the run and itself when the client disconnects', async () => {
    await launch('endless.zls');
    const ended = new Promise((resolve) => dc._adapterProcess.on('exit', resolve));
    const exited = dc.waitForEvent('exited');
    await dc.disconnectRequest({ terminateDebuggee: true });
    disconnected = true;
    await exited;
    await ended;
  });
});
