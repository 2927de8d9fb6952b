// A small static file server for the browser build, bound to 127.0.0.1: for
// playing the site (scripts/play.sh web) and for its tests.
//
//   node scripts/serve.mjs FOLDER [PORT]     serves FOLDER until killed
//   import { serve } from '../../scripts/serve.mjs';
//   const { url, close } = await serve(folder);   // port 0: any free port
//
// Files only: `/` and folders give their index.html, `..` is refused, nothing
// is cached. Any site may read the files, as on most static hosts: a page in
// a sandboxed frame has an origin of its own, and fetches the game's
// WebAssembly and art across origins.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.map': 'application/json',
  '.css': 'text/css; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
  '.svg': 'image/svg+xml',
  '.wav': 'audio/wav',
};

function reply(res, status, text, headers = {}) {
  res.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8', 'Cache-Control': 'no-store', ...headers });
  res.end(text + '\n');
}

async function handle(root, req, res) {
  if (req.method !== 'GET' && req.method !== 'HEAD') return reply(res, 405, 'Method not allowed', { Allow: 'GET, HEAD' });
  const raw = req.url.split(/[?#]/)[0];
  let parts;
  try {
    parts = decodeURIComponent(raw).split('/');
  } catch {
    return reply(res, 400, 'Bad request');
  }
  let file = path.join(root, ...parts);
  if (!raw.startsWith('/') || parts.some((p) => p === '..' || p.includes('\0')) || !(file + path.sep).startsWith(root + path.sep)) {
    return reply(res, 403, 'Forbidden');
  }
  let st = await fs.promises.stat(file).catch(() => null);
  if (st?.isDirectory()) {
    if (!raw.endsWith('/')) return reply(res, 301, 'Moved', { Location: path.posix.basename(raw) + '/' });
    file = path.join(file, 'index.html');
    st = await fs.promises.stat(file).catch(() => null);
  }
  if (!st?.isFile()) return reply(res, 404, 'Not found: ' + raw);
  res.writeHead(200, {
    'Content-Type': TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream',
    'Content-Length': st.size,
    'Cache-Control': 'no-store',
    'Access-Control-Allow-Origin': '*',
  });
  if (req.method === 'HEAD') return res.end();
  fs.createReadStream(file).on('error', () => res.destroy()).pipe(res);
}

export async function serve(folder, port = 0) {
  const root = path.resolve(folder);
  if (!fs.statSync(root, { throwIfNoEntry: false })?.isDirectory()) throw new Error(`serve: ${folder} is not a folder`);
  const server = http.createServer((req, res) => handle(root, req, res).catch(() => res.destroy()));
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(Number(port), '127.0.0.1', resolve);
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => {
      server.close(() => resolve());
      server.closeAllConnections();
    }),
  };
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [folder, port = '0'] = process.argv.slice(2);
  if (!folder || !/^\d+$/.test(port)) {
    console.error('usage: node serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    const { url } = await serve(folder, port);
    console.log(`Serving ${folder} on ${url}`);
  } catch (e) {
    console.error(`serve.mjs: ${e.message}`);
    process.exit(1);
  }
  for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(0));
}
