// One whole game in the browser, in real time, played from the plan the
// Linux and Windows builds play (planned_game.txt): the launch counter the
// plan names is saved in the site's storage before the page opens (and, by
// keys, is the score server's board of the day), the planned moves make a
// group sink and score, the three-minute clock runs out and the game-over
// box comes. Then, in the name dialog, Cancel asks whether
// to give up, No keeps the dialog, and the name typed into the field is
// stored when OK is chosen: its bytes in the site's storage are those the
// Windows build writes, and the page asks the browser to keep its storage
// for good. The site is served by the score server (kubrask-server): after
// the game over the page offers to send the game, and, tapped, sends it;
// the best scores show it with its name, and its own link watches it (fast)
// to the line kubrask-replay prints for the journal the server kept. The
// site opened again, and then a new browser on the same profile, show the
// best score with its name and count the launches on. Escape ends the game
// and the page says so.
//
// With KUBRASK_SAVE_JOURNAL naming a file, the planned game is ended with
// Escape once N has started the next, and its journal is written there (as
// tests/journals/planned-game-chromium.journal was).
//
// Played two ways:
//   keys    at a desktop, today's board: the arrows move, Escape cancels,
//           the arrow keys pick No, the name is typed two tab stops from
//           OK, OK is clicked; the player's launch counter and best score
//           are left as they were, the page says all along which board it
//           is, and the game goes to today's table, where the score page
//           shows it with the player's rank and the countdown to the next;
//   touch   on a phone held upright (390 x 844, touch): swipes on the canvas
//           move, and every box and the dialog is answered by taps, the name
//           typed after a tap on its field, the dialog in sight above an
//           on-screen keyboard; the first touch starts the sound, and the
//           page has neither scrolled nor zoomed.
//
//   node game_test.mjs chromium|firefox keys|touch SITE_FOLDER PLAN SCRATCH_FOLDER SERVER REPLAY_JS
// (REPLAY_JS is run from its own folder, where the build lays out Data/.)
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { openGame, runTest, fail, sleep, browserFromArguments, startScoreServer } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [input, site, planFile, scratch, serverProgram, replay] = process.argv.slice(3);
if (input !== 'keys' && input !== 'touch') fail(`no way to play called ${input}`);
const plan = Object.fromEntries(fs.readFileSync(planFile, 'utf8').split('\n')
  .filter((line) => /^[a-z]+=/.test(line)).map((line) => line.split('=')));
const counter = Number(plan.counter), score = Number(plan.score), moves = plan.keys.split(' ');
const name = 'Zoë';  // stored in the Windows code page: 5A 6F EB
const profile = path.join(scratch, `${browser}-${input}-profile`);
const start = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0/;
const phone = { width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true };

const daily = input === 'keys';
const launches = async (page) => Number(String.fromCharCode(...(await page.savedBytes('random.txt'))));
const data = path.join(scratch, `${browser}-${input}-server`);
let server = null;
const open = async () => {
  const page = await openGame(browser, site, { userDataDir: profile, url: server.url });
  if (input === 'touch') await page.tab.setViewport(phone);
  return page;
};
const replayed = (file) => new Promise((resolve) => {
  execFile('node', [path.resolve(replay), file], { cwd: path.dirname(path.resolve(replay)) },
           (error, stdout, stderr) => resolve(`${stdout}${stderr}`.trim().split('\n').pop()));
});

