// The web viewer's renderer off the main thread: a second engine session with
// the same panorama and view size, which renders the views the page sends
// and returns the RGBA frames, so that input and animation frames never wait.
// A photo's pixels live only here; the page keeps its geometry.
import { Engine, openBmpSession, openColourSession } from './engine.js';

let engine = null,
  session = null;
let queue = Promise.resolve();

const handlers = {
  async start({ module }) {
    engine = await Engine.create(module);
  },

  open({ image, attribs, width, height }) {
    session?.delete();
    session = null;
    session = openBmpSession(engine, image, attribs, null, width, height).session;
  },

  openColour({ source, pixels, width, height }) {
    session?.delete();
    session = null;
    session = openColourSession(engine, source, new Uint8Array(pixels), width, height);
  },

  resize({ width, height }) {
    if (!session) throw new Error('the renderer has no panorama');
    session.resize(width, height);
  },

  // `position`: an 8-bit view's [x, y, z]; `view`: a photo's degrees, with
  // `smooth` for the filtered frame of a view at rest.
  frame({ seq, position, view, smooth, buffer }) {
    // Unanswered, the page would wait for this frame for ever.
    if (!session) throw new Error('the renderer has no panorama');
    if (view) session.putAngles(view.bearing, view.pitch, NaN, view.hfov);
    else session.setPos(...position);
    const pixels = session.render(smooth);
    if (!pixels) throw new Error('the renderer failed');
    const out = buffer?.byteLength === pixels.length ? buffer : new ArrayBuffer(pixels.length);
    new Uint8Array(out).set(pixels);
    self.postMessage({ kind: 'frame', seq, smooth, width: session.width, height: session.height, buffer: out }, [out]);
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
