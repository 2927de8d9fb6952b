// The site a player downloads stays under its budget: every file of the
// built site together under the limit in site_sizes.json. Past it, the test
// names the files that grew since their sizes there were last written down,
// the most grown first, and any file that is new.
//
//   node site_size_test.mjs SITE_FOLDER SIZES_JSON
import fs from 'node:fs';
import path from 'node:path';

const [site, sizesFile] = process.argv.slice(2);
const { limit, files: known } = JSON.parse(fs.readFileSync(sizesFile, 'utf8'));
const sizes = Object.fromEntries(fs.readdirSync(site).map((name) => [name, fs.statSync(path.join(site, name)).size]));
const total = Object.values(sizes).reduce((sum, size) => sum + size, 0);
const listed = Object.entries(sizes).sort((a, b) => b[1] - a[1]).map(([name, size]) => `${name} ${size}`).join(', ');
if (total <= limit) {
  console.log(`ok: the site is ${total} bytes, within ${limit}: ${listed}`);
  process.exit(0);
}
const grown = Object.entries(sizes)
  .map(([name, size]) => ({ name, size, growth: size - (known[name] ?? 0) }))
  .filter((file) => file.growth > 0)
  .sort((a, b) => b.growth - a.growth)
  .map((file) => `${file.name} (${file.size} bytes, ${known[file.name] === undefined ? 'new' : `up ${file.growth}`})`);
console.error(`FAIL: the site is ${total} bytes, over its limit of ${limit}; ` +
              `grown since ${path.basename(sizesFile)}: ${grown.join(', ') || 'none'}; all: ${listed}`);
process.exit(1);
