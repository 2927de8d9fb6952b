// A finger on the canvas is the arrow keys. Drawn across the game, past
// SwipeStart pixels from where it touched down, it takes one step the way it
// went (the larger of across and up or down): the page holds that arrow
// until the game has seen it in a frame, then lets it go, however long the
// finger stays down and however far it goes on the same way. Left out there
// longer than a held key waits before it repeats, it walks on, as a held
// arrow does, until it lifts or comes back within SwipeBack pixels of where
// it touched down. Turned to another way, it takes one step that way (and
// walks on that way once it rests). A second finger changes nothing.
const VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
// In CSS pixels.
const SwipeStart = 16, SwipeBack = 8;
// In milliseconds: about the wait of a held key before it repeats.
const RestBeforeWalking = 350;

Object.assign(Page, {
  swipe: null,  // the finger on the canvas: { id, x, y, arrow, rest }

  touchDown(event) {
    if (event.pointerType === 'mouse' || Page.swipe) return;
    event.preventDefault();
    Page.canvas.setPointerCapture(event.pointerId);
    Page.swipe = { id: event.pointerId, x: event.clientX, y: event.clientY, arrow: 0, rest: null };
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
  // The finger now points `arrow` (0: nowhere): one step that way, and
  // walking on once it has rested there.
  swipeTo(arrow) {
    const swipe = Page.swipe;
    if (arrow === swipe.arrow) return;
    clearTimeout(swipe.rest);
    if (swipe.arrow) Page.letGoKey(swipe.arrow);
    swipe.arrow = arrow;
    if (!arrow) return;
    Page.holdKey(arrow);
    Page.letGoKey(arrow);
    swipe.rest = setTimeout(() => { if (Page.swipe === swipe && swipe.arrow === arrow) Page.holdKey(arrow); },
                            RestBeforeWalking);
  },
});

// Touch on the game moves the walker and nothing else: no scrolling,
// zooming or selecting.
Page.canvas.addEventListener('pointerdown', Page.touchDown);
Page.canvas.addEventListener('pointermove', Page.touchMove);
Page.canvas.addEventListener('pointerup', Page.touchUp);
Page.canvas.addEventListener('pointercancel', Page.touchUp);
for (const type of ['touchstart', 'touchmove']) {
  Page.canvas.addEventListener(type, (event) => event.preventDefault(), { passive: false });
}
