// The page's side of the browser layer, run before the game (each file of
// this folder is an emcc --pre-js, joined in the order the build names them,
// this one first). The layer's C++ files call the functions of Page; see
// README.md beside this folder. What each file holds:
//   page.js      the Page record: the events handed to the layer, the canvas
//                as the game's window, the status line, notices, the end
//   storage.js   the game's folder and the files it keeps in the site's storage
//   journals.js  the journals of the last runs, and watching one again
//   keys.js      keys, and the keys the page holds for the player (buttons)
//   touch.js     a finger on the canvas as the arrow keys
//   pads.js      the first pad, read for the layer
//   sound.js     sound through Web Audio, and the sound switch
//   boxes.js     the boxes and the name dialog as overlays
//   scores.js    the score server, where one serves the site: sending a
//                game, and watching a game of its table
//   offline.js   the service worker that keeps the site for offline play
'use strict';

// The events the page hands the layer (layer.h), each [kind, a, b].
const PageKeyDown = 1, PageKeyUp = 2, PageResize = 3, PageHidden = 4, PageShown = 5, PageCommand = 6;

const Page = {
  events: [],
  wake: null,
  frames: 0,  // frames the game has presented
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
  showEnd(text) {
    Page.element('ended-text').textContent = text;
    Page.element('ended').hidden = false;
    Page.element('loading').hidden = true;
    Page.ended = true;
    Page.offerWatching();
  },
};

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

document.addEventListener('visibilitychange', () => Page.push(document.hidden ? PageHidden : PageShown));
// The page's parts come before the scripts in the page.
Page.element('play').addEventListener('contextmenu', (event) => event.preventDefault());
const fullScreen = Page.element('fullscreen');
fullScreen.hidden = !document.fullscreenEnabled;
fullScreen.addEventListener('click', () => {
  if (document.fullscreenElement) document.exitFullscreen();
  else Page.element('play').requestFullscreen().catch((e) => console.warn('No full screen: ' + e));
});
// Start again plays a new game, whatever was watched.
Page.element('restart').addEventListener('click', () => location.assign(siteHome()));
