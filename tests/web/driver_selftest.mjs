// Checks serve.mjs and chromium.mjs on a small page of their own, without the
// game: node tests/web/driver_selftest.mjs
// Prints one "ok: ..." line and exits 0, or prints each failure and exits 1.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve } from '../../scripts/serve.mjs';
import { launch, decodePng } from './chromium.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const started = Date.now();
const failures = [];
let checks = 0;
const check = (ok, what) => (checks++, ok || failures.push(what));
const same = (actual, expected, what) => check(JSON.stringify(actual) === JSON.stringify(expected), `${what}: got ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
const errorOf = (promise) => promise.then(() => '(no error)', (e) => e.message);
async function group(name, body) {
  try {
    await body();
  } catch (e) {
    failures.push(`${name}: ${e.stack}`);
  }
}
async function eventually(test, ms, what) {
  for (const deadline = Date.now() + ms; !test(); await new Promise((r) => setTimeout(r, 50))) {
    if (Date.now() > deadline) return failures.push(`timed out waiting for ${what}`);
  }
}
function get(url, rawPath) { // node's client sends the path as written, `..` included
  const { port } = new URL(url);
  return new Promise((resolve, reject) => {
    http.get({ host: '127.0.0.1', port, path: rawPath }, (res) => {
      let body = '';
      res.on('data', (d) => (body += d));
      res.on('end', () => resolve({ status: res.statusCode, type: res.headers['content-type'], cache: res.headers['cache-control'], body }));
    }).on('error', reject);
  });
}
setTimeout(() => {
  console.error(['failed: the self-test did not finish within 100 s', ...failures].join('\n'));
  process.exit(1);
}, 100000).unref();

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-driver-'));
const site = path.join(tmp, 'site');
const profile = path.join(tmp, 'profile');
fs.mkdirSync(site);
fs.writeFileSync(path.join(tmp, 'secret.txt'), 'outside the served folder');
fs.writeFileSync(path.join(site, 'game.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]));
fs.writeFileSync(path.join(site, 'game.data'), 'data');
fs.writeFileSync(path.join(site, 'index.html'), `<!doctype html><meta charset="utf-8"><title>driver self-test</title>
<canvas id="c" width="64" height="64" style="position: absolute; left: 10px; top: 10px"></canvas>
<div style="position: absolute; top: 100px"><input id="name"> <button id="go" onclick="document.title = 'clicked'">Go</button></div>
<script src="page.js"></script>`);
fs.writeFileSync(path.join(site, 'page.js'), `
window.loads = Number(localStorage.getItem('loads') || 0) + 1;
localStorage.setItem('loads', loads);
window.events = [];
for (const type of ['keydown', 'keyup']) {
  addEventListener(type, (e) => events.push({ type, key: e.key, code: e.code, keyCode: e.keyCode, repeat: e.repeat, shift: e.shiftKey }), true);
}
const gl = document.getElementById('c').getContext('webgl2', { preserveDrawingBuffer: true });
const program = gl.createProgram();
for (const [type, source] of [[gl.VERTEX_SHADER, 'layout(location = 0) in vec2 p; void main() { gl_Position = vec4(p, 0, 1); }'],
                              [gl.FRAGMENT_SHADER, 'precision mediump float; out vec4 colour; void main() { colour = vec4(1, 0, 0, 1); }']]) {
  const shader = gl.createShader(type);
  gl.shaderSource(shader, '#version 300 es\\n' + source);
  gl.compileShader(shader);
  gl.attachShader(program, shader);
}
gl.linkProgram(program);
gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-0.8, -0.8, 0.8, -0.8, 0, 0.8]), gl.STATIC_DRAW);
gl.clearColor(0, 0, 1, 1);
gl.clear(gl.COLOR_BUFFER_BIT);
addEventListener('keydown', (e) => {
  if (e.key !== 'r') return;
  gl.useProgram(program);
  gl.enableVertexAttribArray(0);
  gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
  gl.drawArrays(gl.TRIANGLES, 0, 3);
});
window.centre = () => {
  const rgba = new Uint8Array(4);
  gl.readPixels(32, 32, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
  return [...rgba];
};
console.log('page says hi');
setTimeout(() => { throw new Error('uncaught in a timer'); });
`);

const server = await serve(site);

await group('serve.mjs', async () => {
  const home = await get(server.url, '/');
  same([home.status, home.type, home.cache], [200, 'text/html; charset=utf-8', 'no-store'], '/');
  check(home.body.includes('<canvas'), '/ does not give index.html');
  for (const [file, type] of [['game.wasm', 'application/wasm'], ['game.data', 'application/octet-stream'], ['page.js', 'text/javascript; charset=utf-8']]) {
    const r = await get(server.url, '/' + file);
    same([r.status, r.type], [200, type], file);
  }
  same((await get(server.url, '/missing.txt')).status, 404, '/missing.txt');
  for (const escape of ['/../secret.txt', '/%2e%2e/secret.txt', '/..%2fsecret.txt']) {
    const r = await get(server.url, escape);
    check(r.status === 403 && !r.body.includes('outside'), `${escape} is not refused: ${r.status} ${r.body}`);
  }

  const command = spawn(process.execPath, [path.join(here, '../../scripts/serve.mjs'), site, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  try {
    const line = await new Promise((resolve) => {
      let out = '';
      command.stdout.on('data', (d) => (out += d).includes('\n') && resolve(out));
      command.on('exit', () => resolve(out));
    });
    const url = line.match(/^Serving (.*) on (http:\/\/127\.0\.0\.1:\d+\/)\n$/);
    check(url?.[1] === site, `the command printed ${JSON.stringify(line)}`);
    if (url) same((await get(url[2], '/game.wasm')).type, 'application/wasm', 'the command serving game.wasm');
  } finally {
    command.kill();
  }
});

await group('chromium.mjs on a page', async () => {
  const browser = await launch({ userDataDir: profile });
  try {
    await browser.goto(server.url);
    same(await browser.evaluate('[document.title, loads, innerWidth, innerHeight]'), ['driver self-test', 1, 1024, 800], 'the first load');
    same(await browser.evaluate('Promise.resolve(6 * 7)'), 42, 'evaluate of a promise');
    check((await errorOf(browser.evaluate('throw new Error("thrown on purpose")'))).includes('thrown on purpose'), 'evaluate does not report the exception');
    const timeout = await errorOf(browser.waitFor('window.never', 300, 'the never-set flag'));
    check(timeout.includes('the never-set flag') && timeout.includes('last value'), `waitFor's timeout says ${timeout}`);
    await eventually(() => browser.consoleMessages.some((m) => m.includes('page says hi')), 10000, 'console.log in consoleMessages');
    await eventually(() => browser.consoleMessages.some((m) => m.includes('uncaught in a timer')), 10000, 'the uncaught exception in consoleMessages');

    same(await browser.evaluate('centre()'), [0, 0, 255, 255], 'the canvas before "r"');
    await browser.press('r');
    await browser.waitFor('events.length >= 2', 5000, 'the events of "r"');
    same(await browser.evaluate('events'), [
      { type: 'keydown', key: 'r', code: 'KeyR', keyCode: 82, repeat: false, shift: false },
      { type: 'keyup', key: 'r', code: 'KeyR', keyCode: 82, repeat: false, shift: false }], 'press("r")');
    same(await browser.evaluate('centre()'), [255, 0, 0, 255], 'the canvas after "r"');

    const keys = [['A', 'A', 'KeyA', 65], ['7', '7', 'Digit7', 55], ['ArrowUp', 'ArrowUp', 'ArrowUp', 38],
      ['ArrowDown', 'ArrowDown', 'ArrowDown', 40], ['ArrowLeft', 'ArrowLeft', 'ArrowLeft', 37],
      ['ArrowRight', 'ArrowRight', 'ArrowRight', 39], ['Space', ' ', 'Space', 32], ['Escape', 'Escape', 'Escape', 27],
      ['Enter', 'Enter', 'Enter', 13], ['Backspace', 'Backspace', 'Backspace', 8], ['Pause', 'Pause', 'Pause', 19], ['Tab', 'Tab', 'Tab', 9]];
    await browser.evaluate('events = []');
    for (const [name] of keys) await browser.press(name, 20);
    await browser.waitFor(`events.length >= ${2 * keys.length}`, 5000, 'the events of every key');
    const seen = await browser.evaluate('events.map((e) => [e.type, e.key, e.code, e.keyCode, e.shift])');
    keys.forEach(([name, key, code, keyCode], i) => same(seen.slice(2 * i, 2 * i + 2),
      [['keydown', key, code, keyCode, key === 'A'], ['keyup', key, code, keyCode, key === 'A']], `press("${name}")`));

    await browser.evaluate('events = []');
    await browser.keyDown('ArrowLeft');
    await browser.keyDown('ArrowLeft');
    await browser.keyUp('ArrowLeft');
    await browser.waitFor('events.length >= 3', 5000, 'the events of a held key');
    same(await browser.evaluate('events.map((e) => e.type + " " + e.repeat)'), ['keydown false', 'keydown true', 'keyup false'], 'a held key repeating');

    await browser.clickSelector('#name');
    same(await browser.evaluate('document.activeElement.id'), 'name', 'the focus after clicking the text field');
    await browser.type('Zoë');
    same(await browser.evaluate('document.getElementById("name").value'), 'Zoë', 'the typed text');
    await browser.clickSelector('#go');
    await browser.waitFor('document.title === "clicked"', 5000, 'the button to change the title');
    check((await errorOf(browser.clickSelector('#absent'))).includes('#absent'), 'clickSelector of nothing does not fail');

    const shot = path.join(tmp, 'canvas.png');
    await browser.screenshot(shot, { x: 10, y: 10, width: 64, height: 64 });
    const png = fs.readFileSync(shot);
    same([png.subarray(0, 8).toString('hex'), png.toString('latin1', 12, 16), png.readUInt32BE(16), png.readUInt32BE(20)],
      ['89504e470d0a1a0a', 'IHDR', 64, 64], 'the header of the canvas screenshot');
    const pixels = decodePng(png);
    same([pixels.pixel(32, 40), pixels.pixel(3, 3)], [[255, 0, 0, 255], [0, 0, 255, 255]], 'the red triangle on blue in the screenshot');
    const whole = decodePng(await browser.screenshot());
    same([whole.width, whole.height, whole.pixel(42, 50), whole.pixel(500, 500)], [1024, 800, [255, 0, 0, 255], [255, 255, 255, 255]], 'the whole page');

    await browser.reload();
    same(await browser.evaluate('[loads, events.length, document.title]'), [2, 0, 'driver self-test'], 'after reload');
  } finally {
    await browser.close();
  }
  check(fs.existsSync(path.join(profile, 'Default')), 'the given profile was removed');
});

