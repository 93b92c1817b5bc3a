// The web viewer's renderer off the main thread: a second engine session with
// the same panorama and view size, which renders the views the page sends
// and returns the RGBA frames, so that input and animation frames never wait.
// A photo's pixels live only here; the page keeps its geometry.
import { Engine, openBmpSession, openColourSession } from './engine.js';

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

const handlers = {
  async start({ module }) {
    engine = await Engine.create(module);
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
    const start = performance.now();
    const pixels = session.render(smooth);
    if (!pixels) throw new Error('the renderer failed');
    const spent = performance.now() - start;
    if (moving && !resized) divisor = nextDivisor(by, spent);
    const out = buffer?.byteLength === pixels.length ? buffer : new ArrayBuffer(pixels.length);
    new Uint8Array(out).set(pixels);
    const frame = { kind: 'frame', seq, smooth, width: session.width, height: session.height, shows, buffer: out };
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
