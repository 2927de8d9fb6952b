// The site's server (scripts/serve.mjs) gives the site's files with their
// types, its index for `/`, 404 for what is not there, and nothing outside
// its folder however the path is written; any site may read the files.
//
//   node serve_test.mjs
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { serve } from '../../scripts/serve.mjs';

const get = (base, raw) => new Promise((resolve, reject) => {
  const url = new URL(base);
  http.get({ host: url.hostname, port: url.port, path: raw }, (res) => {
    let body = '';
    res.on('data', (d) => { body += d; });
    res.on('end', () => resolve({ status: res.statusCode, type: res.headers['content-type'],
                                  origins: res.headers['access-control-allow-origin'], body }));
  }).on('error', reject);
});

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'kubrask-serve-'));
const site = path.join(tmp, 'site');
fs.mkdirSync(site);
fs.writeFileSync(path.join(tmp, 'secret.txt'), 'outside the served folder');
fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>the index</title>');
for (const file of ['game.wasm', 'game.data', 'manifest.webmanifest', 'sw.js']) fs.writeFileSync(path.join(site, file), file);

const failures = [];
const server = await serve(site);
try {
  const index = await get(server.url, '/');
  if (index.status !== 200 || !index.body.includes('the index')) failures.push(`/ gave ${index.status} ${index.body}`);
  for (const [file, type] of [['game.wasm', 'application/wasm'], ['game.data', 'application/octet-stream'],
                              ['manifest.webmanifest', 'application/manifest+json'], ['sw.js', 'text/javascript; charset=utf-8']]) {
    const r = await get(server.url, '/' + file);
    if (r.status !== 200 || r.type !== type || r.origins !== '*') failures.push(`${file}: ${r.status} ${r.type} ${r.origins}`);
  }
  if ((await get(server.url, '/missing.txt')).status !== 404) failures.push('/missing.txt is not 404');
  for (const escape of ['/../secret.txt', '/%2e%2e/secret.txt', '/..%2fsecret.txt']) {
    const r = await get(server.url, escape);
    if (r.status !== 403 || r.body.includes('outside')) failures.push(`${escape} is not refused: ${r.status} ${r.body}`);
  }
} finally {
  await server.close();
  fs.rmSync(tmp, { recursive: true });
}
if (failures.length) {
  console.error(failures.map((f) => `FAIL: ${f}`).join('\n'));
  process.exit(1);
}
console.log('ok: the index, four types readable from any site, 404, and three ways out of the folder refused');
