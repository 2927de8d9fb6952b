// The page's side of the browser layer, run before the game (emcc --pre-js):
// the game's folder and the files it keeps, the journals of the last runs
// and watching one again, what the page sees (keys, touch, the page's
// buttons, sizes, the tab hidden or shown, pads) handed to the layer as
// events, the status line, the boxes and the dialog as overlays, sound, and
// the service worker that keeps the site for offline play. The layer's C++
// files call the functions of Page; see README.md beside this file.
'use strict';

// The game runs in a folder of its own, the art preloaded into Data/ there.
// What it saves beside the art (the launch counter, the best score) is kept
// in the site's local storage: put back before any of the game's code runs,
// since the launch counter is read and written before its entry, and stored
// again each time the game renames a new version into place, as it does to
// save. A browser that refuses the site storage (site data blocked, a
// sandboxed frame) or has no room left still plays; it keeps nothing.
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

function restoreSavedFiles() {
  FS.mkdirTree(GameFolder);
  FS.chdir(GameFolder);
  const storage = siteStorage();
  if (!storage && !Page.watching) Page.cannotKeep();
  for (let i = 0; storage && i < storage.length; i++) {
    const key = storage.key(i);
    if (!key.startsWith(SavedPrefix)) continue;
    const text = storage.getItem(key);
    const bytes = Uint8Array.from(text, (c) => c.charCodeAt(0));
    FS.writeFile(GameFolder + '/' + key.slice(SavedPrefix.length), bytes);
  }
  const rename = FS.rename;
  FS.rename = function (from, to) {
    rename(from, to);
    const path = FS.lookupPath(to).path;
    if (!storage || Page.watching || PATH.dirname(path) !== GameFolder) return;
    const name = PATH.basename(path), bytes = FS.readFile(path);
    try {
      storage.setItem(SavedPrefix + name, String.fromCharCode.apply(null, bytes));
    } catch (e) {
      console.warn('Kubrask could not keep ' + name + ': ' + e);
      Page.cannotKeep();
      return;
    }
    if (name === 'Kubrask.data') Page.keepForGood();
  };
}

// Every run records a journal of what the game learnt from outside (see
// platform/posix/journal.h), kept in the site's local storage under a prefix
// of its own, which the saved files' restore passes by: the journals of the
// last three runs, each named for the time its run started. The layer
// writes a journal out a whole chunk at a time, once a second and at the
// end, and each is stored as it comes: a closed tab leaves the journal up to
// its last second. A journal stops growing at a million bytes (an hour and
// a half of play), so that the saved files keep their room; storage refused
// or full ends the journal, never the game.
const JournalPrefix = 'kubrask-journal:';
const KeptJournals = 3;
const JournalLimit = 1 << 20;
// Watching a kept game again: the page is opened with ?watch=TIME (a journal
// kept here, by the time its run started), ?watch=last (the newest) or
// ?watch=file (a journal file the player picked, held in the tab's session
// storage), and ?speed=N to watch N times as fast. The game plays it from
// the journal in a folder of its own, with the files recorded in it, and
// keeps nothing: no launch count, best score or journal.
const PickedJournal = 'kubrask-watch';
const WatchedFile = '/watch/kubrask.journal';

function journalKeys(storage) {
  const keys = [];
  for (let i = 0; storage && i < storage.length; i++) {
    const key = storage.key(i);
    if (key.startsWith(JournalPrefix) && /^\d+$/.test(key.slice(JournalPrefix.length))) keys.push(key);
  }
  return keys.sort((a, b) => Number(a.slice(JournalPrefix.length)) - Number(b.slice(JournalPrefix.length)));
}

const bytesOf = (text) => Uint8Array.from(text, (c) => c.charCodeAt(0));
function textOf(bytes) {
  let text = '';
  for (let at = 0; at < bytes.length; at += 8192) text += String.fromCharCode.apply(null, bytes.subarray(at, at + 8192));
  return text;
}

