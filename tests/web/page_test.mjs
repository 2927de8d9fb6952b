// The browser build as a player meets it, in a real headless Chromium, keys
// and clicks through the DevTools protocol:
// - the page loads, the status line (and the document's title) shows the
//   caption and counts down;
// - the arrows, N and V change the picture; P stops the clock and starts it
//   again; A and D open their boxes over the game, which the keys and a
//   click close; the game draws on after them;
// - a move plays its sound, once a key has let the page make sound;
// - a pad (the Gamepad API, stood in for in the page) moves the walker with
//   its d-pad, Start begins a new game and A turns the camera;
// - a hidden tab is a minimised window: the clock stands until it is shown;
// - resizing the frame resizes the canvas's drawing, and the game fills it;
// - Escape ends the game, and the page says so; Start again starts it anew;
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
  await page.browser.evaluate(`window.sounds = []; const play = Page.playSound;
      Page.playSound = (...call) => { const played = play(...call); sounds.push([call[0], played]); return played; }`);
  const moved = await changedBy('ArrowLeft');
  const sounds = await page.browser.evaluate('window.sounds');
  if (!sounds.some(([file, played]) => file === 'Data/DiceMove.wav' && played)) fail(`the move played ${JSON.stringify(sounds)}`);
  const viewed = await changedBy('v');
  const renewed = await changedBy('n');
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);

  // A pad with the standard mapping, plugged in now: the d-pad moves, Start
  // is a new game, A turns the camera.
  await page.browser.evaluate(`window.pad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
      navigator.getGamepads = () => [window.pad]`);
  const padButton = async (index, mustChange = true) => {
    const before = await still();
    await page.browser.evaluate(`pad.buttons[${index}].pressed = true`);
    await sleep(index >= 12 ? 150 : 300);
    await page.browser.evaluate(`pad.buttons[${index}].pressed = false`);
    await sleep(600);
    const changed = differingPixels(before.picture, await page.canvasPicture(`${scratch}/pad-${index}.png`), 8);
    if (changed >= 2 * before.spin + 2000) return true;
    if (mustChange) fail(`the pad's button ${index} changed ${changed} pixels; the spin alone ${before.spin}`);
    return false;
  };
  // The d-pad (buttons 12 to 15): one of the four ways leads somewhere.
  let padMoved = false;
  for (const index of [12, 13, 14, 15]) if (!padMoved) padMoved = await padButton(index, false);
  if (!padMoved) fail('the pad\'s d-pad moved the walker no way');
  await padButton(0);   // A: the next camera view
  await padButton(9);   // Start: a new game
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);

  // A hidden tab is a minimised window: no frames, no game time.
  const setHidden = (hidden) => page.browser.evaluate(`Object.defineProperty(document, 'hidden',
      { configurable: true, get: () => ${hidden} }); document.dispatchEvent(new Event('visibilitychange'))`);
  await setHidden(true);
  await sleep(1500);
  const hidden = time(await page.status());
  await sleep(2500);
  if (time(await page.status()) !== hidden) fail(`the clock ran on in a hidden tab: ${await page.status()}`);
  await setHidden(false);
  await page.browser.waitFor(`!document.getElementById('status').textContent.includes('Time: ${hidden}')`, 5000,
                             'the clock to run again once the tab is shown');

  // The frame resized: the canvas's drawing follows, and the game fills it.
  await page.browser.evaluate("Object.assign(document.getElementById('frame').style, { width: '640px', height: '400px' })");
  await page.browser.waitFor("document.getElementById('canvas').width === 640 && document.getElementById('canvas').height === 400",
                             5000, 'the canvas to take the frame\'s size');
  await sleep(500);
  const small = await page.canvasPicture(`${scratch}/resized.png`);
  const drawn = (x0, x1) => { let n = 0; for (let x = x0; x < x1; x++) for (let y = 0; y < small.height; y += 4) if (small.pixel(x, y).slice(0, 3).some((c) => c > 16)) n++; return n; };
  if (drawn(0, 160) === 0 || drawn(480, 640) === 0) fail('the resized game does not fill its canvas');

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
  await page.browser.clickSelector('#restart');
  await page.waitForStatus(caption);
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
  return `status line counts down; Left, V and N change ${moved}, ${viewed} and ${renewed} pixels, with the move's sound; ` +
         'a pad moves, starts and turns; a hidden tab stops the clock; the canvas follows its frame; P pauses; ' +
         `A, D, Enter, Escape and a click; Escape ends the game and it starts again; a damaged texture says "${error.text}", then ERROR`;
}, 240000);
