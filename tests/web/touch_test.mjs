// The game by touch, on a phone held upright (390 x 844 CSS pixels, touch),
// on the board the plan's launch counter gives (planned_game.txt: the walker
// rides a die in column 1 with free floor and a die below it). Each move
// plays the move's sound, so the moves are counted by the sounds played.
// - before any touch there is no sound; the first swipe starts it;
// - a swipe as quick as a finger can make takes exactly one step;
// - a finger moved less than the swipe distance moves nothing;
// - a finger held out walks on, step after step, and stops when it lifts;
// - a second finger, swiped while the first rests, moves nothing;
// - the buttons, tapped, are the keys: New game, Camera, Pause, About (its
//   box closed by a tap on OK);
// - none of it scrolls or zooms the page.
//
//   node touch_test.mjs chromium|firefox SITE_FOLDER PLAN SCRATCH_FOLDER
import fs from 'node:fs';
import { openGame, runTest, fail, sleep, differingPixels, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, planFile, scratch] = process.argv.slice(3);
const counter = /^counter=(\d+)$/m.exec(fs.readFileSync(planFile, 'utf8'))[1];
const time = (text) => /Time: (\d:\d\d)/.exec(text)[1];

await runTest(`touch in ${browser}`, async (use) => {
  const page = use(await openGame(browser, site));
  await page.tab.setViewport({ width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true });
  const moves = () => page.evaluate('moves');
  // Moves made once every held arrow has been let go and its roll is over.
  const settledMoves = async () => {
    await page.waitFor('Page.held.size === 0', 10000, 'letting go of the swipe\'s arrow');
    await sleep(600);
    return moves();
  };

  // The quickest swipe: down, across and up with nothing between, on a game
  // just started. A roll takes 0.2 s, and a finger still down when it is
  // over walks on, as a held key does; so a swipe is quick only if the page
  // had the finger lifted well within that. A busy machine may hand the page
  // the lift later: then the game starts again and the swipe is tried again.
  let quick = 0;
  const held = [];
  for (let tries = 0; tries < 4 && !(held.length && held[held.length - 1] < 150); tries++) {
    await page.start(`localStorage.clear(); localStorage.setItem('kubrask:random.txt', '${counter}')`);
    await page.waitForStatus(/^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/);
    await page.evaluate(`window.moves = 0; const play = Page.playSound;
        Page.playSound = (...call) => { const played = play(...call); if (call[0] === 'Data/DiceMove.wav' && played) moves++; return played; };
        const hold = Page.holdKey, letGo = Page.letGoKey;
        Page.holdKey = (key) => { window.heldAt = performance.now(); hold(key); };
        Page.letGoKey = (key) => { window.letGoAt = performance.now(); letGo(key); };`);
    const audio = await page.evaluate('Page.audio && Page.audio.state');
    if (audio === 'running') fail('there is sound before any touch');
    await page.swipe('Down', { distance: 40, steps: 1 });
    quick = await settledMoves();
    held.push(Math.round(await page.evaluate('letGoAt - heldAt')));
  }
  if (held[held.length - 1] >= 150) fail(`no swipe was quick: the page held the arrow ${held.join(', ')} ms`);
  if (quick !== 1) fail(`a quick swipe made ${quick} moves (the arrow held ${held[held.length - 1]} ms)`);
  const sound = await page.evaluate('Page.audio && Page.audio.state');
  if (sound !== 'running') fail(`after the first touch the sound is ${sound}`);
  const canvas = await page.place('#canvas');
  const x = canvas.x + canvas.width / 2, y = canvas.y + canvas.height / 2;

  // Short of the swipe distance: nothing.
  await page.swipe('Down', { distance: 12, holdMs: 800 });
  if ((await settledMoves()) !== quick) fail('a finger moved 12 pixels made a move');

  // Held out below where it touched down: the walker rides its die down the
  // column, one step after another, and takes no step once the layer has
  // taken the arrow's key-up (the column has room for one more).
  await page.tab.touchscreen.touchStart(x, y);
  for (const dy of [20, 40, 60]) await page.tab.touchscreen.touchMove(x, y + dy);
  await page.waitFor(`moves >= ${quick + 2}`, 60000, 'second step of a finger held out');
  await page.tab.touchscreen.touchEnd();
  await page.waitFor('Page.held.size === 0', 10000, 'letting go of the held arrow');
  const walked = (await moves()) - quick;
  await sleep(1000);
  const frames = await page.evaluate('Page.frames');
  await page.waitFor(`Page.frames >= ${frames + 10}`, 30000, 'frames after the finger lifted');
  if ((await moves()) !== quick + walked) fail(`the walker walked on after the finger lifted: ${await moves() - quick} moves`);

  // A second finger: swiped while the first rests, it changes nothing.
  const first = await page.tab.touchscreen.touchStart(x, y);
  const second = await page.tab.touchscreen.touchStart(x + 50, y);
  for (const dx of [20, 40, 80]) await second.move(x + 50 - dx, y);
  await sleep(800);
  await second.end();
  await first.end();
  if ((await settledMoves()) !== quick + walked) fail('a second finger moved the walker');

  // The buttons, tapped.
  const still = async () => {
    const a = await page.canvasPicture();
    await sleep(300);
    const b = await page.canvasPicture();
    return { spin: differingPixels(a, b, 8), picture: b };
  };
  // Until the game has seen the key and drawn a few frames after.
  const seen = async () => {
    await page.waitFor('Page.held.size === 0', 30000, 'the game seeing the button\'s key');
    const frames = await page.evaluate('Page.frames');
    await page.waitFor(`Page.frames >= ${frames + 3}`, 30000, 'frames after the button');
  };
  const before = await still();
  await page.tap('button[data-key="86"]');
  await seen();
  const turned = differingPixels(before.picture, await page.canvasPicture(`${scratch}/${browser}-touch-camera.png`), 8);
  if (turned < 2 * before.spin + 1000) fail(`Camera changed ${turned} pixels; the spin alone ${before.spin}`);
  // New game: seen and let go before Pause is tapped, since a new game lets
  // go of every key held in the same pass (the status line alone cannot
  // tell, as the game just started shows the same).
  await page.tap('button[data-key="78"]');
  await seen();
  await page.waitForStatus(/Time: (3:00|2:5[0-9]) - Score: 0$/, 5000);
  await page.tap('button[data-key="80"]');
  await seen();
  await sleep(1000);  // the status line shows the time once a second
  const paused = time(await page.status());
  await sleep(2200);
  if (time(await page.status()) !== paused) fail(`the clock ran on after Pause: ${await page.status()}`);
  await page.tap('button[data-key="80"]');
  await page.waitFor(`!document.getElementById('status').textContent.includes('Time: ${paused}')`, 5000,
                     'clock running again after Pause');
  await page.tap('button[data-key="65"]');
  const about = await page.answerBox('Kubrask', () => page.tapButton('OK'));
  if (!about.text.includes('Made by the Kubrask developers')) fail(`About showed "${about.text}"`);

  const view = await page.evaluate('[scrollX, scrollY, visualViewport.scale]');
  if (view[0] !== 0 || view[1] !== 0 || view[2] !== 1) fail(`the page is scrolled or zoomed: ${view}`);
  return `the first swipe starts the sound and makes one move (the arrow held ${held.join(', ')} ms); 12 pixels none; a finger held out ${walked}; ` +
         'a second finger none; the buttons are N, V, P and A; the page neither scrolled nor zoomed';
}, 180000);