// What the page's address asks to watch, put where the game will read it;
// nothing to watch there stops the page before any of the game's code runs.
function prepareWatching() {
  const query = new URLSearchParams(location.search), which = query.get('watch');
  if (!which) return;
  let text = null, what = 'a game kept here';
  try {
    if (which === 'file') {
      text = sessionStorage.getItem(PickedJournal);
      what = sessionStorage.getItem(PickedJournal + '-name') || 'a journal';
    } else {
      const keys = journalKeys(siteStorage());
      const key = which === 'last' ? keys[keys.length - 1] : JournalPrefix + which;
      if (key && keys.includes(key)) {
        text = localStorage.getItem(key);
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

Module.preRun = (Module.preRun || []).concat(() => {
  prepareWatching();
  restoreSavedFiles();
  Page.offerWatching();
});
Module.print = (line) => console.log(line);
Module.printErr = (line) => {
  if (line.startsWith('kubrask: ')) Page.journalSaid = line.slice('kubrask: '.length);
  console.warn(line);
};
Module.onAbort = (what) => Page.showEnd('Kubrask stopped: ' + what);
// The journal ends the program itself when a game it plays again goes
// another way, or when the journal ends before its game did.
Module.quit = (status, toThrow) => {
  if (status !== 0 && Page.watching) {
    Page.showEnd(status === 3 ? 'The game was kept only this far: it was stopped, or its tab closed.'
                              : 'This game cannot be watched here: ' + (Page.journalSaid || 'the journal is refused.'));
  }
  throw toThrow;
};

// Windows' virtual-key codes of the keys the page passes on. Letters and
// digits follow the keyboard layout, as on Windows.
const NamedKeys = {
  Backspace: 0x08, Tab: 0x09, Enter: 0x0d, Shift: 0x10, Control: 0x11, Alt: 0x12, Pause: 0x13,
  CapsLock: 0x14, Escape: 0x1b, ' ': 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24,
  ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, PrintScreen: 0x2c,
  Insert: 0x2d, Delete: 0x2e, NumLock: 0x90, ScrollLock: 0x91,
};
const NumpadKeys = {
  Numpad0: 0x60, Numpad1: 0x61, Numpad2: 0x62, Numpad3: 0x63, Numpad4: 0x64, Numpad5: 0x65,
  Numpad6: 0x66, Numpad7: 0x67, Numpad8: 0x68, Numpad9: 0x69, NumpadMultiply: 0x6a,
  NumpadAdd: 0x6b, NumpadSubtract: 0x6d, NumpadDecimal: 0x6e, NumpadDivide: 0x6f, NumpadEnter: 0x0d,
};

function virtualKey(event) {
  if (NumpadKeys[event.code] && /^[0-9*+\-./]$|^Enter$/.test(event.key)) return NumpadKeys[event.code];
  if (event.key.length === 1 && /[a-z0-9]/i.test(event.key)) return event.key.toUpperCase().charCodeAt(0);
  if (/^F([1-9]|1[0-2])$/.test(event.key)) return 0x6f + Number(event.key.slice(1));
  return NamedKeys[event.key] || 0;
}

// The characters Windows-1252 holds beyond Latin-1's: what the name field takes.
const Cp1252Extra = '€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ';
function inCp1252(c) {
  const code = c.codePointAt(0);
  return (code >= 0x20 && code < 0x7f) || (code >= 0xa0 && code <= 0xff) || Cp1252Extra.includes(c);
}

const PageKeyDown = 1, PageKeyUp = 2, PageResize = 3, PageHidden = 4, PageShown = 5, PageCommand = 6;
const VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;

// A finger on the canvas holds an arrow once it has moved this far from where
// it touched down, and lets it go when it comes back this near, in CSS pixels.
const SwipeStart = 16, SwipeBack = 8;

const Page = {
  events: [],
  wake: null,
  boxes: [],  // open overlays, the top one last
  nextBox: 1,
  audio: null,
  sounds: new Map(),  // decoded waves by path
  playing: null,
  frames: 0,  // frames the game has presented
  held: new Map(),  // keys the page holds for the player, by virtual key
  swipe: null,  // the finger on the canvas: { id, x, y, arrow }
  noticed: new Set(),  // notices already given

  element(id) { return document.getElementById(id); },
  get canvas() { return Page.element('canvas'); },

  push(kind, a, b) {
    Page.events.push([kind, a | 0, b | 0]);
    if (Page.wake) Page.wake();
  },
  takeEvent(pointer) {
    const event = Page.events.shift() || Page.seenKeyUp();
    if (!event) return 0;
    const held = event[0] === PageKeyDown && Page.held.get(event[1]);
    if (held && held.taken < 0) held.taken = Page.frames;
    HEAP32.set(event, pointer >> 2);
    return 1;
  },
  // Resolves once the page has news for the layer, or after `milliseconds`.
  wait(milliseconds) {
    return new Promise((resolve) => {
      const done = () => { Page.wake = null; clearTimeout(timer); resolve(); };
      const timer = setTimeout(done, milliseconds);
      if (Page.events.length) done(); else Page.wake = done;
    });
  },
  // Resolves at the browser's next frame; a hidden page has none, so then
  // after a tenth of a second. The game has then drawn a frame and goes on to
  // look at its keys.
  nextFrame() {
    return new Promise((resolve) => {
      let done = false;
      const finish = () => {
        if (done) return;
        done = true;
        Page.frames++;
        resolve();
      };
      requestAnimationFrame(finish);
      setTimeout(finish, 100);
    });
  },

  // The game's window: the canvas in a frame of the shape asked for, as large
  // as the page has room for; its drawing buffer has the device's pixels.
  // Like a window, it starts at the size asked for: the page then fits it to
  // its place, and the game hears of that as of any new size.
  openWindow(width, height) {
    const frame = Page.element('frame');
    frame.style.setProperty('--aspect', width / height);
    frame.hidden = false;
    Page.element('loading').hidden = true;
    Page.canvas.width = width;
    Page.canvas.height = height;
    new ResizeObserver(() => {
      if (Page.fitCanvas()) Page.push(PageResize, Page.canvas.width, Page.canvas.height);
    }).observe(frame);
    if (document.hidden) Page.push(PageHidden);  // a hidden tab: minimised from the first peek
  },
  closeWindow() { Page.element('frame').hidden = true; },
  // Sizes the drawing buffer to the canvas's place on the page; true when it changed.
  fitCanvas() {
    const canvas = Page.canvas, place = canvas.getBoundingClientRect();
    const width = Math.max(1, Math.round(place.width * devicePixelRatio));
    const height = Math.max(1, Math.round(place.height * devicePixelRatio));
    if (canvas.width === width && canvas.height === height) return false;
    canvas.width = width;
    canvas.height = height;
    return true;
  },
  setCaption(text) {
    Page.element('status').textContent = text;
    document.title = text;
  },
  gameEnded() { Page.showEnd(Page.watching ? 'The game you watched has ended.' : 'The game has ended.'); },

  // The journal of this run, as the layer writes it out: false when the
  // site's storage is refused or full.
  openJournal() {
    const storage = siteStorage();
    if (!storage || Page.watching) return false;
    const keys = journalKeys(storage);
    for (const old of keys.slice(0, Math.max(0, keys.length - (KeptJournals - 1)))) storage.removeItem(old);
    const key = JournalPrefix + Math.max(Date.now(), ...keys.map((k) => Number(k.slice(JournalPrefix.length)) + 1));
    try {
      storage.setItem(key, '');
    } catch (e) {
      console.warn('Kubrask keeps no journal of this game: ' + e);
      return false;
    }
    Page.journal = { storage, key, text: '' };
    return true;
  },
  writeJournal(pointer, size) {
    const journal = Page.journal;
    if (!journal) return;
    const text = journal.text + textOf(HEAPU8.subarray(pointer, pointer + size));
    try {
      if (text.length > JournalLimit) throw new Error('the journal has reached its limit');
      journal.storage.setItem(journal.key, text);
      journal.text = text;
    } catch (e) {
      console.warn('Kubrask keeps this game\'s journal only this far: ' + e);
      Page.journal = null;
    }
  },
  journalArguments() { return Page.watching ? Page.watching.arguments : []; },
  // The journal "Watch the last game" plays: while this run plays, the run
  // before it; once it has ended, this one.
  lastJournal() {
    const own = Page.journal && !Page.ended ? Page.journal.key : null;
    return journalKeys(siteStorage()).filter((key) => key !== own).pop() || null;
  },
  offerWatching() { Page.element('watch-last').disabled = !Page.lastJournal(); },
  watch(query) { location.assign(location.pathname + query); },
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
  // A line above the game for what the player should know, given once each;
  // with a button when there is something to do about it.
  notice(text, button, action) {
    if (Page.noticed.has(text)) return;
    Page.noticed.add(text);
    console.warn(text);
    const notice = Page.element('notice');
    const line = document.createElement('p');
    line.textContent = text;
    if (button) {
      const element = document.createElement('button');
      element.type = 'button';
      element.textContent = button;
      element.addEventListener('click', action);
      line.append(' ', element);
    }
    notice.append(line);
    notice.hidden = false;
  },
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
  showEnd(text) {
    Page.element('ended-text').textContent = text;
    Page.element('ended').hidden = false;
    Page.element('loading').hidden = true;
    Page.ended = true;
    Page.offerWatching();
  },

  // The first pad, into the layer's [connected, x, y, hat x, hat y, buttons].
  readPad(pointer) {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    const pad = pads.find((p) => p && p.connected);
    const state = [0, 0, 0, 0, 0, 0];
    if (pad) {
      const axis = (i) => Math.max(-32768, Math.min(32767, Math.round((pad.axes[i] || 0) * 32767)));
      const down = (i) => !!(pad.buttons[i] && pad.buttons[i].pressed);
      state[0] = 1;
      state[1] = axis(0);
      state[2] = axis(1);
      if (pad.mapping === 'standard') {  // d-pad 12-15, Start 9, A 0
        state[3] = (down(15) ? 1 : 0) - (down(14) ? 1 : 0);
        state[4] = (down(13) ? 1 : 0) - (down(12) ? 1 : 0);
        state[5] = (down(9) ? 1 : 0) | (down(0) ? 2 : 0);
      } else {
        for (let i = 0; i < 4; i++) if (down(i)) state[5] |= 1 << i;
      }
    }
    HEAP32.set(state, pointer >> 2);
  },

  // Keys the page holds for the player: a swipe's arrow, a button's key. The
  // key goes down at once; it comes up only once the game has presented a
  // frame since it took the key down, so the game sees however short a touch
  // as it sees a key pressed, and only while no box is open, so that the
  // game's window gets it (a box takes the keys while it is open).
  holdKey(key) {
    const held = Page.held.get(key);
    if (held) {
      held.letGo = false;
      return;
    }
    Page.held.set(key, { taken: -1, letGo: false });
    Page.push(PageKeyDown, key, 0);
  },
  letGoKey(key) {
    const held = Page.held.get(key);
    if (held) held.letGo = true;
  },
  // The next key-up the layer may take, when its events are all taken.
  seenKeyUp() {
    if (Page.boxes.length) return null;
    for (const key of Array.from(Page.held.keys())) {  // (the minifier mangles destructuring here)
      const held = Page.held.get(key);
      if (held.letGo && held.taken >= 0 && Page.frames > held.taken) {
        Page.held.delete(key);
        return [PageKeyUp, key, 0];
      }
    }
    return null;
  },

  // A finger on the canvas is an arrow key: once it has moved far enough from
  // where it touched down it holds the arrow of the way it went (the larger of
  // across and up or down), turns to another arrow as it turns, and lets go
  // when it lifts or comes back near. A second finger changes nothing.
  touchDown(event) {
    if (event.pointerType === 'mouse' || Page.swipe) return;
    event.preventDefault();
    Page.canvas.setPointerCapture(event.pointerId);
    Page.swipe = { id: event.pointerId, x: event.clientX, y: event.clientY, arrow: 0 };
  },
  touchMove(event) {
    const swipe = Page.swipe;
    if (!swipe || event.pointerId !== swipe.id) return;
    event.preventDefault();
    const dx = event.clientX - swipe.x, dy = event.clientY - swipe.y, distance = Math.hypot(dx, dy);
    if (distance > SwipeStart) {
      Page.swipeTo(Math.abs(dx) > Math.abs(dy) ? (dx < 0 ? VK_LEFT : VK_RIGHT) : (dy < 0 ? VK_UP : VK_DOWN));
    } else if (distance < SwipeBack) {
      Page.swipeTo(0);
    }
  },
  touchUp(event) {
    if (!Page.swipe || event.pointerId !== Page.swipe.id) return;
    Page.swipeTo(0);
    Page.swipe = null;
  },
  swipeTo(arrow) {
    const swipe = Page.swipe;
    if (arrow === swipe.arrow) return;
    if (swipe.arrow) Page.letGoKey(swipe.arrow);
    if (arrow) Page.holdKey(arrow);
    swipe.arrow = arrow;
  },

  // Browsers let a page make sound once the player has pressed a key,
  // clicked or lifted a finger.
  startAudio() {
    if (!Page.audio && window.AudioContext) Page.audio = new AudioContext();
    if (Page.audio && Page.audio.state === 'suspended') Page.audio.resume();
  },
  // A sound asked for while the audio device is still starting, after the
  // player's first key or touch, plays as soon as it has started.
  playSound(path, noStop, noDefault) {
    const audio = Page.audio;
    const activated = !navigator.userActivation || navigator.userActivation.hasBeenActive;
    if (!audio || !(audio.state === 'running' || (audio.state === 'suspended' && activated))) return false;
    if (noStop && Page.playing) return false;
    let bytes = null;
    try { bytes = FS.readFile(path); } catch (e) { bytes = null; }
    if (!bytes && noDefault) return false;
    if (Page.playing) Page.playing.stop();
    const source = audio.createBufferSource();
    Page.playing = source;
    source.onended = () => { if (Page.playing === source) Page.playing = null; };
    const start = (buffer) => {
      if (Page.playing !== source) return;  // cut before it could start
      source.buffer = buffer;
      source.connect(audio.destination);
      source.start();
    };
    if (!bytes) {
      start(Page.alert());
    } else if (Page.sounds.has(path)) {
      start(Page.sounds.get(path));
    } else {
      audio.decodeAudioData(bytes.slice().buffer).then((buffer) => {
        Page.sounds.set(path, buffer);
        start(buffer);
      }, () => start(noDefault ? audio.createBuffer(1, 1, audio.sampleRate) : Page.alert()));
    }
    return true;
  },
  // A short falling two-tone beep, for a file that cannot be played.
  alert() {
    const rate = Page.audio.sampleRate, length = Math.round(rate / 6);
    const buffer = Page.audio.createBuffer(1, length, rate), samples = buffer.getChannelData(0);
    for (let i = 0; i < length; i++) {
      const hz = i < length / 2 ? 880 : 660, fade = Math.min(1, Math.min(i, length - i) / 200);
      samples[i] = 0.25 * fade * Math.sin(2 * Math.PI * hz * i / rate);
    }
    return buffer;
  },

  // A box or the dialog as an overlay over the page, as the Linux layer draws
  // them: a caption bar, the text (or the dialog's controls, placed in dialog
  // units), an icon, the buttons in Windows' order with the default one
  // framed. Only the top overlay takes keys and clicks; what it is told goes
  // to the layer as commands: a button's id, or IDCANCEL for Escape.
  openBox(description) {
    const number = Page.nextBox++;
    const layer = document.createElement('div');
    layer.className = 'box-layer';
    const box = document.createElement('div');
    box.className = 'box';
    box.setAttribute('role', 'dialog');
    const title = document.createElement('div');
    title.className = 'box-caption';
    title.textContent = description.caption;
    box.append(title);
    const items = new Map();  // id to element
    const stops = [];  // the tab stops in order
    const button = (id, label, isDefault) => {
      const element = document.createElement('button');
      element.type = 'button';
      element.textContent = label;
      element.dataset.id = id;
      if (isDefault) element.classList.add('default');
      element.addEventListener('click', () => Page.push(PageCommand, number, id));
      items.set(id, element);
      stops.push(element);
      return element;
    };
    if (description.controls) {
      // Dialog units: a quarter of the font's average width, an eighth of its height.
      const body = document.createElement('div');
      body.className = 'box-dialog';
      body.style.width = `calc(${description.width} * var(--unit-x))`;
      body.style.height = `calc(${description.height} * var(--unit-y))`;
      for (const control of description.controls) {
        let element;
        if (control.kind === 'edit') {
          element = document.createElement('input');
          element.type = 'text';
          element.maxLength = control.limit;
          element.spellcheck = false;
          element.addEventListener('input', () => {
            const kept = Array.from(element.value).filter(inCp1252).join('').slice(0, control.limit);
            if (kept !== element.value) element.value = kept;
          });
          items.set(control.id, element);
          stops.push(element);
        } else if (control.kind === 'label') {
          element = document.createElement('span');
          element.textContent = control.text;
        } else {
          element = button(control.id, control.text, control.kind === 'default');
        }
        element.classList.add('box-control');
        element.style.left = `calc(${control.x} * var(--unit-x))`;
        element.style.top = `calc(${control.y} * var(--unit-y))`;
        element.style.width = `calc(${control.w} * var(--unit-x))`;
        element.style.height = `calc(${control.h} * var(--unit-y))`;
        body.append(element);
      }
      box.append(body);
    } else {
      const body = document.createElement('div');
      body.className = 'box-body';
      if (description.icon) {
        const icon = document.createElement('div');
        icon.className = 'box-icon ' + description.icon;
        icon.textContent = description.icon === 'exclamation' ? '!' : 'i';
        body.append(icon);
      }
      const text = document.createElement('div');
      text.className = 'box-text';
      text.textContent = description.text;
      body.append(text);
      const buttons = document.createElement('div');
      buttons.className = 'box-buttons';
      description.buttons.forEach((b, i) => buttons.append(button(b.id, b.label, i === 0)));
      box.append(body, buttons);
    }
    layer.append(box);
    document.body.append(layer);
    Page.boxes.push({ number, layer, items, stops });
    if (stops.length) stops[0].focus();
    return number;
  },
  closeBox(number) {
    const at = Page.boxes.findIndex((b) => b.number === number);
    if (at < 0) return;
    Page.boxes[at].layer.remove();
    Page.boxes.splice(at, 1);
    const top = Page.boxes[Page.boxes.length - 1];
    if (top && top.stops.length && !top.layer.contains(document.activeElement)) top.stops[0].focus();
  },
  setItemText(number, id, text) {
    const box = Page.boxes.find((b) => b.number === number), item = box && box.items.get(id);
    if (!item) return;
    if (item.tagName === 'INPUT') {
      item.value = text;
      item.setSelectionRange(0, 0);
    } else {
      item.textContent = text;
    }
  },
  itemText(number, id) {
    const box = Page.boxes.find((b) => b.number === number), item = box && box.items.get(id);
    return !item ? '' : item.tagName === 'INPUT' ? item.value : item.textContent;
  },
  // The keys of the top box: Tab and Shift+Tab through the tab stops, the
  // arrows through the buttons when one has the focus, Enter for the focused
  // button (else the default one), Space for the focused button, Escape for
  // Cancel. The name field edits as a text field does.
  boxKey(box, event) {
    const focused = box.stops.indexOf(document.activeElement);
    const onButton = focused >= 0 && box.stops[focused].tagName === 'BUTTON';
    const move = (step, buttonsOnly) => {
      const count = box.stops.length;
      let at = focused < 0 ? (step > 0 ? count - 1 : 0) : focused;
      for (let i = 0; i < count; i++) {
        at = (at + step + count) % count;
        if (!buttonsOnly || box.stops[at].tagName === 'BUTTON') break;
      }
      box.stops[at].focus();
    };
    const command = (id) => { if (!event.repeat) Page.push(PageCommand, box.number, id); };
    switch (event.key) {
      case 'Tab': move(event.shiftKey ? -1 : 1, false); break;
      case 'Enter': {
        const target = onButton ? box.stops[focused] : box.layer.querySelector('button.default');
        if (target) command(Number(target.dataset.id));
        break;
      }
      case 'Escape': command(2); break;
      case ' ': if (onButton) command(Number(box.stops[focused].dataset.id)); else return false; break;
      case 'ArrowLeft': case 'ArrowUp': case 'ArrowRight': case 'ArrowDown':
        if (!onButton) return false;
        move(event.key === 'ArrowLeft' || event.key === 'ArrowUp' ? -1 : 1, true);
        break;
      default: return false;
    }
    return true;
  },

  key(event, down) {
    Page.startAudio();
    const box = Page.boxes[Page.boxes.length - 1];
    if (box) {
      if (down && Page.boxKey(box, event)) event.preventDefault();
      return;
    }
    const key = virtualKey(event);
    if (!key) return;
    // The game's keys are the game's; the browser keeps its shortcuts.
    if (!event.ctrlKey && !event.altKey && !event.metaKey && !/^F\d+$/.test(event.key)) event.preventDefault();
    Page.push(down ? PageKeyDown : PageKeyUp, key, down && event.repeat ? 1 : 0);
  },
};

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

addEventListener('keydown', (event) => Page.key(event, true), true);
addEventListener('keyup', (event) => Page.key(event, false), true);
for (const type of ['pointerdown', 'pointerup', 'touchend']) addEventListener(type, () => Page.startAudio(), true);
document.addEventListener('visibilitychange', () => Page.push(document.hidden ? PageHidden : PageShown));

// The page's parts: the script comes after them in the page. Touch on the
// game moves the walker and nothing else: no scrolling, zooming or selecting.
Page.canvas.addEventListener('pointerdown', Page.touchDown);
Page.canvas.addEventListener('pointermove', Page.touchMove);
Page.canvas.addEventListener('pointerup', Page.touchUp);
Page.canvas.addEventListener('pointercancel', Page.touchUp);
for (const type of ['touchstart', 'touchmove']) {
  Page.canvas.addEventListener(type, (event) => event.preventDefault(), { passive: false });
}
Page.element('play').addEventListener('contextmenu', (event) => event.preventDefault());

// The buttons for what the keyboard gives: each is its key, held while it is
// pressed (and at least until the game has seen it).
for (const button of document.querySelectorAll('button[data-key]')) {
  const key = Number(button.dataset.key);
  button.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    event.preventDefault();  // the keyboard's focus stays where it was
    button.setPointerCapture(event.pointerId);
    Page.holdKey(key);
  });
  button.addEventListener('pointerup', () => Page.letGoKey(key));
  button.addEventListener('pointercancel', () => Page.letGoKey(key));
  // Pressed by assistive technology, which clicks without a pointer.
  button.addEventListener('click', (event) => {
    if (event.detail !== 0) return;
    Page.holdKey(key);
    Page.letGoKey(key);
  });
}

const fullScreen = Page.element('fullscreen');
fullScreen.hidden = !document.fullscreenEnabled;
fullScreen.addEventListener('click', () => {
  if (document.fullscreenElement) document.exitFullscreen();
  else Page.element('play').requestFullscreen().catch((e) => console.warn('No full screen: ' + e));
});
// Start again plays a new game, whatever was watched.
Page.element('restart').addEventListener('click', () => location.assign(location.pathname));
Page.element('watch-last').addEventListener('click', () => {
  const key = Page.lastJournal();
  if (key) Page.watch('?watch=' + key.slice(JournalPrefix.length));
});
const journalFile = Page.element('journal-file');
Page.element('watch-file').addEventListener('click', () => journalFile.click());
journalFile.addEventListener('change', () => { if (journalFile.files[0]) Page.watchFile(journalFile.files[0]); });

// The boxes keep to the part of the page that shows, above an on-screen
// keyboard.
if (window.visualViewport) {
  const fit = () => {
    const root = document.documentElement.style;
    root.setProperty('--shown-top', visualViewport.offsetTop + 'px');
    root.setProperty('--shown-height', visualViewport.height + 'px');
  };
  visualViewport.addEventListener('resize', fit);
  visualViewport.addEventListener('scroll', fit);
  fit();
}
keepForOffline();
