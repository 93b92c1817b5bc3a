// The web viewer's renderer off the main thread: a second engine session with
// the same panorama and view size, which renders the views the page sends
// and returns the RGBA frames, so that input and animation frames never wait.
// A photo's pixels live only here; the page keeps its geometry.
import { Engine, openBmpSession, openColourSession } from './engine.js';
import { SLOT, SLOTS } from './row_shares.js';

let engine = null,
  session = null;
let queue = Promise.resolve();

// A large photo view whose moving frames cannot keep the display's pace
// (one takes longer than the budget) gets them at a half or a third of the
// width and height, which the canvas stretches; the resting frame is always
// whole.
const BUDGET_MS = 12;
const REDUCIBLE_PIXELS = 1280 * 720;
const MAX_DIVISOR = 3;
let shows = [0, 0]; // the view the page shows, width and height
let divisor = 1; // of the moving frames' sides

function showing(width, height) {
  shows = [width, height];
  divisor = 1;
}

// The session at the size a frame renders at; true when it changed (the
// table is rebuilt, so the frame's time says nothing of the next).
function sizeFor(by) {
  const [width, height] = shows.map((side) => Math.max(2, Math.ceil(side / by)));
  if (session.width === width && session.height === height) return false;
  session.resize(width, height);
  return true;
}

// The divisor after a moving frame that took `spent` ms at `by`: larger
// over the budget, smaller when a larger frame would fit with a margin
// (the time goes with the pixels), so that it does not flap.
function nextDivisor(by, spent) {
  if (spent > BUDGET_MS) return Math.min(MAX_DIVISOR, by + 1);
  if (by > 1 && spent * (by / (by - 1)) ** 2 < BUDGET_MS * 0.7) return by - 1;
  return by;
}

// The helper of a module over shared memory (render_helper.js), which
// draws the lower half of each photo frame while this worker draws the
// upper; null when there is none. Its stack: a block it never gives back.
const HELPER_STACK = 256 * 1024;
const HELPER_WAIT_MS = 10000; // a half frame takes a few ms at the most
let helper = null;

function startHelper(module) {
  const control = new Int32Array(new SharedArrayBuffer(SLOTS * 4));
  const stackTop = engine.stackFor(HELPER_STACK);
  if (!stackTop) return null;
  const worker = new Worker(new URL('./render_helper.js', import.meta.url), { type: 'module' });
  worker.onerror = (event) => event.preventDefault(); // a helper that never starts leaves READY at 0
  worker.postMessage({ module, memory: engine.memory, control, stackTop });
  return { worker, control, job: 0 };
}

let shares = 1, // of the last frame: 2 when the helper drew half
  renderMs = 0; // its drawing, without the copy out after it

// `buffer` when it has `bytes`, else a new one.
const fitted = (buffer, bytes) => (buffer?.byteLength === bytes ? buffer : new ArrayBuffer(bytes));

// The frame's RGBA rows in `buffer` (or a new buffer), or null when the
// engine drew none: in two shares when the helper is ready and the session
// a photo's. The table is made here first, and is not made again until the
// helper has finished with it; meanwhile this worker copies its share out.
function renderInto(smooth, buffer) {
  const start = performance.now(),
    control = helper?.control;
  shares = 1;
  if (!control || Atomics.load(control, SLOT.READY) !== 1 || !session.prepareRows()) {
    const pixels = session.render(smooth);
    renderMs = performance.now() - start;
    if (!pixels) return null;
    const out = fitted(buffer, pixels.length);
    new Uint8Array(out).set(pixels);
    return out;
  }
  shares = 2;
  const height = session.height,
    half = height >> 1,
    job = ++helper.job;
  for (const [slot, value] of [
    [SLOT.SESSION, session.pointer],
    [SLOT.SMOOTH, smooth ? 1 : 0],
    [SLOT.FIRST, half],
    [SLOT.END, height],
  ])
    Atomics.store(control, slot, value);
  Atomics.store(control, SLOT.JOB, job);
  Atomics.notify(control, SLOT.JOB);
  const pixels = session.drawRows(smooth, 0, half),
    out = pixels && fitted(buffer, pixels.length),
    split = half * session.width * 4;
  if (out) new Uint8Array(out).set(pixels.subarray(0, split));
  while (Atomics.load(control, SLOT.DONE) !== job) {
    // A helper that does not answer may still be reading the table: this
    // worker's memory cannot be trusted any more, and the page paints.
    if (Atomics.wait(control, SLOT.DONE, job - 1, HELPER_WAIT_MS) === 'timed-out') {
      helper.worker.terminate();
      helper = null;
      throw new Error('the render helper does not answer');
    }
  }
  renderMs = performance.now() - start;
  if (!out || Atomics.load(control, SLOT.DRAWN) !== 1) return null;
  new Uint8Array(out, split).set(pixels.subarray(split));
  return out;
}

const handlers = {
  async start({ module }) {
    engine = await Engine.create(module);
    if (engine.shared) helper = startHelper(module);
  },

  open({ image, attribs, width, height }) {
    session?.delete();
    session = null;
    session = openBmpSession(engine, image, attribs, null, width, height).session;
    showing(width, height);
  },

  openColour({ source, pixels, width, height }) {
    session?.delete();
    session = null;
    session = openColourSession(engine, source, new Uint8Array(pixels), width, height);
    showing(width, height);
  },

  resize({ width, height }) {
    if (!session) throw new Error('the renderer has no panorama');
    session.resize(width, height);
    showing(width, height);
  },

  // `position`: an 8-bit view's [x, y, z]; `view`: a photo's degrees, with
  // `smooth` for the filtered frame of a view at rest.
  frame({ seq, position, view, smooth, buffer }) {
    // Unanswered, the page would wait for this frame for ever.
    if (!session) throw new Error('the renderer has no panorama');
    const moving = Boolean(view) && !smooth,
      by = moving && shows[0] * shows[1] >= REDUCIBLE_PIXELS ? divisor : 1,
      resized = Boolean(view) && sizeFor(by);
    if (view) session.putAngles(view.bearing, view.pitch, NaN, view.hfov);
    else session.setPos(...position);
    const out = renderInto(smooth, buffer);
    if (!out) throw new Error('the renderer failed');
    if (moving && !resized) divisor = nextDivisor(by, renderMs);
    const frame = {
      kind: 'frame',
      seq,
      smooth,
      width: session.width,
      height: session.height,
      shows,
      shares,
      renderMs,
      buffer: out,
    };
    self.postMessage(frame, [out]);
  },
};

// Messages run one at a time, in order, so a frame always sees the latest
// panorama and size; a failure tells the page to paint on its own.
self.onmessage = ({ data }) => {
  queue = queue
    .then(() => handlers[data.kind](data))
    .catch((error) => {
      session = null;
      self.postMessage({ kind: 'failed', message: `${error?.message ?? error}` });
    });
};
