// The page's size and speed, printed: the site's bytes (raw and gzipped,
// file by file), and in Chromium and Firefox side by side the time from
// navigating to the page until the status line shows the game's caption, on
// a first visit (a new browser context: nothing kept) and on a visit from
// the files the service worker kept, and the frames the page presents each
// second over five seconds of play. Aims: under 700 KB raw, under 2 s to the
// first status line on a first visit and under 1 s from the kept files, and
// the display's rate where the renderer keeps up.
//
//   node web_bench.mjs SITE_FOLDER
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { launchBrowser, sleep } from '../tests/web/kubrask_page.mjs';
import { serve } from '../scripts/serve.mjs';

const site = process.argv[2];
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;
let raw = 0, packed = 0;
console.log('The site:');
for (const name of fs.readdirSync(site).sort()) {
  const bytes = fs.readFileSync(path.join(site, name));
  const gzipped = zlib.gzipSync(bytes, { level: 9 }).length;
  raw += bytes.length;
  packed += gzipped;
  console.log(`  ${name.padEnd(22)} ${kb(bytes.length).padStart(10)} ${kb(gzipped).padStart(10)} gzipped`);
}
console.log(`  ${'all'.padEnd(22)} ${kb(raw).padStart(10)} ${kb(packed).padStart(10)} gzipped (aim: under 700 KB raw)`);

const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
// Milliseconds from navigating `tab` to the site until the first status line.
async function visit(tab, url) {
  const begun = Date.now();
  await tab.goto(url);
  await tab.waitForFunction(() => /^Kubrask - Time: /.test(document.getElementById('status').textContent),
                            { timeout: 60000, polling: 'raf' });
  return Date.now() - begun;
}

async function measure(name, url) {
  const browser = await launchBrowser(name);
  try {
    const first = [];
    for (let i = 0; i < 5; i++) {
      const context = await browser.createBrowserContext();
      first.push(await visit(await context.newPage(), url));
      await context.close();
    }
    const context = await browser.createBrowserContext();
    const tab = await context.newPage();
    await visit(tab, url);
    await tab.waitForFunction('navigator.serviceWorker.controller !== null', { timeout: 30000 });
    const kept = [];
    for (let i = 0; i < 5; i++) kept.push(await visit(tab, url));

    await tab.evaluate('window.presented = Page.frames');
    await sleep(5000);
    const frames = (await tab.evaluate('Page.frames - window.presented')) / 5;
    await context.close();
    return { first: median(first), kept: median(kept), frames };
  } finally {
    await browser.close();
  }
}

const server = await serve(site);
try {
  const figures = { Chromium: await measure('chromium', server.url), Firefox: await measure('firefox', server.url) };
  const row = (label, pick) => console.log(`  ${label.padEnd(44)} ${Object.values(figures).map((f) => pick(f).padStart(12)).join('')}`);
  console.log(`\n  ${''.padEnd(44)} ${Object.keys(figures).map((b) => b.padStart(12)).join('')}`);
  row('first visit to the status line (aim: 2 s)', (f) => `${f.first} ms`);
  row('visit from the kept files (aim: 1 s)', (f) => `${f.kept} ms`);
  row('frames a second over 5 s of play', (f) => f.frames.toFixed(1));
  console.log('  (medians of five visits each)');
} finally {
  await server.close();
}
process.exit(0);
