// What the browser build's tests share: the site served on 127.0.0.1 and
// opened in Debian's Chromium (headless) or Firefox ESR (on an X server of
// its own, since headless Firefox has no WebGL here), both driven by
// puppeteer-core; the status line, the page's boxes, keys held until the
// game has seen them, swipes on the canvas, and pictures of it.
//
//   const page = await openGame('firefox', siteFolder, { userDataDir });
//   await page.start();
//   await page.waitForStatus(/Score: 0$/);
//   await page.press('ArrowLeft');
//   await page.answerBox('Kubrask', 'Enter');
//   await page.close();
import { spawn } from 'node:child_process';
import readline from 'node:readline';
import fs from 'node:fs';
import puppeteer from 'puppeteer-core';
import { serve } from '../../scripts/serve.mjs';
import { decodePng } from '../../tools/png.mjs';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Fails the test with a message, as the shell tests do.
export function fail(message) {
  throw new Error(message);
}

// The browser a test runs in: its first argument, chromium or firefox.
export function browserFromArguments() {
  const name = process.argv[2];
  if (name !== 'chromium' && name !== 'firefox') {
    console.error(`usage: node ${process.argv[1]} chromium|firefox ...`);
    process.exit(2);
  }
  return name;
}

// Chromium as Debian ships it, headless, drawing WebGL with SwiftShader, as
// strict about sound as a browser on a desktop: none before the player's
// first key, click or touch.
const ChromiumFlags = ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-quic',
                       '--autoplay-policy=user-gesture-required'];
const FirefoxPrefs = {
  'media.autoplay.default': 1,  // no sound before the player's first key, click or touch
  'media.autoplay.blocking_policy': 0,
  'media.cubeb.force_mock_context': true,  // a machine without a sound card: a stand-in device
  'browser.sessionstore.resume_from_crash': false,
  'toolkit.telemetry.reportingpolicy.firstRun': false,
};

