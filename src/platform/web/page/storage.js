// The game's folder and the files it keeps. The game runs in a folder of its
// own, the art preloaded into Data/ there. What it saves beside the art (the
// launch counter, the best score) is kept in the site's local storage: put
// back before any of the game's code runs, since the launch counter is read
// and written before its entry, and stored again each time the game renames
// a new version into place, as it does to save. A browser that refuses the
// site storage (site data blocked, a sandboxed frame) or has no room left
// still plays; it keeps nothing.
const GameFolder = '/kubrask';
const SavedPrefix = 'kubrask:';

function siteStorage() {
  try {
    const storage = window.localStorage;
    storage.getItem(SavedPrefix);  // some browsers refuse only here
    return storage;
  } catch (e) {
    console.warn('Kubrask has no site storage here: ' + e);
    return null;
  }
}

// Bytes kept as text in the site's storage, one character a byte, and back.
const bytesOf = (text) => Uint8Array.from(text, (c) => c.charCodeAt(0));
function textOf(bytes) {
  let text = '';
  for (let at = 0; at < bytes.length; at += 8192) text += String.fromCharCode.apply(null, bytes.subarray(at, at + 8192));
  return text;
}

function restoreSavedFiles() {
  FS.mkdirTree(GameFolder);
  FS.chdir(GameFolder);
  const storage = siteStorage();
  if (!storage && !Page.watching) Page.cannotKeep();
  for (let i = 0; storage && i < storage.length; i++) {
    const key = storage.key(i);
    if (key.startsWith(SavedPrefix)) FS.writeFile(GameFolder + '/' + key.slice(SavedPrefix.length), bytesOf(storage.getItem(key)));
  }
  const rename = FS.rename;
  FS.rename = function (from, to) {
    rename(from, to);
    const path = FS.lookupPath(to).path;
    if (!storage || Page.watching || PATH.dirname(path) !== GameFolder) return;
    const name = PATH.basename(path);
    try {
      storage.setItem(SavedPrefix + name, textOf(FS.readFile(path)));
    } catch (e) {
      console.warn('Kubrask could not keep ' + name + ': ' + e);
      Page.cannotKeep();
      return;
    }
    if (name === 'Kubrask.data') Page.keepForGood();
  };
}

Object.assign(Page, {
  cannotKeep() {
    Page.notice('This browser keeps no data for this page, so your best score cannot be kept here. ' +
                'The game plays as ever.');
  },
  // Asks the browser, once a best score is saved, not to clear the site's
  // storage when it runs short of room or the site goes unvisited a while.
  keepForGood() {
    if (Page.askedToKeep || !navigator.storage || !navigator.storage.persist) return;
    Page.askedToKeep = true;
    navigator.storage.persist().catch(() => {});
  },
});
