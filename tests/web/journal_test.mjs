// A game kept in its journal in the browser, played again under Node and
// watched in the page:
// - a short game from the planned board, by keys, ended with Escape, leaves
//   one journal in the site's storage, apart from the saved files (the game's
//   folder holds only those); while it ran, "Watch the last game" had
//   nothing to offer;
// - taken out, the journal plays again under Node with kubrask-replay.js to
//   the state it recorded at every second and at the end (exit 0);
// - "Watch the last game" plays it in the page at its own pace: the status
//   line shows the recorded game's captions in the recorded order, and the
//   game ends as recorded, with the same line Node printed;
// - the journal picked as a file plays too, and Escape stops it; the page
//   says the game ended; a game recorded on Linux (LINUX_JOURNAL, kept in
//   the tree) picked as a file ends with the line the Linux replay prints;
// - the saved files and journals are byte for byte what they were before
//   the watching; Start again then plays (and keeps) a new game;
// - that game, left while it plays, is watched (?watch=last) to where its
//   journal was kept, and the page says the game was kept only that far.
//
//   node journal_test.mjs chromium|firefox SITE_FOLDER PLAN SCRATCH_FOLDER REPLAY_JS LINUX_JOURNAL
// (REPLAY_JS is run from its own folder, where the build lays out Data/.)
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { openGame, runTest, fail, sleep, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, planFile, scratch, replay, linuxJournal] = process.argv.slice(3);
const plan = Object.fromEntries(fs.readFileSync(planFile, 'utf8').split('\n')
  .filter((line) => /^[a-z]+=/.test(line)).map((line) => line.split('=')));
const start = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0/;
const scored = new RegExp(` - Score: ${plan.score} - last score: ${plan.score}$`);

// Every caption the status line shows, once each time it changes, kept by
// each document from its start.
function keepCaptions() {
  window.captions = [];
  document.addEventListener('DOMContentLoaded', () => {
    const status = document.getElementById('status');
    new MutationObserver(() => {
      if (captions[captions.length - 1] !== status.textContent) captions.push(status.textContent);
    }).observe(status, { childList: true, characterData: true, subtree: true });
  });
}

function replayUnderNode(file) {
  return new Promise((resolve) => {
    execFile('node', [path.resolve(replay), file], { cwd: path.dirname(path.resolve(replay)) },
             (error, stdout, stderr) => resolve({ code: error ? error.code : 0, stdout, stderr }));
  });
}