// An X server of this process's own for Firefox, started the first time it
// is needed and stopped when the process ends.
let display = null;
function ownDisplay() {
  display ??= new Promise((resolve, reject) => {
    const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1600x1200x24', '-fp', 'built-ins', '-nolisten', 'tcp'],
                         { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    let said = '', number = '';
    server.stderr.on('data', (data) => { said += data; });
    server.stdio[3].on('data', (data) => {
      number += data;
      if (number.includes('\n')) resolve(':' + number.trim());
    });
    server.once('error', (error) => reject(new Error(`Xvfb could not start: ${error.message}`)));
    server.once('exit', (code) => reject(new Error(`Xvfb ended (${code}) before it had a display: ${said.trim()}`)));
    process.on('exit', () => server.kill());
  });
  return display;
}

// Starts `name` with a page of width x height CSS pixels. Options:
// userDataDir (the profile, kept; otherwise a new one), width, height,
// prefs (Firefox's) and args (Chromium's) beyond the usual ones.
// A wait in the page may last as long as the game: the protocol waits as
// long.
export async function launchBrowser(name, options = {}) {
  const { userDataDir, width = 1024, height = 800, prefs = {}, args = [] } = options;
  const common = { userDataDir, defaultViewport: { width, height, deviceScaleFactor: 1 }, protocolTimeout: 600000 };
  if (name === 'chromium') {
    return puppeteer.launch({ ...common, browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true,
                              args: [...ChromiumFlags, ...args] });
  }
  if (name === 'firefox') {
    return puppeteer.launch({ ...common, browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false,
                              env: { ...process.env, DISPLAY: await ownDisplay() },
                              extraPrefsFirefox: { ...FirefoxPrefs, ...prefs } });
  }
  fail(`no browser called ${name}`);
}

// Serves `site` (on `options.port`, or any free port) and opens a page on it
// in a new `browserName`; or, with `options.url`, opens the site served
// there (a score server's). The other options go to launchBrowser, and
// onNewDocument, a function, runs in every document before its own scripts.
// The site's storage belongs to its address: a second browser sees what the
// first saved only on the same port.
export async function openGame(browserName, site, options = {}) {
  const server = options.url ? { url: options.url, close: async () => {} } : await serve(site, options.port || 0);
  const browser = await launchBrowser(browserName, options);
  const tab = (await browser.pages())[0] || (await browser.newPage());
  const consoleMessages = [];
  tab.on('console', (message) => consoleMessages.push(message.text()));
  tab.on('pageerror', (error) => consoleMessages.push(`uncaught: ${error.message}`));
  if (options.onNewDocument) await tab.evaluateOnNewDocument(options.onNewDocument);

  const page = {
    browserName,
    browser,
    tab,
    server,
    url: server.url,
    consoleMessages,
    said: (line) => consoleMessages.some((message) => message.includes(line)),
    // Opens the page afresh (with `query`, "?daily" say); `before`, if
    // given, runs in the page's origin first (on a blank page of the site),
    // for what the game finds saved.
    async start(before, query = '') {
      if (before) {
        await tab.goto(server.url + 'kubrask.png');
        await tab.evaluate(before);
      }
      await tab.goto(server.url + query);
    },
    reload: () => tab.reload(),
    evaluate: (what, ...args) => tab.evaluate(what, ...args),
    // Waits for `expression` (JavaScript, in the page) to be true; the
    // failure says what was awaited.
    async waitFor(expression, timeoutMs, what) {
      try {
        return await (await tab.waitForFunction(expression, { timeout: timeoutMs, polling: 50 })).jsonValue();
      } catch (error) {
        fail(`no ${what} within ${timeoutMs / 1000} s (${error.message.split('\n').slice(0, 3).join(' ')})`);
      }
    },
    status: () => tab.evaluate("document.getElementById('status').textContent"),
    async waitForStatus(pattern, timeoutMs = 30000) {
      const source = JSON.stringify(pattern.source);
      try {
        return await page.waitFor(
          `((text) => new RegExp(${source}).test(text) && text)(document.getElementById('status').textContent)`,
          timeoutMs, `status line matching ${pattern}`);
      } catch (error) {
        fail(`${error.message}; the status line says "${await page.status()}"`);
      }
    },
    // The open boxes, top one last: caption and text (or, for the dialog, its
    // controls' texts), and the text of the focused control.
    boxes: () => tab.evaluate(`Array.from(document.querySelectorAll('.box')).map((box) => ({
        caption: box.querySelector('.box-caption').textContent,
        text: (box.querySelector('.box-text') || box.querySelector('.box-dialog')).textContent,
        focused: box.contains(document.activeElement) ? document.activeElement.textContent : null }))`),
    async waitForBox(caption, timeoutMs = 20000) {
      await page.waitFor(`Array.from(document.querySelectorAll('.box-caption')).some(
          (c) => c.textContent === ${JSON.stringify(caption)})`, timeoutMs, `box captioned "${caption}"`);
      const boxes = await page.boxes();
      return boxes[boxes.length - 1];
    },
    // Waits for a box, answers it (a key pressed in it, or `answer`, an
    // async function) and waits for that box to go.
    async answerBox(caption, answer, timeoutMs = 20000) {
      const box = await page.waitForBox(caption, timeoutMs);
      await tab.evaluate("Array.from(document.querySelectorAll('.box')).pop().dataset.answered = 'yes'");
      if (typeof answer === 'string') await tab.keyboard.press(answer, { delay: 100 });
      else await answer();
      await page.waitFor("!document.querySelector('.box[data-answered]')", 10000, `closing of the box "${caption}"`);
      return box;
    },
    // Holds a key as a player does, until the game has seen it: the game
    // looks at its keys once a frame, so the key stays down until the layer
    // has taken it and the page has presented a frame since (the page's own
    // events are watched for that), or a box has opened, or the game has
    // ended. `holdMs` holds it for a fixed time instead.
    async press(key, holdMs) {
      const before = await tab.evaluate(`(() => {
          if (!window.keyDownsTaken) {
            window.keyDownsTaken = [];
            const take = Page.takeEvent;
            Page.takeEvent = (pointer) => {
              const event = Page.events[0], taken = take(pointer);
              if (taken && event && event[0] === 1) keyDownsTaken.push(Page.frames);
              return taken;
            };
          }
          return keyDownsTaken.length; })()`);
      await tab.keyboard.down(key);
      if (holdMs !== undefined) {
        await sleep(holdMs);
      } else {
        await page.waitFor(`(keyDownsTaken.length > ${before} && Page.frames > keyDownsTaken[${before}]) ||
            Page.boxes.length > 0 || !document.getElementById('ended').hidden`, 30000, `frame that saw ${key}`);
      }
      await tab.keyboard.up(key);
    },
    // Presses a key in a box or the dialog, where the page answers at once.
    pressInBox: (key) => tab.keyboard.press(key, { delay: 100 }),
    type: (text, delayMs = 150) => tab.keyboard.type(text, { delay: delayMs }),
    click: (selector) => tab.click(selector),
    // Where an element lies on the page, in CSS pixels.
    place: (selector) => tab.evaluate((s) => {
      const r = document.querySelector(s).getBoundingClientRect();
      return { x: r.x, y: r.y, width: r.width, height: r.height };
    }, selector),
    async tap(selector) {
      const place = await page.place(selector);
      await tab.touchscreen.tap(place.x + place.width / 2, place.y + place.height / 2);
    },
    // Taps the button of the top box that says `label`.
    async tapButton(label) {
      const place = await tab.evaluate((label) => {
        const box = Array.from(document.querySelectorAll('.box')).pop();
        const button = box && Array.from(box.querySelectorAll('button')).find((b) => b.textContent === label);
        const r = button && button.getBoundingClientRect();
        return r && { x: r.x + r.width / 2, y: r.y + r.height / 2 };
      }, label);
      if (!place) fail(`no button "${label}" in the top box`);
      await tab.touchscreen.tap(place.x, place.y);
    },
    // A finger drawn across the canvas from its middle, at a finger's own
    // pace: `distance` CSS pixels toward `direction` (Left, Right, Up or
    // Down) in `steps` moves 16 ms apart, then, if `turn` ({ direction,
    // distance, steps, afterMs }) is given, on from there toward another way
    // `afterMs` later; it rests `restMs` after its last move and lifts.
    // Each touch event is sent at its own time, not once the one before it
    // has been answered (a busy browser answers slowly).
    async swipe(direction, { distance = 60, steps = 3, restMs = 0, turn } = {}) {
      const canvas = await page.place('#canvas');
      const x = canvas.x + canvas.width / 2, y = canvas.y + canvas.height / 2;
      const toward = (way) => ({ Left: [-1, 0], Right: [1, 0], Up: [0, -1], Down: [0, 1] }[way]);
      const path = [];  // [milliseconds after the touch, x, y]
      const [dx, dy] = toward(direction);
      for (let i = 1; i <= steps; i++) path.push([16 * i, x + dx * distance * i / steps, y + dy * distance * i / steps]);
      if (turn) {
        const [tx, ty] = toward(turn.direction), [, ax, ay] = path[path.length - 1], after = path[path.length - 1][0] + turn.afterMs;
        const turnDistance = turn.distance || distance, turnSteps = turn.steps || steps;
        for (let i = 1; i <= turnSteps; i++) {
          path.push([after + 16 * (i - 1), ax + tx * turnDistance * i / turnSteps, ay + ty * turnDistance * i / turnSteps]);
        }
      }
      const finger = await tab.touchscreen.touchStart(x, y);
      const touched = Date.now();
      const at = (ms, send) => new Promise((resolve) => setTimeout(() => resolve(send()), ms - (Date.now() - touched)));
      const sent = path.map(([ms, px, py]) => at(ms, () => finger.move(px, py)));
      sent.push(at(path[path.length - 1][0] + restMs, () => finger.end()));
      await Promise.all(await Promise.all(sent));
    },
    // The canvas's pixels as the page shows them, also written to `path`.
    async canvasPicture(path) {
      const clip = await page.place('#canvas');
      const png = Buffer.from(await tab.screenshot({ clip }));
      if (path) fs.writeFileSync(path, png);
      return decodePng(png);
    },
    // What the game has saved, as bytes, by file name.
    savedBytes: (name) => tab.evaluate(`(() => { const text = localStorage.getItem('kubrask:${name}');
        return text === null ? null : Array.from(text, (c) => c.charCodeAt(0)); })()`),
    // The journals the page keeps, oldest first: { key, bytes } each.
    journals: () => tab.evaluate(`journalKeys(localStorage)
        .map((key) => ({ key, bytes: Array.from(keptJournal(localStorage, key), (c) => c.charCodeAt(0)) }))`),
    async close() {
      await browser.close().catch(() => {});
      await server.close();
    },
  };
  return page;
}

// Starts kubrask-server (the Linux build's, with the game's art beside it)
// on a free port of 127.0.0.1, serving `site` with its data in `data`:
// { url, stop }. It is stopped when the process ends.
export function startScoreServer(program, site, data) {
  return new Promise((resolve, reject) => {
    if (!fs.existsSync(program)) {
      reject(new Error(`there is no ${program}: build the linux preset first (scripts/test.sh does)`));
      return;
    }
    const server = spawn(program, ['--site', site, '--data', data, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    const stop = () => { if (server.exitCode === null) server.kill(); };
    process.on('exit', stop);
    server.once('error', (error) => reject(new Error(`${program} could not start: ${error.message}`)));
    server.once('exit', (code) => reject(new Error(`${program} ended (${code}) before it listened`)));
    readline.createInterface({ input: server.stdout }).on('line', (line) => {
      const listening = /(http:\/\/127\.0\.0\.1:\d+\/)/.exec(line);
      if (listening) resolve({ url: listening[1], stop });
    });
  });
}

// How many pixels of two pictures of one size differ by more than `tolerance`
// in any channel.
export function differingPixels(a, b, tolerance = 0) {
  if (a.width !== b.width || a.height !== b.height) fail(`pictures of ${a.width}x${a.height} and ${b.width}x${b.height}`);
  let count = 0;
  for (let y = 0; y < a.height; y++) {
    for (let x = 0; x < a.width; x++) {
      const p = a.pixel(x, y), q = b.pixel(x, y);
      if (Math.abs(p[0] - q[0]) > tolerance || Math.abs(p[1] - q[1]) > tolerance || Math.abs(p[2] - q[2]) > tolerance) count++;
    }
  }
  return count;
}

// Runs a test's body with a page and a watchdog; prints "ok: ..." or the
// failure with the page's console, and sets the exit code.
export async function runTest(name, body, timeoutMs) {
  let page = null;
  const watchdog = setTimeout(() => {
    console.error(`FAIL: ${name} took longer than ${timeoutMs / 1000} s`);
    if (page) console.error(page.consoleMessages.map((line) => '  page: ' + line).join('\n'));
    process.exit(1);
  }, timeoutMs);
  try {
    const said = await body((p) => { page = p; return p; });
    console.log(`ok: ${said}`);
  } catch (error) {
    console.error(`FAIL: ${error.message}`);
    if (page) console.error(page.consoleMessages.map((line) => '  page: ' + line).join('\n'));
    process.exitCode = 1;
  } finally {
    if (page) await page.close().catch(() => {});
    clearTimeout(watchdog);
  }
  process.exit();  // the browser's connection may hold the event loop open
}

// Copies the site into `folder` with the texture inside its preloaded data
// overwritten by `text`: the file keeps its place and size, so the page
// loads it as ever.
export function damagedSite(site, folder, text) {
  fs.cpSync(site, folder, { recursive: true });
  const script = fs.readFileSync(`${folder}/kubrask.js`, 'utf8');
  const entry = /"filename":\s*"\/kubrask\/Data\/DiceTexture\.bmp",\s*"start":\s*(\d+)/.exec(script);
  if (!entry) fail('kubrask.js lists no Data/DiceTexture.bmp');
  const data = fs.readFileSync(`${folder}/kubrask.data`);
  data.write(text, Number(entry[1]), 'latin1');
  fs.writeFileSync(`${folder}/kubrask.data`, data);
}
