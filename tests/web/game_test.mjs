// One whole game in the browser, in real time, played from the plan the
// Linux and Windows builds play (planned_game.txt): the launch counter the
// plan names is saved in the site's storage before the page opens, the
// planned keys make a group sink and score, the three-minute clock runs out
// and the game-over box comes. Then, in the name dialog, Escape asks whether
// to give up, No keeps the dialog, and the name typed two tab stops from OK
// is stored when OK is clicked: its bytes in the site's storage are
// those the Windows build writes. A reload, and then a new browser on the
// same profile, show the best score with its name and count the launches on.
// Escape ends the game and the page says so.
//
//   node game_test.mjs SITE_FOLDER PLAN SCRATCH_FOLDER
import fs from 'node:fs';
import path from 'node:path';
import { openGame, runTest, fail, sleep } from './kubrask_page.mjs';

const [site, planFile, scratch] = process.argv.slice(2);
const plan = Object.fromEntries(fs.readFileSync(planFile, 'utf8').split('\n')
  .filter((line) => /^[a-z]+=/.test(line)).map((line) => line.split('=')));
const counter = Number(plan.counter), score = Number(plan.score), keys = plan.keys.split(' ');
const name = 'Zoë';  // stored in the Windows code page: 5A 6F EB
const profile = path.join(scratch, 'profile');
const start = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0/;

const launches = async (page) => Number(String.fromCharCode(...(await page.savedBytes('random.txt'))));

await runTest('the whole game', async (use) => {
  fs.rmSync(profile, { recursive: true, force: true });
  let page = use(await openGame(site, { userDataDir: profile }));
  await page.start(`localStorage.clear(); localStorage.setItem('kubrask:random.txt', '${counter}')`);
  await page.waitForStatus(start);
  const begun = Date.now();
  if ((await launches(page)) !== counter + 1) fail(`the launch counter holds ${await launches(page)}`);

  // A short press moves once: a roll lasts 0.2 s, and a key still down after
  // it would move again.
  for (const key of keys) {
    await page.press(`Arrow${key}`, 150);
    await sleep(500);
  }
  await page.waitForStatus(new RegExp(` - Score: ${score} - last score: ${score}$`), 5000);

  // The clock runs out three minutes after the first frame.
  const over = await page.answerBox('Kubrask', 'Enter', 200000);
  const elapsed = (Date.now() - begun) / 1000;
  if (elapsed < 170) fail(`the game ended after only ${elapsed} s`);
  if (over.text !== `Gamve Over!\nScore: ${score}`) fail(`the game-over box says ${JSON.stringify(over.text)}`);

  const dialog = await page.waitForBox('New High Score!', 20000);
  if (!dialog.text.includes('Enter your name:') || dialog.focused !== 'OK') fail(`the dialog: ${JSON.stringify(dialog)}`);
  // Escape is Cancel, which asks first; No keeps the dialog.
  await page.press('Escape', 100);
  const question = await page.waitForBox('Kubrask', 10000);
  if (question.text !== "Sure you don't want to enter a name?") fail(`Cancel asked ${JSON.stringify(question.text)}`);
  await page.press('ArrowRight', 100);
  await page.answerBox('Kubrask', 'Enter');
  const kept = await page.boxes();
  if (kept.length !== 1 || kept[0].caption !== 'New High Score!') fail(`after No: ${JSON.stringify(kept)}`);

  await page.press('Tab', 100);
  await page.press('Tab', 100);
  await page.browser.type(name, 150);
  await page.browser.clickSelector('.box button.default');
  await page.browser.waitFor("!document.querySelector('.box')", 10000, 'the dialog to close on OK');
  const stored = await page.savedBytes('Kubrask.data');
  const expected = [score & 255, (score >> 8) & 255, (score >> 16) & 255, score >>> 24, 0x5a, 0x6f, 0xeb, 0];
  if (JSON.stringify(stored) !== JSON.stringify(expected)) fail(`Kubrask.data holds ${JSON.stringify(stored)}`);

  // The game draws on, and N starts a new game.
  await page.press('n');
  await page.waitForStatus(/ - Time: (3:00|2:[0-5][0-9]) - Score: 0 - High Score/, 5000);

  // The best score and the launch counter outlive a reload and the browser.
  const best = new RegExp(`${start.source} - High Score: ${score} by ${name}$`);
  await page.browser.reload();
  await page.waitForStatus(best);
  if ((await launches(page)) !== counter + 2) fail(`after a reload the counter holds ${await launches(page)}`);
  const port = Number(new URL(page.url).port);
  await page.close();
  page = use(await openGame(site, { userDataDir: profile, port }));
  await page.start();
  await page.waitForStatus(best);
  if ((await launches(page)) !== counter + 3) fail(`in a new browser the counter holds ${await launches(page)}`);

  await page.press('Escape');
  await page.browser.waitFor("!document.getElementById('ended').hidden", 10000, 'the page to say the game ended');
  return `the game scored ${score}, No kept the dialog, ${name} was stored and shown after a reload and a new browser`;
}, 330000);
