// Drives a headless Chromium for the browser build's end-to-end tests, through
// the DevTools protocol on a pipe: with --remote-debugging-pipe the browser
// reads JSON commands on its fd 3 and answers on its fd 4, each message ended
// by a NUL byte.
//
//   import { launch } from './chromium.mjs';
//   const browser = await launch({ echo: true });
//   await browser.goto(url);
//   await browser.waitFor('document.title === "Kubrask"', 20000, 'the game to start');
//   await browser.press('ArrowLeft');
//   await browser.screenshot('/tmp/board.png');
//   await browser.close();
//
// launch(options): userDataDir (kept at close; otherwise a temporary profile,
// removed at close), width and height of the page in CSS pixels (1024x800),
// echo (copy console messages to stderr), timeoutMs (longest wait for one
// protocol answer or page load, 30 s), executable, args (more flags).
// evaluate also takes a function and its arguments (sent as JSON); send(method,
// params) is any other protocol command, on the page. decodePng(buffer) reads
// a screenshot's pixels.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const FLAGS = [
  '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic',
  '--no-first-run', '--no-default-browser-check', '--remote-debugging-pipe', '--force-device-scale-factor=1',
  // a busy machine must not slow the page's timers and frames down
  '--disable-background-timer-throttling', '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
];

// Named keys: [code, windowsVirtualKeyCode, text]; letters, digits, F1-F12
// and other single characters are worked out in describeKey.
const KEYS = {
  ArrowLeft: ['ArrowLeft', 37], ArrowUp: ['ArrowUp', 38], ArrowRight: ['ArrowRight', 39], ArrowDown: ['ArrowDown', 40],
  Escape: ['Escape', 27], Enter: ['Enter', 13, '\r'], Tab: ['Tab', 9], ' ': ['Space', 32, ' '],
  Backspace: ['Backspace', 8], Pause: ['Pause', 19], Delete: ['Delete', 46], Insert: ['Insert', 45],
  Home: ['Home', 36], End: ['End', 35], PageUp: ['PageUp', 33], PageDown: ['PageDown', 34],
};

