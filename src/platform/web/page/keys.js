// Keys: what the keyboard gives, as Windows' virtual keys, and the keys the
// page holds for the player (a swipe's arrow, a button's key).

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

Object.assign(Page, {
  held: new Map(),  // keys the page holds for the player, by virtual key

  // A key the page holds goes down at once; it comes up only once the game
  // has presented a frame since it took the key down, so the game sees
  // however short a touch as it sees a key pressed, and only while no box is
  // open, so that the game's window gets it (a box takes the keys while it
  // is open).
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
});

addEventListener('keydown', (event) => Page.key(event, true), true);
addEventListener('keyup', (event) => Page.key(event, false), true);

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
