// Every run records a journal of what the game learnt from outside (see
// platform/posix/journal.h), kept in the site's local storage under a prefix
// of its own, which the saved files' restore passes by: the journals of the
// last three runs, each named for the time its run started. The layer
// writes a journal out a whole chunk at a time, once a second and at the
// end, and each chunk is stored as it comes, under a key of its own, so a
// second's write costs only that second's chunk and a closed tab leaves the
// journal up to its last second. The journal's own key holds how many chunks
// it has. The journal stops growing at a million bytes (an hour and a half
// of play: the recorder's own cap), so that the saved files keep their
// room; storage refused or full ends the journal, never the game.
const JournalPrefix = 'kubrask-journal:';
const KeptJournals = 3;
// Watching a kept game again: the page is opened with ?watch=TIME (a journal
// kept here, by the time its run started), ?watch=last (the newest) or
// ?watch=file (a journal file the player picked, held in the tab's session
// storage), and ?speed=N to watch N times as fast. The game plays it from
// the journal in a folder of its own, with the files recorded in it, and
// keeps nothing: no launch count, best score or journal.
const PickedJournal = 'kubrask-watch';
const WatchedFile = '/watch/kubrask.journal';

// The journals kept here, oldest first, by their own keys.
function journalKeys(storage) {
  const keys = [];
  for (let i = 0; storage && i < storage.length; i++) {
    const key = storage.key(i);
    if (key.startsWith(JournalPrefix) && /^\d+$/.test(key.slice(JournalPrefix.length))) keys.push(key);
  }
  return keys.sort((a, b) => Number(a.slice(JournalPrefix.length)) - Number(b.slice(JournalPrefix.length)));
}

// A kept journal's text, its chunks joined; null when there is none. (A
// journal kept whole under its key, as the site once kept them, is its text.)
function keptJournal(storage, key) {
  const head = storage.getItem(key);
  if (head === null || !/^\d+$/.test(head)) return head;
  const chunks = [];
  for (let i = 0; i < Number(head); i++) chunks.push(storage.getItem(`${key}:${i}`) || '');
  return chunks.join('');
}

function forgetJournal(storage, key) {
  const chunks = [];
  for (let i = 0; i < storage.length; i++) if (storage.key(i).startsWith(key + ':')) chunks.push(storage.key(i));
  for (const chunk of chunks) storage.removeItem(chunk);
  storage.removeItem(key);
}

// What the page's address asks to watch, put where the game will read it;
// nothing to watch there stops the page before any of the game's code runs.
function prepareWatching() {
  const query = new URLSearchParams(location.search), which = query.get('watch');
  if (prepareServedWatching(query) || prepareDaily(query) || !which) return;
  let text = null, what = 'a game kept here';
  try {
    if (which === 'file') {
      text = sessionStorage.getItem(PickedJournal);
      what = sessionStorage.getItem(PickedJournal + '-name') || 'a journal';
    } else {
      const keys = journalKeys(siteStorage());
      const key = which === 'last' ? keys[keys.length - 1] : JournalPrefix + which;
      if (key && keys.includes(key)) {
        text = keptJournal(localStorage, key);
        what = 'the game of ' + new Date(Number(key.slice(JournalPrefix.length))).toLocaleString();
      }
    }
  } catch (e) {
    text = null;
  }
  Page.watching = { arguments: ['--replay', WatchedFile] };
  if (query.get('speed')) Page.watching.arguments.push('--speed', query.get('speed'));
  if (text === null) {
    addRunDependency('kubrask: nothing to watch');
    Page.showEnd('There is no such game kept here to watch.');
    return;
  }
  FS.mkdirTree(PATH.dirname(WatchedFile));
  FS.writeFile(WatchedFile, bytesOf(text));
  Page.notice(`Watching ${what}. Escape stops it.`, 'Stop watching', () => Page.push(PageKeyDown, 0x1b, 0));
}

Object.assign(Page, {
  // The journal of this run, as the layer writes it out: false when the
  // site's storage is refused or full.
  openJournal() {
    const storage = siteStorage();
    if (!storage || Page.watching) return false;
    const keys = journalKeys(storage);
    for (const old of keys.slice(0, Math.max(0, keys.length - (KeptJournals - 1)))) forgetJournal(storage, old);
    const key = JournalPrefix + Math.max(Date.now(), ...keys.map((k) => Number(k.slice(JournalPrefix.length)) + 1));
    try {
      storage.setItem(key, '0');
    } catch (e) {
      console.warn('Kubrask keeps no journal of this game: ' + e);
      return false;
    }
    Page.journal = { storage, key, chunks: 0 };
    return true;
  },
  writeJournal(pointer, size) {
    const journal = Page.journal;
    if (!journal) return;
    try {
      journal.storage.setItem(`${journal.key}:${journal.chunks}`, textOf(HEAPU8.subarray(pointer, pointer + size)));
      journal.storage.setItem(journal.key, String(journal.chunks + 1));
      journal.chunks++;
    } catch (e) {
      console.warn('Kubrask keeps this game\'s journal only this far: ' + e);
      Page.journal = null;
    }
  },
  journalArguments() {
    if (Page.watching) return Page.watching.arguments;
    return Page.daily ? ['--daily', String(Page.daily.seed)] : [];
  },
  // The journal "Watch the last game" plays: while this run plays, the run
  // before it; once it has ended, this one.
  lastJournal() {
    const own = Page.journal && !Page.ended ? Page.journal.key : null;
    return journalKeys(siteStorage()).filter((key) => key !== own).pop() || null;
  },
  offerWatching() { Page.element('watch-last').disabled = !Page.lastJournal(); },
  watch(query) { location.assign(siteHome() + query); },
  async watchFile(file) {
    try {
      const text = textOf(new Uint8Array(await file.arrayBuffer()));
      sessionStorage.setItem(PickedJournal, text);
      sessionStorage.setItem(PickedJournal + '-name', file.name);
    } catch (e) {
      Page.notice(`This browser cannot hold ${file.name} to watch it: ${e}`);
      return;
    }
    Page.watch('?watch=file');
  },
});

Page.element('watch-last').addEventListener('click', () => {
  const key = Page.lastJournal();
  if (key) Page.watch('?watch=' + key.slice(JournalPrefix.length));
});
const journalFile = Page.element('journal-file');
Page.element('watch-file').addEventListener('click', () => journalFile.click());
journalFile.addEventListener('change', () => { if (journalFile.files[0]) Page.watchFile(journalFile.files[0]); });