await runTest(`a game's journal in ${browser}, replayed under Node and watched`, async (use) => {
  const page = use(await openGame(browser, site, { onNewDocument: keepCaptions }));
  const everything = () => page.evaluate('JSON.stringify(Object.entries(localStorage).sort())');
  const watched = () => page.evaluate("[location.search, document.getElementById('ended').textContent]");
  // What the page showed before does not count as what it shows after.
  const navigates = (action) => Promise.all([page.tab.waitForNavigation(), action]);

  await page.start(`localStorage.clear(); localStorage.setItem('kubrask:random.txt', '${plan.counter}')`);
  await page.waitForStatus(start);
  if (!(await page.evaluate("document.getElementById('watch-last').disabled")))
    fail('"Watch the last game" is offered before any game was kept');
  for (const move of plan.keys.split(' ')) {
    await page.press(`Arrow${move}`);
    await sleep(500);
  }
  await page.waitForStatus(scored, 5000);
  await sleep(3000);  // past a few seconds: the journal checks states, and a watcher has time to stop
  await page.press('Escape');
  await page.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the game ended');
  const recorded = await page.evaluate('captions');

  const journals = await page.journals();
  if (journals.length !== 1) fail(`the page keeps ${journals.length} journals: ${journals.map((j) => j.key)}`);
  // Stored a chunk a key, as written once a second: no write stores it whole.
  const chunks = await page.evaluate(`(() => { const key = journalKeys(localStorage)[0];
      return Array.from({ length: Number(localStorage.getItem(key)) }, (_, i) => localStorage.getItem(key + ':' + i).length); })()`);
  if (chunks.length < 4 || Math.max(...chunks.slice(1)) > 4096)
    fail(`the journal is kept in chunks of ${chunks.join(', ')} bytes`);
  const folder = await page.evaluate("FS.readdir('/kubrask').filter((name) => name[0] !== '.').sort()");
  if (JSON.stringify(folder) !== JSON.stringify(['Data', 'random.txt'])) fail(`the game's folder holds ${folder}`);
  const file = path.join(scratch, `${browser}-short-game.journal`);
  fs.writeFileSync(file, Buffer.from(journals[0].bytes));
  const replayed = await replayUnderNode(file);
  const line = replayed.stdout.trim().split('\n').pop() || '';
  const agreed = /^replayed .*: (\d+) frames, score (\d+), state ([0-9a-f]{16}), as recorded$/.exec(line);
  if (replayed.code !== 0 || !agreed || agreed[2] !== plan.score)
    fail(`kubrask-replay.js ended with ${replayed.code}: ${replayed.stdout}${replayed.stderr}`);

  // Watched to its end, as recorded.
  const before = await everything();
  await navigates(page.click('#watch-last'));
  await page.waitFor("!document.getElementById('ended').hidden", 60000, 'the end of the watched game');
  const whole = await page.evaluate('captions');
  if (JSON.stringify(whole) !== JSON.stringify(recorded))
    fail(`watched, the status line showed\n  ${whole.join('\n  ')}\nrecorded, it showed\n  ${recorded.join('\n  ')}`);
  const ending = line.replace(/^replayed [^:]*:/, 'replayed /watch/kubrask.journal:');
  if (!page.said(ending)) fail(`the watched game did not end with "${ending}": ${await watched()}`);

  // Picked as a file, and stopped with Escape once it has scored.
  const [picker] = await Promise.all([page.tab.waitForFileChooser(), page.click('#watch-file')]);
  await navigates(picker.accept([file]));
  await page.waitForStatus(scored, 30000);
  await page.press('Escape');
  await page.waitFor("!document.getElementById('ended').hidden", 10000, 'word from the page that the watching stopped');
  const stopped = await page.evaluate('captions');
  if (JSON.stringify(stopped) !== JSON.stringify(recorded.slice(0, stopped.length)) || stopped.length >= recorded.length)
    fail(`stopped, the status line had shown\n  ${stopped.join('\n  ')}`);
  const [query, said] = await watched();
  if (query !== '?watch=file' || !/ended.*Start again/.test(said)) fail(`at ${query} the page says "${said}"`);
  if (!page.consoleMessages.some((m) => m.startsWith('stopped watching '))) fail('Escape did not stop the watching');
  if ((await everything()) !== before) fail(`watching changed the site's storage:\n${before}\n${await everything()}`);

  // A game recorded on Linux, kept in the tree, ends in the page as it
  // ends there.
  const [linux] = await Promise.all([page.tab.waitForFileChooser(), page.click('#watch-file')]);
  await navigates(linux.accept([linuxJournal]));
  await page.waitFor("!document.getElementById('ended').hidden", 60000, 'the end of the watched Linux game');
  const linuxEnding = fs.readFileSync(linuxJournal.replace(/\.journal$/, '.expected'), 'utf8').split('\n')[0]
    .replace(/^replayed [^:]*:/, 'replayed /watch/kubrask.journal:');
  if (!page.said(linuxEnding)) fail(`the game recorded on Linux did not end with "${linuxEnding}": ${await watched()}`);
  if ((await everything()) !== before) fail(`watching changed the site's storage:\n${before}\n${await everything()}`);

  await navigates(page.click('#restart'));
  await page.waitForStatus(start);
  await page.waitFor("localStorage.getItem('kubrask:random.txt') === '" + (Number(plan.counter) + 2) + "'", 5000,
                     'the launch counter counting the new game');
  const kept = (await page.journals()).length;
  if (kept !== 2) fail(`after Start again the page keeps ${kept} journals`);

  // A game left while it plays has its journal kept to its last second:
  // watched, it plays that far, and the page says so.
  await page.waitFor('keptJournal(localStorage, journalKeys(localStorage).pop()).length > 100', 10000,
                     "the new game's journal past its header");
  await navigates(page.tab.goto(page.url + '?watch=last'));
  await page.waitFor("!document.getElementById('ended').hidden", 30000, 'the end of the watched game');
  const [, cut] = await watched();
  if (!/kept only this far/.test(cut)) fail(`watching a game left while it played, the page says "${cut}"`);
  return `a ${journals[0].bytes.length}-byte journal of ${agreed[1]} frames replayed under Node as recorded; ` +
         `watched, it showed the ${recorded.length} recorded captions; picked as a file, Escape stopped it after ` +
         `${stopped.length}; a game recorded on Linux ended as it does there; the site's storage was the same after; ` +
         'Start again kept a new game, ' +
         'which, left while it played, could be watched to where it was left';
}, 240000);
