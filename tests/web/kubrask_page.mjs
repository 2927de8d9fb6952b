// What the browser build's tests share: the site served on 127.0.0.1 and
// opened in a headless Chromium, the status line, the page's boxes, and
// pictures of the canvas.
//
//   const page = await openGame(siteFolder, { userDataDir });
//   await page.waitForStatus(/Score: 0$/);
//   await page.answerBox('Kubrask', 'Enter');
//   await page.close();
import fs from 'node:fs';
import { launch, decodePng } from './chromium.mjs';
import { serve } from '../../scripts/serve.mjs';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Fails the test with a message, as the shell tests do.
export function fail(message) {
  throw new Error(message);
}

// Serves `site` (on `options.port`, or any free port) and opens it in a new
// Chromium; the other options go to launch. The site's storage belongs to
// its address: a second browser sees what the first saved only on the same
// port.
export async function openGame(site, options = {}) {
  const server = await serve(site, options.port || 0);
  const browser = await launch(options);
  const page = {
    browser,
    url: server.url,
    // Opens the page afresh; `before`, if given, runs in the page's origin
    // first (on a blank page of the site), for what the game finds saved.
    async start(before) {
      if (before) {
        await browser.goto(server.url + 'kubrask.png');
        await browser.evaluate(before);
      }
      await browser.goto(server.url);
    },
    status: () => browser.evaluate("document.getElementById('status').textContent"),
    async waitForStatus(pattern, timeoutMs = 30000) {
      const source = JSON.stringify(pattern.source);
      try {
        return await browser.waitFor(
          `((text) => new RegExp(${source}).test(text) && text)(document.getElementById('status').textContent)`,
          timeoutMs, `the status line to match ${pattern}`);
      } catch (error) {
        fail(`${error.message}; the status line says "${await page.status()}"`);
      }
    },
    // The open boxes, top one last: caption and text (or, for the dialog, its
    // controls' texts).
    boxes: () => browser.evaluate(`Array.from(document.querySelectorAll('.box')).map((box) => ({
        caption: box.querySelector('.box-caption').textContent,
        text: (box.querySelector('.box-text') || box.querySelector('.box-dialog')).textContent,
        focused: box.contains(document.activeElement) ? document.activeElement.textContent : null }))`),
    async waitForBox(caption, timeoutMs = 20000) {
      await browser.waitFor(`Array.from(document.querySelectorAll('.box-caption')).some(
          (c) => c.textContent === ${JSON.stringify(caption)})`, timeoutMs, `a box captioned "${caption}"`);
      const boxes = await page.boxes();
      return boxes[boxes.length - 1];
    },
    // Waits for a box, presses `key` in it and waits for that box to go.
    async answerBox(caption, key, timeoutMs = 20000) {
      const box = await page.waitForBox(caption, timeoutMs);
      await browser.evaluate("Array.from(document.querySelectorAll('.box')).pop().dataset.answered = 'yes'");
      await browser.press(key, 100);
      await browser.waitFor("!document.querySelector('.box[data-answered]')", 10000,
                            `the box "${caption}" to close on ${key}`);
      return box;
    },
    // The canvas's pixels as the page shows them.
    async canvasPicture(path) {
      const place = await browser.evaluate(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
          return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);
      const png = await browser.screenshot(path, place);
      return decodePng(png);
    },
    // What the game has saved, as bytes, by file name.
    savedBytes: (name) => browser.evaluate(`(() => { const text = localStorage.getItem('kubrask:${name}');
        return text === null ? null : Array.from(text, (c) => c.charCodeAt(0)); })()`),
    // Holds a key as a player does: the game looks at its keys once a frame.
    press: (key, holdMs = 300) => browser.press(key, holdMs),
    async close() {
      await browser.close();
      await server.close();
    },
  };
  return page;
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
  const watchdog = setTimeout(() => {
    console.error(`FAIL: ${name} took longer than ${timeoutMs / 1000} s`);
    process.exit(1);
  }, timeoutMs);
  let page = null;
  try {
    const said = await body((p) => { page = p; return p; });
    console.log(`ok: ${said}`);
  } catch (error) {
    console.error(`FAIL: ${error.message}`);
    if (page) console.error(page.browser.consoleMessages.map((line) => '  page: ' + line).join('\n'));
    process.exitCode = 1;
  } finally {
    if (page) await page.close().catch(() => {});
    clearTimeout(watchdog);
  }
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
