// web/page.js -- the page around the engine: loads the show's files and sound, the start screen, one frame
// step per animation frame, the messages and the end; and the test mode, ?frame=K&size=WxH.
'use strict';

const params = new URLSearchParams(location.search);
const testFrame = params.has('frame') ? parseInt(params.get('frame'), 10) : -1;
const bench = params.has('bench');
const sizeParam = /^(\d+)x(\d+)$/.exec(params.get('size') || '');
const canvas = document.getElementById('canvas');
const kSampleRate = 48000; // the rendered sound's rate: the context plays it unresampled
const kTestChunk = 250;    // frames per step of the test mode, between which the page stays responsive

function show(id, shown) { document.getElementById(id).hidden = !shown; }

// ---- The sound: decoded before the start, played from a click or a key; its clock is the show's ----
const audio = {
  context: null, buffer: null, source: null, startAt: 0, silentStart: 0, silent: true,
  ready() { return this.buffer !== null; },
  // Starts the sound now (or only the clock, when silent). True when the clock runs.
  start(silent) {
    this.stop();
    this.silent = silent || !this.context || !this.buffer;
    this.silentStart = performance.now();
    if (!this.silent) {
      this.context.resume();
      this.source = this.context.createBufferSource();
      this.source.buffer = this.buffer;
      this.source.connect(this.context.destination);
      this.startAt = this.context.currentTime;
      this.source.start(this.startAt);
    }
    return 1;
  },
  // Seconds of the song heard: the audio clock less the output's latency (a context that does not run,
  // such as one without an output device, leaves the page's clock to do it).
  seconds() {
    if (this.silent || this.context.state !== 'running') return (performance.now() - this.silentStart) / 1000;
    const latency = this.context.outputLatency || this.context.baseLatency || 0;
    return Math.max(0, this.context.currentTime - this.startAt - latency);
  },
  stop() {
    if (this.source) { try { this.source.stop(); } catch (e) { /* already ended */ } this.source = null; }
  },
  lengthSeconds() { return this.buffer ? this.buffer.length / this.buffer.sampleRate : 0; },
};

async function loadSound() {
  try {
    audio.context = new AudioContext({ sampleRate: kSampleRate });
    const response = await fetch('Pkfloyd.ogg');
    if (!response.ok) return;
    audio.buffer = await audio.context.decodeAudioData(await response.arrayBuffer());
  } catch (e) {
    audio.buffer = null; // the engine then says "Erreur Brimt 4"
  }
}

// ---- The show's files, into the engine's file system under DATA/ ----
async function loadData() {
  const list = await fetch('DATA/files.txt');
  const names = list.ok ? (await list.text()).split('\n').filter((n) => n) : [];
  Module.FS.mkdir('/DATA');
  await Promise.all(names.map(async (name) => {
    const response = await fetch('DATA/' + encodeURIComponent(name));
    // A missing file stays missing: the engine's own loader finds out and says so.
    if (response.ok) Module.FS.writeFile('/DATA/' + name, new Uint8Array(await response.arrayBuffer()));
  }));
}

// ---- Messages from the engine: in the page, not in a dialog that stops everything ----
function showMessage(caption, text) {
  document.getElementById('message-caption').textContent = caption;
  document.getElementById('message-text').textContent = text;
  show('message', true);
}

// ---- The show ----
let running = false;
let fullScreenShow = false; // the show went full screen: leaving it ends the show

function chosenSize() {
  const [w, h] = document.getElementById('resolution').value.split('x').map(Number);
  return { w, h };
}

function ended(text) {
  running = false;
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  document.getElementById('end-text').textContent = text;
  show('end', true);
  document.getElementById('again').focus();
}

function frame() {
  if (!running) return;
  if (Module._brimt_frame()) {
    requestAnimationFrame(frame);
  } else {
    ended(Module._brimt_result() === 0 ? 'La démo est terminée.' : 'La démo s\'est arrêtée sur une erreur.');
  }
}

let soundLoaded = null; // the promise of the sound's decoding, started with the page

