// Sound: the game's wave files through Web Audio (sound.cpp), and the sound
// switch, remembered for the site where the browser keeps data. Browsers let
// a page make sound once the player has pressed a key, clicked or lifted a
// finger. Switched off, the page asks nothing of the audio device, and a
// sound the game asks for is taken as played, as a muted machine takes it:
// the game itself is the same either way.
const SoundSetting = 'kubrask-sound';

Object.assign(Page, {
  audio: null,
  sounds: new Map(),  // decoded waves by path
  playing: null,
  soundOff: false,

  startAudio() {
    if (Page.soundOff) return;
    if (!Page.audio && window.AudioContext) Page.audio = new AudioContext();
    if (Page.audio && Page.audio.state === 'suspended') Page.audio.resume();
  },
  // A sound asked for while the audio device is still starting, after the
  // player's first key or touch, plays as soon as it has started.
  playSound(path, noStop, noDefault) {
    if (Page.soundOff) return true;
    const audio = Page.audio;
    const activated = !navigator.userActivation || navigator.userActivation.hasBeenActive;
    if (!audio || !(audio.state === 'running' || (audio.state === 'suspended' && activated))) return false;
    if (noStop && Page.playing) return false;
    let bytes = null;
    try { bytes = FS.readFile(path); } catch (e) { bytes = null; }
    if (!bytes && noDefault) return false;
    Page.cutSound();
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
  cutSound() {
    const playing = Page.playing;
    Page.playing = null;
    try {
      if (playing) playing.stop();
    } catch (e) {
      // still waiting for its wave to be decoded: it will not start now
    }
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

  // The switch: pressed while the sound is on. Turned off, the sound playing
  // stops (one waiting for the device to start among them).
  setSound(on, remember) {
    Page.soundOff = !on;
    const button = Page.element('sound');
    button.setAttribute('aria-pressed', String(on));
    button.querySelector('.state').textContent = on ? 'on' : 'off';
    if (!on) Page.cutSound();
    if (!remember) return;  // the page's start: the player has pressed nothing yet
    if (on) Page.startAudio();
    try {
      const storage = siteStorage();
      if (storage) storage.setItem(SoundSetting, on ? 'on' : 'off');
    } catch (e) {
      console.warn('Kubrask cannot remember the sound switch here: ' + e);
    }
  },
});

for (const type of ['pointerdown', 'pointerup', 'touchend']) addEventListener(type, () => Page.startAudio(), true);
Page.setSound((siteStorage() || { getItem: () => null }).getItem(SoundSetting) !== 'off', false);
Page.element('sound').addEventListener('click', () => Page.setSound(Page.soundOff, true));
