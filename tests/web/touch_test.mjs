// The game by touch, on a phone held upright (390 x 844 CSS pixels, touch),
// with every touch event sent at a finger's own pace. On the board of the
// fifth start in a fresh profile (the launch counter at 3), the arrows Left,
// Up, Right and Down, one step each, make a chain that scores 16; one step
// too many tips the wrong die. Moves are counted by the move sounds the game
// asks for (played or not), and the keys by the events the game takes.
// - before any touch there is no sound; the first swipe starts it;
// - a swipe is one step however long the finger rests before it lifts: the
//   chain swiped with rests of 0, 0.1 and 0.2 s scores 16 each time;
// - a finger moved less than the swipe distance moves nothing;
// - a finger resting out a second walks on (Down has room), at least three
//   steps, and the walking stops when it lifts;
// - a finger that turns takes one step each way, and walks on neither;
// - a second finger, swiped while the first rests, moves nothing;
// - the buttons, tapped, are the keys: New game, Camera, Pause, About (its
//   box closed by a tap on OK);
// - the sound switch: off, no audio device is made or asked to play, even by
//   the first touch, and the game plays the same; remembered after a
//   reload; on again, the moves sound;
// - none of it scrolls or zooms the page.
//
//   node touch_test.mjs chromium|firefox SITE_FOLDER SCRATCH_FOLDER
import { openGame, runTest, fail, sleep, differingPixels, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, scratch] = process.argv.slice(3);
const time = (text) => /Time: (\d:\d\d)/.exec(text)[1];
const chain = ['Left', 'Up', 'Right', 'Down'];
const VK = { Left: 37, Up: 38, Right: 39, Down: 40 };

// In every document: the audio devices made and the sounds started on them.
function countSound() {
  window.audioDevices = 0;
  window.soundsStarted = 0;
  const Device = window.AudioContext;
  window.AudioContext = class extends Device {
    constructor(...options) {
      super(...options);
      audioDevices++;
    }
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...when) {
    soundsStarted++;
    return start.apply(this, when);
  };
}

