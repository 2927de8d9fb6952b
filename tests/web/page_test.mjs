// The browser build as a player at a desktop meets it, keys and mouse:
// - the page loads, the status line (and the document's title) shows the
//   caption and counts down;
// - the arrows, N and V change the picture; P stops the clock and starts it
//   again; A and D open their boxes over the game, which the keys and a
//   click close; the game draws on after them;
// - the page's buttons, clicked, are the keys N, V, P and A;
// - a move plays its sound, once a key has let the page make sound;
// - a pad (the Gamepad API, stood in for in the page) moves the walker with
//   its d-pad, Start begins a new game and A turns the camera;
// - a hidden tab is a minimised window: the clock stands until it is shown;
// - a smaller window makes the game smaller, at its shape, and the game
//   fills its canvas at the new size; full screen keeps the shape too;
// - Escape ends the game, and the page says so; Start again starts it anew;
// - with a damaged texture, the loader's "Error" box comes first, then
//   "Initialization Failed." captioned "ERROR", and the game ends.
// Every box is also a "caption: text" line on the console.
//
//   node page_test.mjs chromium|firefox SITE_FOLDER SCRATCH_FOLDER
import fs from 'node:fs';
import { openGame, runTest, fail, sleep, differingPixels, damagedSite, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, scratch] = process.argv.slice(3);
const caption = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/;
const time = (text) => /Time: (\d:\d\d)/.exec(text)[1];

