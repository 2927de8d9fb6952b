// The browser draws the game as Linux does: one frame of a game begun on a
// known board, with the clock standing still, drawn by the Linux build (SDL's
// offscreen driver over Mesa) and by the page (WebGL 2: Chromium's
// SwiftShader, or Firefox over Mesa), held pixel by pixel, the page's frame
// made the Linux window's 800 x 600. Two rasterisers never agree on every
// edge and every texel they blend, so the tolerance is stated: at most 0.5%
// of the pixels may differ by more than 32 in a channel, and at most 2% by
// more than 8. Both pictures and their difference are written for a person
// to look at. Skipped where the Linux build has not been made.
//
//   node picture_test.mjs chromium|firefox PICTURE_SITE LINUX_FROZEN_FRAME DATA_FOLDER SCREENSHOTS
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { decodePng, encodePng } from '../../tools/png.mjs';
import { openGame, runTest, fail, differingPixels, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, linuxProgram, data, screenshots] = process.argv.slice(3);
if (!fs.existsSync(linuxProgram)) {
  console.log(`SKIP: there is no Linux build's ${linuxProgram} to hold the page against`);
  process.exit(77);
}
fs.mkdirSync(screenshots, { recursive: true });

await runTest(`the picture in ${browser}`, async (use) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-frame-'));
  fs.cpSync(data, path.join(folder, 'Data'), { recursive: true });
  const linuxFile = path.join(screenshots, 'frozen-frame-linux.png');
  execFileSync(path.resolve(linuxProgram), [linuxFile], { cwd: folder, env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' } });
  fs.rmSync(folder, { recursive: true });
  const linux = decodePng(fs.readFileSync(linuxFile));

  const page = use(await openGame(browser, site, { onNewDocument: () => {
    addEventListener('DOMContentLoaded', () => {
      const style = document.createElement('style');
      style.textContent = '#frame { width: 800px !important; height: 600px !important; }';
      document.head.append(style);
    });
  } }));
  await page.start();
  await page.waitForStatus(/frozen frame drawn$/);
  const web = await page.canvasPicture(path.join(screenshots, `frozen-frame-${browser}.png`));

  const far = differingPixels(linux, web, 32), near = differingPixels(linux, web, 8), all = linux.width * linux.height;
  fs.writeFileSync(path.join(screenshots, `frozen-frame-${browser}-difference.png`), encodePng(linux.width, linux.height, (x, y) => {
    const p = linux.pixel(x, y), q = web.pixel(x, y);
    return [0, 1, 2].map((c) => Math.min(255, 4 * Math.abs(p[c] - q[c])));
  }));
  const share = (n) => `${(100 * n / all).toFixed(2)}%`;
  if (far > all / 200) fail(`${share(far)} of the pixels differ by more than 32 (at most 0.5%)`);
  if (near > all / 50) fail(`${share(near)} of the pixels differ by more than 8 (at most 2%)`);
  return `${browser}'s frame matches Linux's: ${share(far)} of the pixels differ by more than 32, ` +
         `${share(near)} by more than 8; pictures in ${screenshots}`;
}, 100000);
