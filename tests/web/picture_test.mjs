// The browser draws the game as Linux does: one frame of a game begun on a
// known board, with the clock standing still, drawn by the Linux build (SDL's
// offscreen driver over Mesa) and by the page (WebGL 2 in Chromium's
// SwiftShader), held pixel by pixel. Two rasterisers never agree on every
// edge and every texel they blend, so the tolerance is stated: at most 0.5%
// of the pixels may differ by more than 32 in a channel, and at most 2% by
// more than 8. Both pictures and their difference are written
// for a person to look at. Skipped where the Linux build has not been made.
//
//   node picture_test.mjs PICTURE_SITE LINUX_FROZEN_FRAME DATA_FOLDER SCREENSHOTS
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { decodePng } from './chromium.mjs';
import { openGame, runTest, fail, differingPixels } from './kubrask_page.mjs';

const [site, linuxProgram, data, screenshots] = process.argv.slice(2);
if (!fs.existsSync(linuxProgram)) {
  console.log(`SKIP: there is no Linux build's ${linuxProgram} to hold the page against`);
  process.exit(77);
}
fs.mkdirSync(screenshots, { recursive: true });

// An 8-bit RGB PNG of `width` x `height` from pixel(x, y) → [r, g, b].
function writePng(file, width, height, pixel) {
  const rows = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++) rows.set(pixel(x, y).slice(0, 3), y * (width * 3 + 1) + 1 + x * 3);
  const chunk = (type, body) => {
    const length = Buffer.alloc(4), crc = Buffer.alloc(4);
    length.writeUInt32BE(body.length);
    crc.writeUInt32BE(crc32(Buffer.concat([Buffer.from(type), body])));
    return Buffer.concat([length, Buffer.from(type), body, crc]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  fs.writeFileSync(file, Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
                                        chunk('IDAT', zlib.deflateSync(rows)), chunk('IEND', Buffer.alloc(0))]));
}
function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; k++) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc >>> 0;
}

await runTest('the picture', async (use) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-frame-'));
  fs.cpSync(data, path.join(folder, 'Data'), { recursive: true });
  const linuxFile = path.join(screenshots, 'frozen-frame-linux.png');
  execFileSync(path.resolve(linuxProgram), [linuxFile], { cwd: folder, env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' } });
  fs.rmSync(folder, { recursive: true });
  const linux = decodePng(fs.readFileSync(linuxFile));

  const page = use(await openGame(site));
  await page.start();
  await page.waitForStatus(/frozen frame drawn$/);
  const web = await page.canvasPicture(path.join(screenshots, 'frozen-frame-web.png'));

  const far = differingPixels(linux, web, 32), near = differingPixels(linux, web, 8), all = linux.width * linux.height;
  writePng(path.join(screenshots, 'frozen-frame-difference.png'), linux.width, linux.height, (x, y) => {
    const p = linux.pixel(x, y), q = web.pixel(x, y);
    return [0, 1, 2].map((c) => Math.min(255, 4 * Math.abs(p[c] - q[c])));
  });
  const share = (n) => `${(100 * n / all).toFixed(2)}%`;
  if (far > all / 200) fail(`${share(far)} of the pixels differ by more than 32 (at most 0.5%)`);
  if (near > all / 50) fail(`${share(near)} of the pixels differ by more than 8 (at most 2%)`);
  return `the page's frame matches Linux's: ${share(far)} of the pixels differ by more than 32, ` +
         `${share(near)} by more than 8; pictures in ${screenshots}`;
}, 100000);
