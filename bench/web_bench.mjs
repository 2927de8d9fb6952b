// The page's size and speed, printed: the site's bytes (raw and gzipped,
// file by file), the time from navigating to the page until the status line
// shows the game's caption in headless Chromium, and the frames the page
// presents each second over ten seconds of play. Aims: under 700 KB raw,
// under 2 s to the first status line, and the display's rate where the
// renderer keeps up.
//
//   node web_bench.mjs SITE_FOLDER
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { openGame, sleep } from '../tests/web/kubrask_page.mjs';

const site = process.argv[2];
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;
let raw = 0, packed = 0;
console.log('The site:');
for (const name of fs.readdirSync(site).sort()) {
  const bytes = fs.readFileSync(path.join(site, name));
  const gzipped = zlib.gzipSync(bytes, { level: 9 }).length;
  raw += bytes.length;
  packed += gzipped;
  console.log(`  ${name.padEnd(16)} ${kb(bytes.length).padStart(10)} ${kb(gzipped).padStart(10)} gzipped`);
}
console.log(`  ${'all'.padEnd(16)} ${kb(raw).padStart(10)} ${kb(packed).padStart(10)} gzipped (aim: under 700 KB raw)`);

const page = await openGame(site);
try {
  // Ten starts: the first also compiles the page's code for the cache.
  const starts = [];
  for (let i = 0; i < 10; i++) {
    const begun = Date.now();
    await page.start();
    await page.waitForStatus(/^Kubrask - Time: /);
    starts.push(Date.now() - begun);
  }
  starts.sort((a, b) => a - b);
  console.log(`To the first status line: median ${starts[5]} ms, fastest ${starts[0]} ms, slowest ${starts[9]} ms ` +
              '(aim: under 2 s)');

  // Frames presented: each one waits for the browser's next frame.
  await page.browser.evaluate('window.presented = 0; const next = Page.nextFrame; ' +
                              'Page.nextFrame = () => { window.presented++; return next(); }');
  const display = await page.browser.evaluate('new Promise((done) => { let n = 0; const t = performance.now(); ' +
      'const tick = () => (++n < 60 ? requestAnimationFrame(tick) : done(60000 / (performance.now() - t))); ' +
      'requestAnimationFrame(tick); })');
  await page.browser.evaluate('window.presented = 0');
  await sleep(10000);
  const presented = await page.browser.evaluate('window.presented');
  console.log(`Frames: ${(presented / 10).toFixed(1)} a second over 10 s of play; the display's rate here ` +
              `${display.toFixed(1)} a second`);
} finally {
  await page.close();
}