await runTest(`the page in ${browser}`, async (use) => {
  const page = use(await openGame(browser, site));
  await page.start();
  const first = await page.waitForStatus(caption);
  const title = await page.evaluate('document.title');
  if (title !== (await page.status()) && !caption.test(title)) fail(`the title is "${title}"`);
  await page.waitFor(`!document.getElementById('status').textContent.includes(${JSON.stringify(time(first))})`,
                     5000, 'count-down of the clock');
  const clockStands = async (why) => {
    await sleep(1200);  // the status line shows the time once a second
    const stood = time(await page.status());
    await sleep(2500);
    if (time(await page.status()) !== stood) fail(`the clock ran on ${why}: ${await page.status()}`);
    return stood;
  };
  const clockRuns = (stood, why) => page.waitFor(
    `!document.getElementById('status').textContent.includes('Time: ${stood}')`, 5000, `clock running again ${why}`);

  const fullScreen = async () => {
    await page.click('#fullscreen');
    const size = await page.waitFor(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
        return document.fullscreenElement && document.fullscreenElement.id === 'play' &&
               Math.abs(r.width * 3 - r.height * 4) <= 4 && [Math.round(r.width), Math.round(r.height)]; })()`,
                                    10000, 'the game in full screen at 4:3');
    await page.click('#fullscreen');
    await page.waitFor('!document.fullscreenElement', 10000, 'leaving full screen');
    return size;
  };

  // The walker spins all the time, so two pictures always differ a little; a
  // move, a new game or another camera changes far more.
  const settled = async () => {
    await sleep(600);
    const frames = await page.evaluate('Page.frames');
    await page.waitFor(`Page.frames >= ${frames + 3}`, 10000, 'frames after the change');
  };
  const still = async () => {
    const a = await page.canvasPicture();
    await sleep(300);
    const b = await page.canvasPicture();
    return { spin: differingPixels(a, b, 8), picture: b };
  };
  const changedBy = async (name, act) => {
    const before = await still();
    await act();
    await settled();
    const after = await page.canvasPicture(`${scratch}/${browser}-${name}.png`);
    const changed = differingPixels(before.picture, after, 8);
    if (changed < 2 * before.spin + 2000) fail(`${name} changed ${changed} pixels; the spin alone ${before.spin}`);
    return changed;
  };
  const picture = await page.canvasPicture(`${scratch}/${browser}-start.png`);
  if (Math.abs(picture.width * 3 - picture.height * 4) > 4) fail(`the canvas is ${picture.width}x${picture.height}, not 4:3`);

  // Launched first, the game is seeded with 0: the walker stands on a die in
  // column 6 with free floor to its left.
  await page.evaluate(`window.sounds = []; const play = Page.playSound;
      Page.playSound = (...call) => { const played = play(...call); sounds.push([call[0], played]); return played; }`);
  const moved = await changedBy('ArrowLeft', () => page.press('ArrowLeft'));
  const sounds = await page.evaluate('window.sounds');
  if (!sounds.some(([file, played]) => file === 'Data/DiceMove.wav' && played)) fail(`the move played ${JSON.stringify(sounds)}`);
  const viewed = await changedBy('v', () => page.press('v'));
  const renewed = await changedBy('n', () => page.press('n'));
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);

  // A pad with the standard mapping, plugged in now: the d-pad moves, Start
  // is a new game, A turns the camera.
  await page.evaluate(`window.pad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
      navigator.getGamepads = () => [window.pad]`);
  const padButton = async (index, mustChange = true) => {
    const before = await still();
    const frames = await page.evaluate(`pad.buttons[${index}].pressed = true; Page.frames`);
    await page.waitFor(`Page.frames >= ${frames + 2}`, 10000, `frame that saw the pad's button ${index}`);
    await page.evaluate(`pad.buttons[${index}].pressed = false`);
    await settled();
    const changed = differingPixels(before.picture, await page.canvasPicture(`${scratch}/${browser}-pad-${index}.png`), 8);
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

  // The page's buttons are the keys: Camera and New game change the picture.
  await changedBy('Camera', () => page.click('button[data-key="86"]'));
  await changedBy('New game', () => page.click('button[data-key="78"]'));
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);

  // A hidden tab is a minimised window: no frames, no game time.
  const setHidden = (hidden) => page.evaluate(`Object.defineProperty(document, 'hidden',
      { configurable: true, get: () => ${hidden} }); document.dispatchEvent(new Event('visibilitychange'))`);
  await setHidden(true);
  const hidden = await clockStands('in a hidden tab');
  await setHidden(false);
  await clockRuns(hidden, 'once the tab is shown');

  // A smaller window: the canvas's drawing follows at 4:3, and the game
  // fills it.
  await page.tab.setViewport({ width: 700, height: 600, deviceScaleFactor: 1 });
  const resized = await page.waitFor(`(() => { const c = document.getElementById('canvas');
      return c.width < 700 && c.width > 400 && Math.abs(c.width * 3 - c.height * 4) <= 4 && [c.width, c.height]; })()`,
                                     10000, 'canvas at 4:3 inside the smaller window');
  await settled();
  const small = await page.canvasPicture(`${scratch}/${browser}-resized.png`);
  const drawn = (x0, x1) => {
    let n = 0;
    for (let x = Math.floor(x0); x < x1; x++) for (let y = 0; y < small.height; y += 4) if (small.pixel(x, y).slice(0, 3).some((c) => c > 16)) n++;
    return n;
  };
  if (drawn(0, small.width / 4) === 0 || drawn(small.width * 3 / 4, small.width) === 0) fail('the resized game does not fill its canvas');

  // Full screen, and back: the game keeps its shape. (Firefox on an X server
  // without a window manager never has the focus that full screen asks for.)
  const full = browser === 'firefox' ? ['not tried in Firefox'] : await fullScreen();

  // Paused, the clock stands; P again starts it; the Pause button the same.
  await page.press('p');
  const paused = await clockStands('while paused');
  await page.press('p');
  await clockRuns(paused, 'after P again');
  await page.click('button[data-key="80"]');
  await page.waitFor('Page.held.size === 0', 30000, 'the game seeing the Pause button');
  const pausedByButton = await clockStands('while paused by the button');
  await page.click('button[data-key="80"]');
  await clockRuns(pausedByButton, 'after the Pause button again');

  // The boxes, over the game: a click, Enter and Escape answer OK. (The About
  // button comes first: a key let go while its box is open goes to the box,
  // as on Windows, so the game takes the next A as still held.)
  await page.click('button[data-key="65"]');
  const clicked = await page.answerBox('Kubrask', () => page.click('.box button'));
  if (!clicked.text.includes('Made by the Kubrask developers')) fail(`the About button's box says "${clicked.text}"`);
  await page.press('a');
  const about = await page.answerBox('Kubrask', 'Enter');
  if (!about.text.includes('Made by the Kubrask developers')) fail(`the about box says "${about.text}"`);
  if (about.focused !== 'OK') fail(`the about box's focus is on ${about.focused}`);
  if (!page.said('Kubrask: Kubrask /  / Made by the Kubrask developers')) fail('the about box is not on the console');
  await page.press('d');
  const test = await page.answerBox('Kubrask', 'Escape');
  if (test.text !== 'A Test') fail(`D showed "${test.text}"`);
  const after = await still();
  if (after.spin === 0) fail('the game stands still after its boxes');

  await page.press('Escape');
  await page.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the game ended');
  const ended = await page.evaluate("document.getElementById('ended').textContent");
  if (!/ended.*Start again/.test(ended)) fail(`the page says "${ended}"`);
  await page.click('#restart');
  await page.waitForStatus(caption);
  await page.close();

  // A texture that is no bitmap: the loader says so, then the start fails.
  const damaged = `${scratch}/${browser}-damaged-site`;
  fs.rmSync(damaged, { recursive: true, force: true });
  damagedSite(site, damaged, 'not a bitmap at all, only text');
  const broken = use(await openGame(browser, damaged));
  await broken.start();
  const error = await broken.answerBox('Error', 'Enter');
  await broken.answerBox('ERROR', 'Enter');
  if (!broken.said('ERROR: Initialization Failed.')) fail('"Initialization Failed." is not on the console');
  await broken.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the game ended');
  return `status line counts down; Left, V and N change ${moved}, ${viewed} and ${renewed} pixels, with the move's sound; ` +
         'the buttons are N, V, P and A; a pad moves, starts and turns; a hidden tab stops the clock; ' +
         `a smaller window gives a ${resized.join('x')} canvas that the game fills; full screen ${full.join('x')}; P pauses; ` +
         `A, D, Enter, Escape and a click; Escape ends the game and it starts again; a damaged texture says "${error.text}", then ERROR`;
}, 300000);
