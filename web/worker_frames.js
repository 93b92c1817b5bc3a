// The page's side of the render worker: sends the panorama, its size and the
// positions to render, one frame in flight at a time (the newest position
// waits), and hands finished frames back in order of request.
import { compileModule, twoCores } from './engine.js';

const refused = new Set(); // shared builds that could not be had

// The module the render worker runs: on a cross-origin isolated page the
// build over shared memory beside the page's (`wasmUrl`), whose photo
// frames two workers share; else, or without that file, the page's own.
export async function workerModule(wasmUrl) {
  const shared = String(new URL('kalvoria_shared.wasm', wasmUrl));
  if (twoCores() && !refused.has(shared)) {
    try {
      return await compileModule(shared);
    } catch {
      refused.add(shared);
    }
  }
  return compileModule(wasmUrl);
}

export class WorkerFrames {
  // onFrame({ seq, width, height, buffer, smooth, shows }) paints a frame
  // of width x height for a view of shows[0] x shows[1]; onFail() goes back
  // to the main thread. Throws where the browser has no module workers.
  constructor(module, onFrame, onFail) {
    this.worker = new Worker(new URL('./render_worker.js', import.meta.url), { type: 'module' });
    this.onFrame = onFrame;
    this.onFail = onFail;
    this.busy = false;
    this.waiting = null; // the newest request while one is in flight
    this.spare = null; // a frame buffer to render into again
    this.worker.onmessage = ({ data }) => this.received(data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.fail();
    };
    this.worker.postMessage({ kind: 'start', module });
  }

  // The panorama's bytes at the page session's view size; the copies made
  // here move to the worker whole.
  open(image, attribs, width, height) {
    const [ownImage, ownAttribs] = [image.slice(), attribs.slice()];
    this.worker.postMessage({ kind: 'open', image: ownImage, attribs: ownAttribs, width, height }, [
      ownImage.buffer,
      ownAttribs.buffer,
    ]);
  }

  // A photo: the Opening's source and its decoded pixels, which move to
  // the worker (the page keeps none).
  openColour(source, pixels, width, height) {
    this.worker.postMessage({ kind: 'openColour', source, pixels: pixels.buffer, width, height }, [pixels.buffer]);
  }

  resize(width, height) {
    this.worker.postMessage({ kind: 'resize', width, height });
  }

  // Renders `target`: { position: [x, y, z] } of an 8-bit view, or
  // { view, smooth } of a photo; `seq` orders this frame among the page's own.
  request(seq, target) {
    if (this.busy) {
      this.waiting = { seq, target };
      return;
    }
    this.busy = true;
    const buffer = this.spare;
    this.spare = null;
    this.worker.postMessage({ kind: 'frame', seq, ...target, buffer }, buffer ? [buffer] : []);
  }

  received(data) {
    if (data.kind === 'failed') {
      this.fail();
      return;
    }
    this.busy = false;
    this.onFrame(data);
    this.spare = data.buffer;
    if (this.waiting) {
      const { seq, target } = this.waiting;
      this.waiting = null;
      this.request(seq, target);
    }
  }

  fail() {
    this.close();
    this.onFail();
  }

  close() {
    this.worker.terminate();
    this.busy = false;
    this.waiting = null;
  }
}
