// The first pad the Gamepad API shows, read for the layer whenever it reads
// its messages (joystick.cpp).
Object.assign(Page, {
  // Into the layer's [connected, x, y, hat x, hat y, buttons].
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
});
