// The web viewer's renderer off the main thread: a second engine session with
// the same panorama and view size, which renders the positions the page sends
// and returns the RGBA frames, so that input and animation frames never wait.
import { instantiate } from './kalvoria.js';
import { VALUE } from './view_geometry.js';

let x = null, session = 0;
let queue = Promise.resolve();

// The same calls the page makes, with the bytes in the module's memory.
function withBlock(bytes, call) {
  const pointer = bytes.length ? x.kalweb_alloc(bytes.length) : 0;
  if (bytes.length && !pointer) throw new Error('out of memory');
  if (pointer) new Uint8Array(x.memory.buffer, pointer, bytes.length).set(bytes);
  try {
    return call(pointer);
  } finally {
    x.kalweb_free(pointer);
  }
}

const handlers = {
  async start({ module }) { x = await instantiate(module); },

  open({ image, attribs, width, height }) {
    if (session) x.kalweb_delete(session);
    session = withBlock(image, (i) => withBlock(attribs, (t) => x.kalweb_create(i, image.length, t, attribs.length, width, height)));
    if (!session) throw new Error('the renderer could not open the panorama');
  },

  resize({ width, height }) {
    if (!session || !x.kalweb_resize(session, width, height)) throw new Error('the renderer could not take the new size');
  },

  frame({ seq, position, buffer }) {
    if (!session) return;
    x.kalweb_setPos(session, ...position);
    const pixels = x.kalweb_render(session);
    if (!pixels) throw new Error('the renderer failed');
    const width = x.kalweb_value(session, VALUE.VPWIDTH), height = x.kalweb_value(session, VALUE.VPHEIGHT), bytes = width * height * 4;
    const out = buffer?.byteLength === bytes ? buffer : new ArrayBuffer(bytes);
    new Uint8Array(out).set(new Uint8Array(x.memory.buffer, pixels, bytes));
    self.postMessage({ kind: 'frame', seq, width, height, buffer: out }, [out]);
  },
};

// Messages run one at a time, in order, so a frame always sees the latest
// panorama and size; a failure tells the page to paint on its own.
self.onmessage = ({ data }) => {
  queue = queue.then(() => handlers[data.kind](data)).catch((error) => {
    session = 0;
    self.postMessage({ kind: 'failed', message: `${error?.message ?? error}` });
  });
};
