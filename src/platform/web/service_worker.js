// Keeps Kubrask's site after the first visit, so that the game starts and
// plays with no network. The site's files are kept in a cache named for this
// version of the site, a digest of their contents that the build writes in
// below: a site with any file changed is a new version, which the browser
// finds on the next visit with a network and installs here, and the old
// version's files are deleted. Caches of other sites' workers on the same
// host (another folder) are left alone.
'use strict';

const Version = '@KUBRASK_SITE_VERSION@';
const Files = ['./', @KUBRASK_SITE_FILES@];
const Prefix = 'kubrask ' + self.registration.scope + ' ';
const Kept = Prefix + Version;

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(Kept);
    await cache.addAll(Files.map((file) => new Request(file, { cache: 'reload' })));
    // The page running now has loaded the whole game: the new version can
    // take over at once.
    await self.skipWaiting();
  })());
});

// Once the old version's files are gone, the pages it served (still
// running it) hear that a new version is ready.
self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    const old = (await caches.keys()).filter((name) => name.startsWith(Prefix) && name !== Kept);
    for (const name of old) await caches.delete(name);
    await self.clients.claim();
    if (!old.length) return;
    for (const page of await self.clients.matchAll({ type: 'window', includeUncontrolled: true })) {
      page.postMessage('kubrask: a new version is ready');
    }
  })());
});

// A score server's tables and API always come from the network: a kept
// copy would be an old table.
const Live = /\/(api\/|scores|games\/)/;

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET' || Live.test(new URL(event.request.url).pathname)) return;
  event.respondWith((async () => {
    const cache = await caches.open(Kept);
    return (await cache.match(event.request, { ignoreSearch: true })) || fetch(event.request);
  })());
});