await runTest(`the whole game in ${browser}, by ${input}`, async (use) => {
  fs.rmSync(profile, { recursive: true, force: true });
  fs.rmSync(data, { recursive: true, force: true });
  // Today's board is the planned one.
  const today = new Date().toISOString().slice(0, 10);
  if (daily) await new Promise((resolve, reject) => execFile(serverProgram, ['--data', data, 'daily-seed', today, String(counter)],
                                                              (error) => (error ? reject(error) : resolve())));
  server = await startScoreServer(serverProgram, site, data);
  let page = use(await open());
  await page.start(`localStorage.clear(); localStorage.setItem('kubrask:random.txt', '${counter}')`, daily ? '?daily' : '');
  await page.waitForStatus(start);
  const begun = Date.now();
  await page.evaluate(`window.persistAsked = false; const persist = navigator.storage.persist.bind(navigator.storage);
      navigator.storage.persist = () => { persistAsked = true; return persist(); }`);
  if ((await launches(page)) !== (daily ? counter : counter + 1)) fail(`the launch counter holds ${await launches(page)}`);
  const board = () => page.evaluate("Array.from(document.querySelectorAll('#notice p')).map((p) => p.textContent).join(' ')");
  if (daily && !(await board()).includes(`Today's board, ${today}`)) fail(`the page says "${await board()}"`);

  // A move made while the last one still rolls is not made: one at a time,
  // half a second apart.
  for (const move of moves) {
    if (input === 'keys') await page.press(`Arrow${move}`);
    else await page.swipe(move);
    await sleep(500);
  }
  await page.waitForStatus(new RegExp(` - Score: ${score} - last score: ${score}$`), 5000);
  if (input === 'touch') {
    const view = await page.evaluate('[scrollX, scrollY, visualViewport.scale, Page.audio && Page.audio.state]');
    if (view[0] !== 0 || view[1] !== 0 || view[2] !== 1) fail(`after the swipes the page is scrolled or zoomed: ${view}`);
    if (view[3] !== 'running') fail(`after the first touch the sound is ${view[3]}`);
  }
  // The clock runs out three minutes after the first frame.
  const over = await page.answerBox('Kubrask', input === 'keys' ? 'Enter' : () => page.tapButton('OK'), 200000);
  const elapsed = (Date.now() - begun) / 1000;
  if (elapsed < 170) fail(`the game ended after only ${elapsed} s`);
  if (over.text !== `Gamve Over!\nScore: ${score}`) fail(`the game-over box says ${JSON.stringify(over.text)}`);

  const dialog = await page.waitForBox('New High Score!', 20000);
  if (!dialog.text.includes('Enter your name:') || dialog.focused !== 'OK') fail(`the dialog: ${JSON.stringify(dialog)}`);
  // Cancel asks first; No keeps the dialog.
  if (input === 'keys') await page.pressInBox('Escape');
  else await page.tapButton('Cancel');
  const question = await page.waitForBox('Kubrask', 10000);
  if (question.text !== "Sure you don't want to enter a name?") fail(`Cancel asked ${JSON.stringify(question.text)}`);
  if (input === 'keys') {
    await page.pressInBox('ArrowRight');
    await page.answerBox('Kubrask', 'Enter');
  } else {
    await page.answerBox('Kubrask', () => page.tapButton('No'));
  }
  const kept = await page.boxes();
  if (kept.length !== 1 || kept[0].caption !== 'New High Score!') fail(`after No: ${JSON.stringify(kept)}`);

  let shown = null;  // where the dialog lay above the on-screen keyboard
  if (input === 'keys') {
    await page.pressInBox('Tab');
    await page.pressInBox('Tab');
  } else {
    await page.tap('.box input');
    const focused = await page.evaluate("document.activeElement === document.querySelector('.box input')");
    if (!focused) fail('a tap on the name field left it without the focus');
    // The on-screen keyboard leaves the top 400 pixels: the dialog stays there.
    await page.tab.setViewport({ ...phone, height: 400 });
    shown = await page.waitFor(`(() => { const r = document.querySelector('.box').getBoundingClientRect();
        return r.top >= 0 && r.bottom <= 400 && [r.top, r.bottom]; })()`, 5000, 'dialog above the on-screen keyboard');
    await page.tab.setViewport(phone);
  }
  await page.type(name);
  if (input === 'keys') await page.click('.box button.default');
  else await page.tapButton('OK');
  await page.waitFor("!document.querySelector('.box')", 10000, 'closing of the dialog on OK');
  const stored = await page.savedBytes('Kubrask.data');
  const expected = daily ? null : [score & 255, (score >> 8) & 255, (score >> 16) & 255, score >>> 24, 0x5a, 0x6f, 0xeb, 0];
  if (JSON.stringify(stored) !== JSON.stringify(expected)) fail(`Kubrask.data holds ${JSON.stringify(stored)}`);
  if (!daily && !(await page.evaluate('persistAsked'))) fail('the best score was saved without asking to keep it for good');
  if (daily && (await launches(page)) !== counter) fail(`today's board left the launch counter at ${await launches(page)}`);
  if (daily && !(await board()).includes(`Today's board, ${today}`)) fail(`at its end the page says "${await board()}"`);

  // The page offers to send the game, named; tapped, it is sent.
  const sendLabel = daily ? 'Send this game to today\'s table' : 'Send this game to the scores';
  await page.waitFor(`Array.from(document.querySelectorAll('#notice button')).some((b) => b.textContent === ${JSON.stringify(sendLabel)})`,
                     10000, 'the offer to send the game');
  const offer = await page.evaluate("document.querySelector('#notice .offer').textContent");
  if (!offer.includes(`scored ${score}`) || !offer.includes(`the name ${name}`)) fail(`the offer says "${offer}"`);
  if (input === 'keys') await page.click('#notice .offer button');
  else await page.tap('#notice .offer button');
  const sent = await page.waitFor(`(() => { const said = document.querySelector('#notice .offer .said');
      return said && /^Sent: ranked 1 of 1/.test(said.textContent) && said.querySelector('a').getAttribute('href'); })()`,
                                  20000, 'word that the game was sent');

  // The game draws on, and N (or its button) starts a new game.
  if (input === 'keys') await page.press('n');
  else await page.tap('button[data-key="78"]');
  await page.waitForStatus(/ - Time: (3:00|2:[0-5][0-9]) - Score: 0 - High Score/, 5000);

  const saveJournal = process.env.KUBRASK_SAVE_JOURNAL;
  if (saveJournal) {
    await page.press('Escape');
    await page.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the game ended');
    const journals = await page.journals();
    fs.writeFileSync(saveJournal, Buffer.from(journals[journals.length - 1].bytes));
  }

  // The best scores show it (today's game on today's table, with the
  // player's rank and the countdown to the next day's board); its own link
  // watches it, fast, to where the journal the server kept ends, as
  // kubrask-replay plays it.
  await page.tab.goto(server.url + 'scores');
  const dayOfGame = daily ? JSON.parse(await page.evaluate("localStorage.getItem('kubrask-sent')"))[0].day : '';
  const tableOfGame = !daily ? '#best' : dayOfGame === today ? '#today' : '#yesterday';  // (sent as midnight came)
  const row = await page.evaluate((table) => Array.from(document.querySelectorAll(`${table} tbody tr`)).map((r) => r.textContent), tableOfGame);
  if (row.length !== 1 || !row[0].startsWith(`1${name}${score}`)) fail(`the table ${tableOfGame} shows ${JSON.stringify(row)}`);
  const sentHere = await page.evaluate("document.getElementById('sent').hidden ? '' : document.getElementById('sent-games').textContent");
  if (!sentHere.includes(`${name}: ${score} points`)) fail(`the games this browser sent: "${sentHere}"`);
  if (daily) {
    const countdown = await page.evaluate("document.getElementById('countdown').textContent");
    if (!/^([0-9]|1[0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$/.test(countdown)) fail(`the countdown shows "${countdown}"`);
    if (dayOfGame === today) {
      const mine = await page.waitFor("!document.getElementById('mine').hidden && document.getElementById('mine').textContent",
                                      10000, "the player's own best today");
      if (mine !== `Your best today, ${name}: ${score} points, 1st of 1.`) fail(`the page says "${mine}"`);
    }
  }
  const sentJournal = path.join(scratch, `${browser}-${input}-sent.journal`);
  fs.writeFileSync(sentJournal, Buffer.from(await (await fetch(server.url + 'api/' + sent + '/journal')).arrayBuffer()));
  const replayLine = await replayed(sentJournal);
  await page.tab.goto(server.url + sent + '?speed=50');
  await page.waitFor("!document.getElementById('ended').hidden", 60000, 'the end of the game watched through its link');
  const watchedLine = replayLine.replace(/^kubrask: \S+/, 'kubrask: /watch/kubrask.journal').replace(/^replayed \S+:/, 'replayed /watch/kubrask.journal:');
  if (!page.said(watchedLine)) fail(`watched through its link, the game did not end with "${watchedLine}"`);

  // The best score and the launch counter outlive leaving the page and the
  // browser; today's board left them as they were.
  const best = daily ? new RegExp(`${start.source}$`) : new RegExp(`${start.source} - High Score: ${score} by ${name}$`);
  await page.tab.goto(server.url);
  await page.waitForStatus(best);
  if ((await launches(page)) !== counter + (daily ? 1 : 2)) fail(`opened again, the counter holds ${await launches(page)}`);
  await page.close();
  page = use(await open());
  await page.start();
  await page.waitForStatus(best);
  if ((await launches(page)) !== counter + (daily ? 2 : 3)) fail(`in a new browser the counter holds ${await launches(page)}`);

  await page.press('Escape');
  await page.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the game ended');
  server.stop();
  return (daily ? `today's board scored ${score}, No kept the dialog, ${name} went to today's table with its rank and ` +
                  'the countdown, was watched through its link as kubrask-replay plays it, and the launch counter and ' +
                  'best score were left as they were'
                : `the game scored ${score}, No kept the dialog, ${name} was stored, sent, shown on the best scores and ` +
                  'watched through its link as kubrask-replay plays it, and shown again after leaving and in a new browser') +
         (input === 'touch' ? `; the dialog lay at ${shown.join(' to ')} above the keyboard` : '');
}, 330000);
