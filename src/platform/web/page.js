// The page's side of the browser layer, run before the game (emcc --pre-js):
// the game's folder and the files it keeps, what the page sees (keys, sizes,
// the tab hidden or shown, pads) handed to the layer as events, the status
// line, the boxes and the dialog as overlays, and sound. The layer's C++
// files call the functions of Page; see README.md beside this file.
'use strict';

// The game runs in a folder of its own, the art preloaded into Data/ there.
// What it saves beside the art (the launch counter, the best score) is kept
// in the site's local storage: put back before any of the game's code runs,
// since the launch counter is read and written before its entry, and stored
// again each time the game renames a new version into place, as it does to
// save.
const GameFolder = '/kubrask';
const SavedPrefix = 'kubrask:';

function restoreSavedFiles() {
  FS.mkdirTree(GameFolder);
  FS.chdir(GameFolder);
  for (let i = 0; i < localStorage.length; i++) {
    const key = localStorage.key(i);
    if (!key.startsWith(SavedPrefix)) continue;
    const text = localStorage.getItem(key);
    const bytes = Uint8Array.from(text, (c) => c.charCodeAt(0));
    FS.writeFile(GameFolder + '/' + key.slice(SavedPrefix.length), bytes);
  }
  const rename = FS.rename;
  FS.rename = function (from, to) {
    rename(from, to);
    const path = FS.lookupPath(to).path;
    if (PATH.dirname(path) !== GameFolder) return;
    const bytes = FS.readFile(path);
    try {
      localStorage.setItem(SavedPrefix + PATH.basename(path), String.fromCharCode.apply(null, bytes));
    } catch (e) {
      console.warn('Kubrask could not keep ' + PATH.basename(path) + ': ' + e);
    }
  };
}

Module.preRun = (Module.preRun || []).concat(restoreSavedFiles);
Module.print = (line) => console.log(line);
Module.printErr = (line) => console.warn(line);
Module.onAbort = (what) => Page.showEnd('Kubrask stopped: ' + what);

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

const Page = {
  events: [],
  wake: null,
  boxes: [],  // open overlays, the top one last
  nextBox: 1,
  audio: null,
  sounds: new Map(),  // decoded waves by path
  playing: null,

  element(id) { return document.getElementById(id); },
  get canvas() { return Page.element('canvas'); },

  push(kind, a, b) {
    Page.events.push([kind, a | 0, b | 0]);
    if (Page.wake) Page.wake();
  },
  takeEvent(pointer) {
    const event = Page.events.shift();
    if (!event) return 0;
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
  // after a tenth of a second.
  nextFrame() {
    return new Promise((resolve) => {
      let done = false;
      const finish = () => { if (!done) { done = true; resolve(); } };
      requestAnimationFrame(finish);
      setTimeout(finish, 100);
    });
  },

  // The game's window: the canvas at the size asked for, in CSS pixels; its
  // drawing buffer has the device's pixels.
  openWindow(width, height) {
    const frame = Page.element('frame');
    frame.style.width = width + 'px';
    frame.style.height = height + 'px';
    frame.hidden = false;
    Page.element('loading').hidden = true;
    Page.fitCanvas();
    new ResizeObserver(() => {
      if (Page.fitCanvas()) Page.push(PageResize, Page.canvas.width, Page.canvas.height);
    }).observe(frame);
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
  gameEnded() { Page.showEnd('The game has ended.'); },
  showEnd(text) {
    Page.element('ended-text').textContent = text;
    Page.element('ended').hidden = false;
    Page.element('loading').hidden = true;
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

  // Browsers let a page make sound once the player has pressed a key or clicked.
  startAudio() {
    if (!Page.audio && window.AudioContext) Page.audio = new AudioContext();
    if (Page.audio && Page.audio.state === 'suspended') Page.audio.resume();
  },
  playSound(path, noStop, noDefault) {
    const audio = Page.audio;
    if (!audio || audio.state !== 'running') return false;
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

addEventListener('keydown', (event) => Page.key(event, true), true);
addEventListener('keyup', (event) => Page.key(event, false), true);
addEventListener('pointerdown', () => Page.startAudio(), true);
document.addEventListener('visibilitychange', () => Page.push(document.hidden ? PageHidden : PageShown));
// The page's buttons: the script comes after them in the page.
Page.element('fullscreen').addEventListener('click', (event) => {
  event.currentTarget.blur();
  Page.element('frame').requestFullscreen();
});
Page.element('restart').addEventListener('click', () => location.reload());