await group('chromium.mjs on the same profile again', async () => {
  const browser = await launch({ userDataDir: profile, width: 640, height: 480 });
  try {
    await browser.goto(server.url);
    same(await browser.evaluate('[loads, innerWidth, innerHeight]'), [3, 640, 480], 'the relaunch');
  } finally {
    await browser.close();
  }
});

await group('chromium.mjs when the browser dies', async () => {
  const browser = await launch();
  check(fs.existsSync(browser.userDataDir), 'no temporary profile');
  const waiting = errorOf(browser.evaluate('new Promise(() => {})'));
  process.kill(browser.pid, 'SIGKILL');
  const why = await waiting;
  check(why.includes('Chromium exited (signal SIGKILL)') && why.includes("Chromium's stderr"), `a call pending at its death says ${why}`);
  check((await errorOf(browser.goto(server.url))).includes('Chromium exited'), 'a call after its death does not fail');
  await browser.close();
  check(!fs.existsSync(browser.userDataDir), 'the temporary profile is left behind');
});

await group('chromium.mjs when the browser cannot start', async () => {
  const fake = path.join(tmp, 'not-chromium');
  fs.writeFileSync(fake, '#!/bin/sh\necho "not-chromium: no browser here" >&2\nexit 3\n', { mode: 0o755 });
  const why = await errorOf(launch({ executable: fake }));
  check(why.includes('no browser here') && why.includes('code 3'), `a browser that cannot start is reported as ${why}`);
});

await server.close();
fs.rmSync(tmp, { recursive: true, force: true });
if (failures.length) {
  console.error(`failed: ${failures.length} of ${checks} checks\n${failures.join('\n')}`);
  process.exit(1);
}
console.log(`ok: serve.mjs and chromium.mjs pass ${checks} checks in ${((Date.now() - started) / 1000).toFixed(1)} s`);
process.exit(0);
