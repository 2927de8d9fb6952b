// A browser that keeps nothing for the page still plays it, and says once,
// plainly, that the best score cannot be kept:
// - site data blocked, as a privacy setting does (Chromium: cookies blocked
//   for every site; Firefox: cookies refused);
// - storage full: every write refused as a full store refuses it;
// - inside a sandboxed frame of another site, where the page has no storage
//   and no service worker.
// Embedded as game portals show games, in an ordinary frame of another
// site, the page plays as on its own page and says nothing. In each case
// the status line counts down and an arrow moves the walker (the move's
// sound is asked for).
//
//   node storage_test.mjs chromium|firefox SITE_FOLDER SCRATCH_FOLDER
import fs from 'node:fs';
import path from 'node:path';
import { serve } from '../../scripts/serve.mjs';
import { openGame, runTest, fail, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, scratch] = process.argv.slice(3);
const cannotKeep = 'your best score cannot be kept here';

// Plays in `doc` (the page, or a frame of it): the status line counts
// down, a click on the game and an arrow move the walker. Returns what the
// notice says.
async function plays(page, doc, where) {
  const wait = async (expression, what) => {
    try {
      await doc.waitForFunction(expression, { timeout: 30000, polling: 50 });
    } catch (error) {
      fail(`no ${what} ${where} (${error.message.split('\n')[0]}); the page said: ${page.consoleMessages.join(' | ')}`);
    }
  };
  await wait(`/^Kubrask - Time: 2:5[0-9] - Score: 0/.test(document.getElementById('status').textContent)`, 'count-down');
  await doc.evaluate(`window.moved = false; const play = Page.playSound;
      Page.playSound = (...call) => { const played = play(...call); if (call[0] === 'Data/DiceMove.wav') moved = true; return played; }`);
  await (await doc.$('#canvas')).click();
  await page.tab.keyboard.down('ArrowLeft');
  await wait('moved', 'move');
  await page.tab.keyboard.up('ArrowLeft');
  return doc.evaluate(`Array.from(document.querySelectorAll('#notice p')).map((p) => p.textContent)`);
}

function saysOnce(notices, where) {
  const told = notices.filter((text) => text.includes(cannotKeep));
  if (told.length !== 1) fail(`${where} the page says ${JSON.stringify(notices)}`);
}

await runTest(`refused storage in ${browser}`, async (use) => {
  // Site data blocked for every site.
  const profile = path.join(scratch, `${browser}-blocking-profile`);
  fs.rmSync(profile, { recursive: true, force: true });
  if (browser === 'chromium') {
    fs.mkdirSync(path.join(profile, 'Default'), { recursive: true });
    fs.writeFileSync(path.join(profile, 'Default', 'Preferences'),
                     JSON.stringify({ profile: { default_content_setting_values: { cookies: 2 } } }));
  }
  let page = use(await openGame(browser, site, { userDataDir: profile, prefs: { 'network.cookie.cookieBehavior': 2 } }));
  await page.start();
  const blocked = await plays(page, page.tab, 'with site data blocked');
  saysOnce(blocked, 'with site data blocked');
  const refusal = page.consoleMessages.find((m) => m.includes('no site storage here'));
  if (!refusal) fail('the page did not meet a refusal of its storage');
  await page.close();

  // Storage full.
  page = use(await openGame(browser, site, { onNewDocument: () => {
    Storage.prototype.setItem = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
  } }));
  await page.start();
  saysOnce(await plays(page, page.tab, 'with the storage full'), 'with the storage full');
  await page.close();

  // Frames of another site (localhost, where the game is on 127.0.0.1): one
  // sandboxed, one as a portal embeds a game.
  page = use(await openGame(browser, site));
  const port = new URL(page.url).port;
  const portal = path.join(scratch, `${browser}-portal`);
  fs.mkdirSync(portal, { recursive: true });
  for (const [name, attributes] of [['sandboxed', 'sandbox="allow-scripts"'], ['embedded', 'allow="fullscreen; autoplay; gamepad"']]) {
    fs.writeFileSync(path.join(portal, `${name}.html`), `<!DOCTYPE html><title>A game portal</title>
        <iframe src="http://127.0.0.1:${port}/" ${attributes} style="width: 900px; height: 700px"></iframe>`);
  }
  const host = await serve(portal);
  try {
    const framed = async (name) => {
      await page.tab.goto(`http://localhost:${new URL(host.url).port}/${name}.html`);
      const frame = await (await page.tab.waitForSelector('iframe')).contentFrame();
      await frame.waitForSelector('#status');
      return plays(page, frame, `in a ${name} frame`);
    };
    saysOnce(await framed('sandboxed'), 'in a sandboxed frame');
    const embedded = await framed('embedded');
    if (embedded.length) fail(`in an ordinary frame the page says ${JSON.stringify(embedded)}`);
  } finally {
    await host.close();
  }
  return `with site data blocked ("${refusal}"), the storage full and in a sandboxed frame the game plays and says once ` +
         `that the best score cannot be kept; in another site's frame it plays and says nothing`;
}, 150000);
