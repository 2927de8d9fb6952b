// The browser build as a player meets it, in a real headless Chromium, keys
// and clicks through the DevTools protocol:
// - the page loads, the status line (and the document's title) shows the
//   caption and counts down;
// - the arrows, N and V change the picture; P stops the clock and starts it
//   again; A and D open their boxes over the game, which the keys and a
//   click close; the game draws on after them;
// - Escape ends the game, and the page says so and offers to start again;
// - with a damaged texture, the loader's "Error" box comes first, then
//   "Initialization Failed." captioned "ERROR", and the game ends.
// Every box is also a "caption: text" line on the console.
//
//   node page_test.mjs SITE_FOLDER SCRATCH_FOLDER
import fs from 'node:fs';
import { openGame, runTest, fail, sleep, differingPixels, damagedSite } from './kubrask_page.mjs';

const [site, scratch] = process.argv.slice(2);
const caption = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/;
const said = (page, line) => page.browser.consoleMessages.some((m) => m.includes(line));

await runTest('the page', async (use) => {
  const page = use(await openGame(site));
  await page.start();
  const first = await page.waitForStatus(caption);
  const title = await page.browser.evaluate('document.title');
  if (title !== (await page.status()) && !caption.test(title)) fail(`the title is "${title}"`);
  const time = (text) => /Time: (\d:\d\d)/.exec(text)[1];
  await page.browser.waitFor(`!document.getElementById('status').textContent.includes(${JSON.stringify(time(first))})`,
                             5000, 'the clock to count down');

  // The walker spins all the time, so two pictures always differ a little; a
  // move, a new game or another camera changes far more.
  const still = async () => {
    const a = await page.canvasPicture(`${scratch}/a.png`);
    await sleep(300);
    const b = await page.canvasPicture(`${scratch}/b.png`);
    return { spin: differingPixels(a, b, 8), picture: b };
  };
  const changedBy = async (key) => {
    const before = await still();
    await page.press(key, key.startsWith('Arrow') ? 150 : 300);
    await sleep(600);
    const after = await page.canvasPicture(`${scratch}/${key}.png`);
    const changed = differingPixels(before.picture, after, 8);
    if (changed < 2 * before.spin + 2000) fail(`${key} changed ${changed} pixels; the spin alone ${before.spin}`);
    return changed;
  };
  const picture = (await page.canvasPicture(`${scratch}/start.png`));
  if (picture.width !== 800 || picture.height !== 600) fail(`the canvas is ${picture.width}x${picture.height}`);
  // Launched first, the game is seeded with 0: the walker stands on a die in
  // column 6 with free floor to its left.
  const moved = await changedBy('ArrowLeft');
  const viewed = await changedBy('v');
  const renewed = await changedBy('n');
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);

  // Paused, the clock stands; P again starts it.
  await page.press('p');
  const paused = time(await page.status());
  await sleep(2500);
  if (time(await page.status()) !== paused) fail(`the clock ran on while paused: ${await page.status()}`);
  await page.press('p');
  await page.browser.waitFor(`!document.getElementById('status').textContent.includes('Time: ${paused}')`, 5000,
                             'the clock to run again');

  // The boxes, over the game: Enter, Escape and a click answer OK.
  await page.press('a');
  const about = await page.answerBox('Kubrask', 'Enter');
  if (!about.text.includes('Made by the Kubrask developers')) fail(`the about box says "${about.text}"`);
  if (about.focused !== 'OK') fail(`the about box's focus is on ${about.focused}`);
  if (!said(page, 'Kubrask: Kubrask /  / Made by the Kubrask developers')) fail('the about box is not on the console');
  await page.press('d');
  const test = await page.answerBox('Kubrask', 'Escape');
  if (test.text !== 'A Test') fail(`D showed "${test.text}"`);
  await page.press('d');
  await page.waitForBox('Kubrask');
  await page.browser.clickSelector('.box button');
  await page.browser.waitFor("document.querySelectorAll('.box').length === 0", 5000, 'a click to close the box');
  const after = await still();
  if (after.spin === 0) fail('the game stands still after its boxes');

  await page.press('Escape');
  await page.browser.waitFor("!document.getElementById('ended').hidden", 10000, 'the page to say the game ended');
  const ended = await page.browser.evaluate("document.getElementById('ended').textContent");
  if (!/ended.*Start again/.test(ended)) fail(`the page says "${ended}"`);
  await page.close();

  // A texture that is no bitmap: the loader says so, then the start fails.
  const damaged = `${scratch}/damaged-site`;
  fs.rmSync(damaged, { recursive: true, force: true });
  damagedSite(site, damaged, 'not a bitmap at all, only text');
  const broken = use(await openGame(damaged));
  await broken.start();
  const error = await broken.answerBox('Error', 'Enter');
  await broken.answerBox('ERROR', 'Enter');
  if (!said(broken, 'ERROR: Initialization Failed.')) fail('"Initialization Failed." is not on the console');
  await broken.browser.waitFor("!document.getElementById('ended').hidden", 10000, 'the page to say the game ended');
  return `status line counts down; Left, V and N change ${moved}, ${viewed} and ${renewed} pixels; P pauses; ` +
         `A, D, Enter, Escape and a click; Escape ends the game; a damaged texture says "${error.text}", then ERROR`;
}, 240000);
