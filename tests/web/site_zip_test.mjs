// The site's zip, unpacked anywhere and served, is the site as built: the
// same files, byte for byte, under one folder, and the game starts from it.
//
//   node site_zip_test.mjs chromium|firefox SITE.zip SITE_FOLDER
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { openGame, runTest, fail, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [zip, site] = process.argv.slice(3);

await runTest(`the site zip in ${browser}`, async (use) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-site-'));
  try {
    execFileSync('cmake', ['-E', 'tar', 'xf', path.resolve(zip)], { cwd: folder });
    const [top, ...others] = fs.readdirSync(folder);
    if (others.length) fail(`the zip holds ${[top, ...others].join(', ')} at its top`);
    const unpacked = path.join(folder, top);
    const files = fs.readdirSync(unpacked).sort(), built = fs.readdirSync(site).sort();
    if (files.join() !== built.join()) fail(`the zip holds ${files.join(', ')}; the site ${built.join(', ')}`);
    for (const file of files)
      if (!fs.readFileSync(path.join(unpacked, file)).equals(fs.readFileSync(path.join(site, file)))) fail(`${file} differs`);
    const page = use(await openGame(browser, unpacked));
    await page.start();
    await page.waitForStatus(/^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0$/);
    return `${path.basename(zip)} holds ${files.join(', ')} under ${top}/, and the game starts from it`;
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}, 100000);
