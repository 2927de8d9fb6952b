// Records two of the journals kept beside this script, in Chromium, from the
// site as built: run by hand when they must be made again (each then needs
// its .expected: replay_journals.sh --keep).
//
//   pad-game-chromium.journal      a short game steered by a pad: the
//                                  d-pad and the left stick, then Escape
//   cheated-game-chromium.journal  the planned board with the test switch
//                                  "no twos" on from the start, the planned
//                                  move, three minutes to game over, then Escape
//
//   node tests/journals/record_in_chromium.mjs SITE_FOLDER PLAN
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { openGame, sleep } from '../web/kubrask_page.mjs';

const [site, planFile] = process.argv.slice(2);
const here = path.dirname(fileURLToPath(import.meta.url));
const plan = Object.fromEntries(fs.readFileSync(planFile, 'utf8').split('\n')
  .filter((line) => /^[a-z]+=/.test(line)).map((line) => line.split('=')));

// A pad of the standard mapping that the page reads as any other.
function fakePad() {
  window.pad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                 buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
  navigator.getGamepads = () => [window.pad];
}

async function keep(page, name) {
  await page.press('Escape');
  await page.waitFor("!document.getElementById('ended').hidden", 10000, 'the end of the game');
  const journals = await page.journals();
  fs.writeFileSync(path.join(here, name), Buffer.from(journals[journals.length - 1].bytes));
  console.log(`kept ${name}`);
}

async function padGame() {
  const page = await openGame('chromium', site, { onNewDocument: fakePad });
  await page.start("localStorage.clear(); localStorage.setItem('kubrask:random.txt', '3')");
  await page.waitForStatus(/Score: 0$/);
  const hold = async (set, clear, ms) => {
    await page.evaluate(set);
    await sleep(ms);
    await page.evaluate(clear);
    await sleep(500);
  };
  await hold('pad.buttons[14].pressed = true', 'pad.buttons[14].pressed = false', 120);  // left
  await hold('pad.buttons[12].pressed = true', 'pad.buttons[12].pressed = false', 120);  // up
  await hold('pad.axes[0] = 1', 'pad.axes[0] = 0', 120);  // the stick right
  await hold('pad.axes[1] = 1', 'pad.axes[1] = 0', 400);  // the stick down, held
  await hold('pad.buttons[0].pressed = true', 'pad.buttons[0].pressed = false', 120);  // A: the camera
  await sleep(2000);
  await keep(page, 'pad-game-chromium.journal');
  await page.close();
}

async function cheatedGame() {
  const page = await openGame('chromium', site);
  await page.start(`localStorage.clear(); localStorage.setItem('kubrask:random.txt', '${plan.counter}')`);
  await page.waitForStatus(/Score: 0$/);
  await page.press('2');
  for (const move of plan.keys.split(' ')) {
    await page.press(`Arrow${move}`);
    await sleep(500);
  }
  const over = await page.answerBox('Kubrask', 'Enter', 200000);
  console.log(`the game over said ${JSON.stringify(over.text)}`);
  await sleep(1500);
  await keep(page, 'cheated-game-chromium.journal');
  await page.close();
}

await Promise.all([padGame(), cheatedGame()]);
process.exit();
