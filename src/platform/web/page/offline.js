// Where the page offers a manifest (the game's own site), a service worker
// keeps the site's files so that the game starts with no network. Each
// start with a network asks whether the site has a new version; a new one
// replaces the kept files at once (the game running now was loaded whole at
// its start), and its worker tells the pages it replaced: they say so, and
// the next start plays it.
const NewVersionReady = 'kubrask: a new version is ready';
function keepForOffline() {
  if (!document.querySelector('link[rel="manifest"]')) return;
  let workers = null;
  try {
    workers = navigator.serviceWorker;  // absent on plain http, refused in a sandboxed frame
  } catch (e) {
    workers = null;
  }
  if (!workers) return;
  workers.addEventListener('message', (event) => {
    if (event.data === NewVersionReady) Page.notice('A new version of Kubrask is ready.', 'Play it', () => location.reload());
  });
  workers.register('sw.js')
    .then((registration) => registration.update())
    .catch((e) => console.warn('Kubrask cannot be kept for offline play here, or has no network: ' + e));
}

keepForOffline();