async function startShow() {
  if (running) return;
  running = true; // from the click on: a second one starts nothing
  fullScreenShow = false;
  // Full screen is asked for at once: a browser grants it only while the click or key that asks is
  // fresh, and the sound may still be decoding.
  const fullScreen = document.getElementById('fullscreen').checked
    ? document.getElementById('stage').requestFullscreen().then(() => true, () => false)
    : Promise.resolve(false);
  await soundLoaded;
  show('start', false);
  show('end', false);
  show('message', false);
  const { w, h } = chosenSize();
  fullScreenShow = (await fullScreen) && !!document.fullscreenElement;
  canvas.focus();
  const result = Module._brimt_begin(w, h, -1);
  if (result !== -1) {
    ended(result === 0 ? 'La démo est terminée.' : 'La démo n\'a pas pu démarrer.');
    return;
  }
  requestAnimationFrame(frame);
}

// In full screen the browser keeps Escape for itself: it leaves full screen and the page never sees the
// key. Leaving full screen while the show runs is then the show's Escape, handed to the engine as one.
document.addEventListener('fullscreenchange', () => {
  if (document.fullscreenElement || !fullScreenShow || !running) return;
  fullScreenShow = false;
  document.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', code: 'Escape' }));
});

function startScreen() {
  show('start', true);
  const go = document.getElementById('go');
  go.disabled = false;
  go.textContent = 'Démarrer';
  go.focus();
  document.getElementById('settings').addEventListener('submit', (e) => { e.preventDefault(); startShow(); });
  // Enter starts the show wherever the focus is, while the start or the end screen is up.
  document.addEventListener('keydown', (e) => {
    if (e.key !== 'Enter' || running) return;
    if (document.getElementById('start').hidden && document.getElementById('end').hidden) return;
    e.preventDefault();
    startShow();
  });
  document.getElementById('again').addEventListener('click', startShow);
}

// ---- Test mode: frames 0 to K at k / 60 s, frame K left on the canvas ----
function testMode() {
  const w = sizeParam ? parseInt(sizeParam[1], 10) : 640;
  const h = sizeParam ? parseInt(sizeParam[2], 10) : 480;
  const result = Module._brimt_begin(w, h, testFrame);
  if (result !== -1) {
    document.title = 'failure ' + result;
    return;
  }
  const step = () => {
    const drawn = Module._brimt_test_frames(kTestChunk);
    if (drawn < 0) { setTimeout(step, 0); return; }
    canvas.dataset.position = Module._brimt_frame_status(0);
    canvas.dataset.row = Module._brimt_frame_status(1);
    canvas.dataset.time = Module._brimt_frame_status(2);
    document.title = drawn === testFrame + 1 ? 'frame ' + testFrame : 'end ' + drawn;
  };
  step();
}

// ---- Bench mode (?bench&size=WxH): the whole show in real time, every frame drawn, frames counted by
// song position; the figures end up in document.title as JSON ----
function benchMode() {
  const w = sizeParam ? parseInt(sizeParam[1], 10) : 640;
  const h = sizeParam ? parseInt(sizeParam[2], 10) : 480;
  if (Module._brimt_begin(w, h, -1) !== -1) { document.title = 'failure'; return; }
  const byPosition = {};
  let last = performance.now();
  const tick = () => {
    const before = performance.now();
    const more = Module._brimt_frame();
    const now = performance.now();
    const p = Module._brimt_frame_status(0);
    const entry = byPosition[p] || (byPosition[p] = { frames: 0, ms: 0, stepMs: 0 });
    entry.frames += 1;
    entry.ms += now - last;
    entry.stepMs += now - before; // the engine's own share: the frame step, up to WebGL's calls
    last = now;
    if (more) requestAnimationFrame(tick);
    else document.title = 'bench ' + JSON.stringify(byPosition);
  };
  requestAnimationFrame(tick);
}

// ---- Start-up ----
var Module = {
  canvas,
  brimtAudio: audio,
  brimtShowMessage: showMessage,
  brimtKeepFrames: testFrame >= 0, // the test mode's last frame stays on the canvas for screenshots
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  async onRuntimeInitialized() {
    // The sound decodes while the start screen waits (it takes a few seconds); the frames of the test
    // mode need only the timeline.
    soundLoaded = loadSound();
    await loadData();
    if (testFrame >= 0) testMode();
    else if (bench) { await soundLoaded; benchMode(); }
    else startScreen();
  },
};

if (testFrame >= 0 || bench) {
  document.body.classList.add('test');
  if (sizeParam) { canvas.width = parseInt(sizeParam[1], 10); canvas.height = parseInt(sizeParam[2], 10); }
}
const engine = document.createElement('script');
engine.src = 'brimt_engine.js';
document.body.appendChild(engine);