await runTest(`touch in ${browser}`, async (use) => {
  const page = use(await openGame(browser, site, { onNewDocument: countSound }));
  await page.tab.setViewport({ width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true });
  const moves = () => page.evaluate('moves');
  // A new game on the chain's board, watched: the moves, the arrow keys the
  // game takes down and up, and when the page saw the finger point a way
  // and point nowhere.
  const newGame = async (clear = true) => {
    await page.start(`${clear ? 'localStorage.clear(); ' : ''}localStorage.setItem('kubrask:random.txt', '3')`);
    await page.waitForStatus(/^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/);
    await page.evaluate(`window.moves = 0; window.keys = []; window.pointed = [];
        const play = Page.playSound;
        Page.playSound = (...call) => { if (call[0] === 'Data/DiceMove.wav') moves++; return play(...call); };
        const take = Page.takeEvent;
        Page.takeEvent = (pointer) => {
          const taken = take(pointer), event = Array.from(HEAP32.subarray(pointer >> 2, (pointer >> 2) + 2));
          if (taken && (event[0] === 1 || event[0] === 2) && event[1] >= 37 && event[1] <= 40) keys.push(event);
          return taken;
        };
        const swipeTo = Page.swipeTo;
        Page.swipeTo = (arrow) => { if (arrow !== Page.swipe.arrow) pointed.push([arrow, performance.now()]); swipeTo(arrow); };`);
  };
  // Once every arrow the page holds has been let go and the roll is over.
  const settled = async () => {
    await page.waitFor('Page.held.size === 0', 10000, 'letting go of the swipe\'s arrow');
    await sleep(600);
  };
  // How long the page saw each way pointed before the next, in ms.
  const rests = async () => page.evaluate(`pointed.slice(1).map(([, at], i) => Math.round(at - pointed[i][1]))
      .filter((_, i) => pointed[i][0] !== 0)`);
  // The arrows the game took, as "Down+ Down-" (down and up).
  const keysTaken = async () => (await page.evaluate('keys'))
    .map(([kind, key]) => Object.keys(VK).find((name) => VK[name] === key) + (kind === 1 ? '+' : '-')).join(' ');

  // The chain, swiped: one step a swipe, however long the finger rests.
  const said = [];
  for (const restMs of [0, 100, 200]) {
    await newGame();
    if (restMs === 0 && (await page.evaluate('Page.audio && Page.audio.state')) === 'running') fail('there is sound before any touch');
    for (const way of chain) {
      await page.swipe(way, { distance: 40, restMs });
      await sleep(500);
    }
    await settled();
    const status = await page.status(), made = await moves();
    if (made !== 4 || !/ - Score: 16 - /.test(status)) {
      fail(`the chain swiped with rests of ${restMs} ms made ${made} moves and "${status}"; the page saw the ` +
           `arrows pointed ${(await rests()).join(', ')} ms, and the game took ${await keysTaken()}`);
    }
    said.push(`${restMs} ms (seen ${(await rests()).join('/')})`);
  }
  const sound = await page.evaluate('Page.audio && Page.audio.state');
  if (sound !== 'running') fail(`after the first touch the sound is ${sound}`);
  const canvas = await page.place('#canvas');
  const x = canvas.x + canvas.width / 2, y = canvas.y + canvas.height / 2;

  // Short of the swipe distance: nothing.
  await newGame();
  await page.swipe('Down', { distance: 12, restMs: 800 });
  await settled();
  if ((await moves()) !== 0) fail('a finger moved 12 pixels made a move');

  // Resting out below where it touched down: a step, and after the rest
  // the walker walks on down the column; nothing once it has lifted.
  await page.swipe('Down', { distance: 40, restMs: 1000 });
  await page.waitFor('Page.held.size === 0', 10000, 'letting go of the arrow held by a resting finger');
  const walked = await moves();
  const frames = await page.evaluate('Page.frames');
  await page.waitFor(`Page.frames >= ${frames + 30}`, 30000, 'frames after the finger lifted');
  const walkKeys = await keysTaken();
  if (walked < 3) fail(`a finger resting out a second made ${walked} moves; the game took ${walkKeys}`);
  if ((await moves()) !== walked || !/^Down\+ Down- Down\+ Down-$/.test(walkKeys))
    fail(`after the lift: ${await moves()} moves, where ${walked} were made before it; the game took ${walkKeys}`);

  // Turned: one step down, then one step right, from a new game.
  await newGame(false);
  await page.swipe('Down', { distance: 40, restMs: 150, turn: { direction: 'Right', distance: 80, steps: 1, afterMs: 260 } });
  await settled();
  const turned = await keysTaken();
  if (turned !== 'Down+ Down- Right+ Right-' || (await moves()) !== 2)
    fail(`a finger turned made ${await moves()} moves, the game took ${turned}; the page saw the ways pointed ${(await rests()).join(', ')} ms`);

  // A second finger: swiped while the first rests, it changes nothing.
  const first = await page.tab.touchscreen.touchStart(x, y);
  const second = await page.tab.touchscreen.touchStart(x + 50, y);
  for (const dx of [20, 40, 80]) await second.move(x + 50 - dx, y);
  await sleep(800);
  await second.end();
  await first.end();
  await settled();
  if ((await moves()) !== 2) fail('a second finger moved the walker');

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
  const camera = differingPixels(before.picture, await page.canvasPicture(`${scratch}/${browser}-touch-camera.png`), 8);
  if (camera < 2 * before.spin + 1000) fail(`Camera changed ${camera} pixels; the spin alone ${before.spin}`);
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

  // The sound switch: off, remembered, and on again.
  const switchSays = () => page.evaluate(`(() => { const b = document.getElementById('sound');
      return b.getAttribute('aria-pressed') + ' ' + b.textContent + ' ' + Math.min(b.offsetWidth, b.offsetHeight); })()`);
  if (!/^true Soundon (4[4-9]|[5-9]\d|\d{3,})$/.test(await switchSays())) fail(`the sound switch says ${await switchSays()}`);
  await page.tap('#sound');
  if (!/^false Soundoff /.test(await switchSays())) fail(`switched off, it says ${await switchSays()}`);
  await newGame(false);
  if (!/^false Soundoff /.test(await switchSays())) fail(`after a reload the sound switch says ${await switchSays()}`);
  await page.swipe('Left', { distance: 40 });
  await settled();
  const silent = await page.evaluate('[moves, audioDevices, soundsStarted, /Score: 4 - /.test(document.title)]');
  if (silent.join() !== '1,0,0,true')
    fail(`with the sound off a swipe made [moves, audio devices, sounds started, scored]: ${silent}`);
  await page.tap('#sound');
  if (!/^true Soundon /.test(await switchSays())) fail(`switched on again, it says ${await switchSays()}`);
  await page.swipe('Up', { distance: 40 });
  await settled();
  const heard = await page.evaluate('[moves, audioDevices, soundsStarted]');
  if (heard[0] !== 2 || heard[1] !== 1 || heard[2] < 1) fail(`with the sound on again, [moves, devices, sounds]: ${heard}`);

  return `the first swipe starts the sound; the chain swiped with rests of ${said.join(', ')} scored 16; ` +
         `12 pixels none; a finger resting a second ${walked} moves; turned, a step each way; a second finger none; ` +
         'the buttons are N, V, P and A; the sound switch kept no device while off, and was remembered; ' +
         'the page neither scrolled nor zoomed';
}, 240000);