function describeKey(name) {
  if (name === 'Space') name = ' ';
  if (name === '\n') name = 'Enter';
  if (KEYS[name]) {
    const [code, vk, text] = KEYS[name];
    return { key: name, code, windowsVirtualKeyCode: vk, text };
  }
  if (/^[a-z]$/i.test(name)) {
    const upper = name.toUpperCase();
    return { key: name, code: 'Key' + upper, windowsVirtualKeyCode: upper.charCodeAt(0), text: name, modifiers: name === upper ? 8 : 0 };
  }
  if (/^[0-9]$/.test(name)) return { key: name, code: 'Digit' + name, windowsVirtualKeyCode: name.charCodeAt(0), text: name };
  if (/^F([1-9]|1[0-2])$/.test(name)) return { key: name, code: name, windowsVirtualKeyCode: 111 + Number(name.slice(1)) };
  if ([...name].length === 1 && name >= ' ') return { key: name, code: '', windowsVirtualKeyCode: 0, text: name };
  throw new Error(`unknown key ${JSON.stringify(name)}`);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const show = (value) => (typeof value === 'string' ? value : JSON.stringify(value));

export async function launch(options = {}) {
  const { width = 1024, height = 800, echo = false, timeoutMs = 30000, executable = '/usr/bin/chromium', args = [] } = options;
  const ownProfile = !options.userDataDir;
  const userDataDir = ownProfile ? fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-chromium-')) : path.resolve(options.userDataDir);
  const child = spawn(executable, [...FLAGS, `--user-data-dir=${userDataDir}`, `--window-size=${width},${height}`, ...args, 'about:blank'], {
    stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'],
    detached: true, // its own process group, so that a stuck browser can be killed with all its helpers
  });
  const toBrowser = child.stdio[3];
  const fromBrowser = child.stdio[4];
  const killAll = () => {
    try {
      process.kill(-child.pid, 'SIGKILL');
    } catch {}
  };
  const removeProfile = () => ownProfile && fs.rmSync(userDataDir, { recursive: true, force: true, maxRetries: 5 });
  const cleanUpAtExit = () => (killAll(), removeProfile());
  process.on('exit', cleanUpAtExit);

  // The end of stderr, for the messages of failures, without the complaints
  // about the missing D-Bus that fill it on a server.
  let stderr = '';
  let lastLine = '';
  child.stderr.on('data', (data) => {
    const lines = (lastLine + data).split('\n');
    lastLine = lines.pop();
    stderr = [...stderr.split('\n'), ...lines.filter((line) => !/:ERROR:dbus\//.test(line))].slice(-30).join('\n');
  });
  toBrowser?.on('error', () => {}); // a write after the browser died; its exit is reported instead

  // Every call waiting on the browser is in `pending` or `watchers`; when the
  // browser goes, all of them fail with the end of its stderr.
  const pending = new Map();
  const watchers = new Set();
  let nextId = 0;
  let failure = null;
  let closing = false;
  const fail = (why) => {
    if (failure) return;
    failure = new Error(closing ? why : `${why}\n--- end of Chromium's stderr ---\n${(stderr + '\n' + lastLine).trim()}\n---`);
    for (const call of pending.values()) call.reject(failure);
    pending.clear();
    for (const watcher of [...watchers]) watcher();
  };
  const exited = new Promise((resolve) => {
    child.once('error', (e) => (fail(`Chromium could not be started (${executable}): ${e.message}`), resolve()));
    child.once('exit', (code, signal) => {
      const why = closing ? 'Chromium was closed' : `Chromium exited (${signal ? 'signal ' + signal : 'code ' + code})`;
      resolve();
      if (child.stderr.readableEnded) return fail(why);
      const timer = setTimeout(() => fail(why), 1000); // helpers may hold stderr open a little longer
      child.stderr.once('end', () => (clearTimeout(timer), fail(why)));
    });
  });

  function send(method, params = {}, sessionId) {
    if (failure) return Promise.reject(failure);
    return new Promise((resolve, reject) => {
      const id = ++nextId;
      const timer = setTimeout(() => {
        pending.delete(id);
        reject(new Error(`Chromium did not answer ${method} within ${timeoutMs} ms`));
      }, timeoutMs);
      const settle = (f) => (v) => (clearTimeout(timer), f(v));
      pending.set(id, { method, resolve: settle(resolve), reject: settle(reject) });
      toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    });
  }

  // Resolves with test()'s value once it is truthy, checked again after each event.
  function until(test, ms, what) {
    return new Promise((resolve, reject) => {
      const stop = (f, v) => (clearTimeout(timer), watchers.delete(check), f(v));
      const check = () => {
        if (failure) return stop(reject, failure);
        const value = test();
        if (value) stop(resolve, value);
      };
      const timer = setTimeout(() => stop(reject, new Error(`timed out after ${ms} ms waiting for ${what}`)), ms);
      watchers.add(check);
      check();
    });
  }

  const consoleMessages = [];
  const note = (text) => {
    consoleMessages.push(text);
    if (echo) process.stderr.write(`[page] ${text}\n`);
  };
  const describeException = (d) => d.exception?.description ?? d.exception?.value ?? d.text;
  let sessionId, mainFrame, currentLoader;
  const loaded = new Set(); // loaders whose document fired its load event
  const onEvent = (method, params) => {
    if (method === 'Runtime.consoleAPICalled') {
      note(`${params.type}: ${params.args.map((a) => a.value ?? a.unserializableValue ?? a.description ?? a.type).join(' ')}`);
    } else if (method === 'Runtime.exceptionThrown') {
      note(`exception: ${describeException(params.exceptionDetails)}`);
    } else if (method === 'Page.lifecycleEvent' && params.name === 'load' && params.frameId === mainFrame) {
      loaded.add(params.loaderId);
    } else if (method === 'Page.frameNavigated' && !params.frame.parentId) {
      currentLoader = params.frame.loaderId;
    } else if (method === 'Page.javascriptDialogOpening') {
      note(`dialog: ${params.message}`);
      send('Page.handleJavaScriptDialog', { accept: true }, sessionId).catch(() => {});
    } else if (method === 'Inspector.targetCrashed') {
      fail('the page crashed');
    }
  };
  let partial = [];
  fromBrowser?.on('data', (data) => {
    let start = 0;
    for (let end; (end = data.indexOf(0, start)) >= 0; start = end + 1) {
      partial.push(data.subarray(start, end));
      const message = JSON.parse(Buffer.concat(partial).toString());
      partial = [];
      const call = pending.get(message.id);
      if (call) {
        pending.delete(message.id);
        const { error } = message;
        if (error) call.reject(new Error(`${call.method}: ${error.message}${error.data ? ` (${error.data})` : ''}`));
        else call.resolve(message.result);
      } else if (message.method && message.sessionId === sessionId) {
        onEvent(message.method, message.params);
        for (const watcher of [...watchers]) watcher();
      }
    }
    partial.push(data.subarray(start));
  });

  let closed;
  function close() {
    closed ??= (async () => {
      closing = true;
      if (child.exitCode === null && child.signalCode === null && child.pid) {
        toBrowser.write(JSON.stringify({ id: ++nextId, method: 'Browser.close' }) + '\0'); // lets it save the profile
        const timer = setTimeout(killAll, 10000);
        await exited;
        clearTimeout(timer);
      }
      killAll(); // helpers left behind by a browser that died
      fail('Chromium was closed');
      process.off('exit', cleanUpAtExit);
      removeProfile();
    })();
    return closed;
  }

  const call = (method, params) => send(method, params, sessionId);
  try {
    const { targetInfos } = await send('Target.getTargets');
    const page = targetInfos.find((t) => t.type === 'page');
    const targetId = page ? page.targetId : (await send('Target.createTarget', { url: 'about:blank' })).targetId;
    ({ sessionId } = await send('Target.attachToTarget', { targetId, flatten: true }));
    await Promise.all([
      call('Page.enable'),
      call('Page.setLifecycleEventsEnabled', { enabled: true }),
      call('Runtime.enable'),
      call('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false }),
      call('Emulation.setFocusEmulationEnabled', { enabled: true }), // the page keeps the keyboard focus
    ]);
    const { frame } = (await call('Page.getFrameTree')).frameTree;
    mainFrame = frame.id;
    currentLoader = frame.loaderId;
  } catch (e) {
    await close();
    throw new Error(`Chromium did not start: ${e.message}`);
  }

  async function evaluate(expression, ...args) {
    if (typeof expression === 'function') expression = `(${expression})(${args.map((a) => JSON.stringify(a)).join(', ')})`;
    const r = await call('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true, userGesture: true });
    if (r.exceptionDetails) throw Object.assign(new Error(`the page threw: ${describeException(r.exceptionDetails)}`), { pageThrew: true });
    const odd = r.result.unserializableValue; // NaN, Infinity, -0, 10n
    if (odd !== undefined) return odd.endsWith('n') ? BigInt(odd.slice(0, -1)) : Number(odd);
    return r.result.value;
  }

  const held = new Set();
  async function keyDown(name) {
    const k = describeKey(name);
    const autoRepeat = held.has(k.code || k.key);
    held.add(k.code || k.key);
    await call('Input.dispatchKeyEvent', {
      type: k.text ? 'keyDown' : 'rawKeyDown', ...k, unmodifiedText: k.text, nativeVirtualKeyCode: k.windowsVirtualKeyCode, autoRepeat,
    });
  }
  async function keyUp(name) {
    const { key, code, windowsVirtualKeyCode, modifiers } = describeKey(name);
    held.delete(code || key);
    await call('Input.dispatchKeyEvent', { type: 'keyUp', key, code, windowsVirtualKeyCode, nativeVirtualKeyCode: windowsVirtualKeyCode, modifiers });
  }
  async function click(x, y) {
    await call('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await call('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button: 'left', buttons: 1, clickCount: 1 });
    await call('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button: 'left', buttons: 0, clickCount: 1 });
  }

  return {
    consoleMessages,
    userDataDir,
    pid: child.pid,
    send: call, // any other protocol command, on the page
    evaluate,
    close,
    keyDown,
    keyUp,
    click,

    async goto(url) {
      const r = await call('Page.navigate', { url });
      if (r.errorText) throw new Error(`could not open ${url}: ${r.errorText}`);
      if (r.loaderId) await until(() => loaded.has(r.loaderId), timeoutMs, `${url} to load`);
    },

    async reload() {
      const before = currentLoader;
      await call('Page.reload', { ignoreCache: true });
      await until(() => currentLoader !== before && loaded.has(currentLoader), timeoutMs, 'the page to load again');
    },

    // Polls until the expression is truthy and returns its value; the page
    // throwing (not ready yet) or being between documents counts as falsy.
    async waitFor(expression, ms = 10000, what = String(expression)) {
      const deadline = Date.now() + ms;
      for (;;) {
        let last;
        try {
          last = await evaluate(expression);
          if (last) return last;
        } catch (e) {
          if (failure) throw e;
          last = `(error) ${e.message}`;
        }
        if (Date.now() >= deadline) throw new Error(`timed out after ${ms} ms waiting for ${what}; last value: ${show(last)}`);
        await sleep(50);
      }
    },

    async press(key, holdMs = 300) {
      await keyDown(key);
      await sleep(holdMs);
      await keyUp(key);
    },

    async type(text, delayMs = 20) {
      for (const ch of text) {
        await keyDown(ch);
        await keyUp(ch);
        if (delayMs) await sleep(delayMs);
      }
    },

    async clickSelector(css) {
      const box = await evaluate((css) => {
        const e = document.querySelector(css);
        if (!e) return null;
        e.scrollIntoView({ block: 'center', inline: 'center' });
        const r = e.getBoundingClientRect();
        return { x: r.x + r.width / 2, y: r.y + r.height / 2, empty: !r.width || !r.height };
      }, css);
      if (!box) throw new Error(`clickSelector: nothing matches ${css}`);
      if (box.empty) throw new Error(`clickSelector: ${css} takes no room on the page`);
      await click(box.x, box.y);
    },

    // Writes a PNG of the page, or of clip {x, y, width, height}; returns its bytes.
    async screenshot(file, clip) {
      const { data } = await call('Page.captureScreenshot', { format: 'png', ...(clip && { clip: { ...clip, scale: 1 } }) });
      const png = Buffer.from(data, 'base64');
      if (file) fs.writeFileSync(file, png);
      return png;
    },
  };
}

// The size and pixels of an 8-bit RGB or RGBA PNG, such as Chromium's
// screenshots: { width, height, pixel(x, y) -> [r, g, b, a] }.
export function decodePng(png) {
  if (png.readUInt32BE(0) !== 0x89504e47 || png.readUInt32BE(4) !== 0x0d0a1a0a) throw new Error('decodePng: not a PNG');
  let width, height, depth, type, interlace;
  const data = [];
  for (let at = 8; at < png.length; ) {
    const length = png.readUInt32BE(at);
    const kind = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') [width, height, depth, type, interlace] = [body.readUInt32BE(0), body.readUInt32BE(4), body[8], body[9], body[12]];
    if (kind === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const channels = { 2: 3, 6: 4 }[type];
  if (depth !== 8 || !channels || interlace) throw new Error('decodePng: only 8-bit RGB or RGBA, not interlaced');
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const out = new Uint8Array(height * stride); // stores modulo 256, as the filters need
  for (let y = 0, i = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; x++, i++) {
      const a = x >= channels ? out[i - channels] : 0;
      const b = y ? out[i - stride] : 0;
      const c = x >= channels && y ? out[i - stride - channels] : 0;
      const p = a + b - c;
      const [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      out[i] = raw[y * (stride + 1) + 1 + x] + predicted;
    }
  }
  return {
    width,
    height,
    pixel(x, y) {
      const i = (y * width + x) * channels;
      return [out[i], out[i + 1], out[i + 2], channels === 4 ? out[i + 3] : 255];
    },
  };
}
