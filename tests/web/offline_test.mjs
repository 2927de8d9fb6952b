// The site as an app that starts offline, on a copy of the site served on a
// port of its own:
// - the manifest is read without errors and names the game, its icons at
//   192 and 512 pixels (our icon art, drawn at those sizes), standalone
//   display, and start and scope relative to the site; Chromium reports no
//   errors that keep it from being installed;
// - after one visit the service worker keeps every file of the site, in one
//   cache named for this version;
// - with the server gone the game starts, counts down and moves, and finds
//   the launch counter it kept;
// - the site rebuilt with a change and served again: the next visit
//   replaces the kept files (the old version's cache is deleted) and the
//   page says a new version is ready; its button starts the new version.
//
//   node offline_test.mjs chromium|firefox SITE_FOLDER SCRATCH_FOLDER SERVICE_WORKER_TEMPLATE SERVICE_WORKER_SCRIPT
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { serve } from '../../scripts/serve.mjs';
import { decodePng } from '../../tools/png.mjs';
import { openGame, runTest, fail, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, scratch, template, script] = process.argv.slice(3);
const counting = /^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/;
const launches = async (page) => Number(String.fromCharCode(...(await page.savedBytes('random.txt'))));
const kept = (page) => page.evaluate(`(async () => {
    const names = await caches.keys(), files = {};
    for (const name of names) files[name] = (await (await caches.open(name)).keys()).map((r) => r.url).sort();
    return { names, files }; })()`);

await runTest(`offline play in ${browser}`, async (use) => {
  const copy = path.join(scratch, `${browser}-site`);
  fs.rmSync(copy, { recursive: true, force: true });
  fs.cpSync(site, copy, { recursive: true });
  const page = use(await openGame(browser, copy));
  await page.start();
  await page.waitForStatus(counting);

  // The manifest and its icons.
  const manifest = await page.evaluate(`fetch(document.querySelector('link[rel=manifest]').href).then((r) => r.json())`);
  if (manifest.name !== 'Kubrask' || manifest.short_name !== 'Kubrask' || manifest.display !== 'standalone' ||
      manifest.start_url !== './' || manifest.scope !== './') fail(`the manifest says ${JSON.stringify(manifest)}`);
  for (const size of [192, 512]) {
    const icon = manifest.icons.find((i) => i.sizes === `${size}x${size}` && i.type === 'image/png');
    if (!icon) fail(`the manifest has no ${size}-pixel icon`);
    const picture = decodePng(fs.readFileSync(path.join(copy, icon.src)));
    const corner = picture.pixel(0, 0)[3], middle = picture.pixel(size / 2, size / 2)[3];
    if (picture.width !== size || picture.height !== size || corner !== 0 || middle !== 255) {
      fail(`${icon.src} is ${picture.width} x ${picture.height}, its corner ${corner} and middle ${middle} opaque`);
    }
  }
  if (browser === 'chromium') {
    const protocol = await page.tab.createCDPSession();
    const { errors } = await protocol.send('Page.getAppManifest');
    if (errors.length) fail(`Chromium reads the manifest with errors: ${JSON.stringify(errors)}`);
    // Installable once a service worker controls the page.
    await page.waitFor('navigator.serviceWorker.controller !== null', 20000, 'service worker in control');
    const { installabilityErrors } = await protocol.send('Page.getInstallabilityErrors');
    if (installabilityErrors.length) fail(`Chromium would not install it: ${JSON.stringify(installabilityErrors)}`);
  }

  // Every file kept after the first visit, in one cache.
  await page.waitFor('navigator.serviceWorker.controller !== null', 20000, 'service worker in control');
  const first = await kept(page);
  const siteFiles = fs.readdirSync(copy).filter((f) => f !== 'sw.js').sort();
  const expected = [page.url, ...siteFiles.map((f) => page.url + f)].sort();
  if (first.names.length !== 1 || JSON.stringify(first.files[first.names[0]]) !== JSON.stringify(expected)) {
    fail(`after the first visit the caches hold ${JSON.stringify(first)}; the site is ${siteFiles.join(', ')}`);
  }
  const counted = await launches(page);

  // No network: the server is gone.
  const port = Number(new URL(page.url).port);
  await page.server.close();
  await page.reload();
  await page.waitForStatus(counting);
  await page.waitFor(`!document.getElementById('status').textContent.includes('3:00')`, 5000, 'count-down offline');
  if ((await launches(page)) !== counted + 1) fail(`offline the launch counter went from ${counted} to ${await launches(page)}`);
  await page.evaluate(`window.moved = false; const play = Page.playSound;
      Page.playSound = (...call) => { const played = play(...call); if (call[0] === 'Data/DiceMove.wav') moved = true; return played; }`);
  await page.press('ArrowLeft');
  await page.waitFor('moved', 5000, 'move offline');

  // A new version, served again on the same address.
  const index = path.join(copy, 'index.html');
  fs.writeFileSync(index, fs.readFileSync(index, 'utf8').replace('</head>', '<meta name="version" content="second">\n</head>'));
  execFileSync('cmake', [`-DSITE=${copy}`, `-DTEMPLATE=${template}`, '-P', script]);
  const server = await serve(copy, port);
  try {
    await page.reload();
    await page.waitForStatus(counting);
    await page.waitFor(`document.getElementById('notice').textContent.includes('A new version of Kubrask is ready.')`,
                       20000, 'word of the new version');
    const second = await kept(page);
    if (second.names.length !== 1 || second.names[0] === first.names[0]) fail(`after the new version the caches are ${second.names}`);
    await Promise.all([page.tab.waitForNavigation(), page.click('#notice button')]);
    await page.waitForStatus(counting);
    if (!(await page.evaluate(`!!document.querySelector('meta[name=version]')`))) fail('the button did not start the new version');
  } finally {
    await server.close();
  }
  return `manifest and icons as they should be; ${expected.length} files kept after one visit in "${first.names[0]}"; ` +
         `offline the game started, counted launch ${counted + 1} and moved; a new version replaced the kept one ` +
         `("${(await kept(page)).names[0]}") and was played`;
}, 120000);
