// Opening panoramas in the viewer: one open at a time, in the order asked,
// and an open overtaken by a newer one resolves false with its blocks freed;
// the module compiled from the viewer's start, beside the first picture's
// download; the render worker given the panorama.
import { compileModule, Engine, openBmpSession, PROJECTION } from './engine.js';
import { decodeOpening, pictureFormat } from './image_input.js';
import { fetchBytes } from './loader.js';
import { WorkerFrames, workerModule } from './worker_frames.js';

async function toBytes(data) {
  if (data == null) return new Uint8Array(0);
  if (data instanceof Blob) return new Uint8Array(await data.arrayBuffer());
  if (typeof data === 'string') return new TextEncoder().encode(data);
  if (data instanceof Uint8Array) return data;
  if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
  return new Uint8Array(data);
}

export class Opener {
  // `viewer` offers: wasmUrl, destroyed, session, engine, deviceSize(),
  // useWorker, frames, loop, fire(), fail(), notify(), opened(), overlay.
  constructor(viewer) {
    this.viewer = viewer;
    this.wanted = 0; // the ticket of the newest open asked for
    this.queue = Promise.resolve();
    this.warmUp();
  }

  // Starts compiling the module beside whatever the first open fetches and
  // decodes. A failure is left to the open that needs the module: it tries
  // again and says why.
  warmUp() {
    compileModule(this.viewer.wasmUrl).catch(() => {});
    if (this.viewer.useWorker) workerModule(this.viewer.wasmUrl).catch(() => {});
  }

  // True while the open with `ticket` is still the one wanted.
  current(ticket) {
    return ticket === this.wanted && !this.viewer.destroyed;
  }

  // Runs `task` after the opens before it; a task overtaken before its turn
  // does not run at all.
  enqueue(ticket, task) {
    const run = () => (this.current(ticket) ? task() : false);
    const done = this.queue.then(run, run);
    this.queue = done.catch(() => {});
    return done;
  }

  // An open hides the tooltip at once: it belongs to the picture being left.
  open(bmp, attribs) {
    const ticket = ++this.wanted;
    this.viewer.overlay.hideTooltip();
    return this.enqueue(ticket, () => this.show(ticket, bmp, attribs));
  }

  // The downloads run at once, beside any open in progress; the open waits its turn.
  async openUrl(bmpUrl, attribsUrl) {
    const viewer = this.viewer,
      ticket = ++this.wanted;
    viewer.overlay.hideTooltip();
    if (!viewer.engine) this.warmUp();
    try {
      const { signal } = viewer.lifetime;
      const progress = (loaded, total) => viewer.fire('progress', { phase: 'fetch', loaded, total });
      const [image, attribs] = await Promise.all([
        fetchBytes(bmpUrl, progress, undefined, signal),
        attribsUrl ? fetchBytes(attribsUrl, undefined, undefined, signal) : null,
      ]);
      if (!this.current(ticket)) return false;
      viewer.fire('progress', { phase: 'decode' });
      await viewer.loop.afterPaint();
      return this.enqueue(ticket, () => this.show(ticket, image, attribs));
    } catch (error) {
      return this.current(ticket) ? viewer.fail(`Cannot open the panorama: ${error.message}`) : false;
    }
  }

  async show(ticket, bmp, attribs) {
    const viewer = this.viewer,
      stale = () => !this.current(ticket);
    try {
      if (!viewer.engine) {
        const engine = await Engine.create(await compileModule(viewer.wasmUrl));
        if (viewer.destroyed) return false; // destroy() came while the module loaded
        viewer.engine ??= engine;
      }
      const image = await toBytes(bmp),
        text = await toBytes(attribs);
      if (stale()) return false;
      let warning,
        source = null;
      if (pictureFormat(image) !== 'bmp') {
        const prepare = (opening) => opening.prepare(viewer.session, ...viewer.deviceSize());
        const opening = await decodeOpening(viewer.engine, image, text, stale, PROJECTION[viewer.projection], prepare);
        if (!opening) return false;
        try {
          const [width, height] = viewer.deviceSize();
          viewer.session = opening.finish(viewer.session, width, height);
          warning = opening.warning;
          source = opening.source;
        } finally {
          opening.end();
        }
      } else {
        const [width, height] = viewer.deviceSize();
        const opened = openBmpSession(
          viewer.engine,
          image,
          text,
          viewer.session,
          width,
          height,
          PROJECTION[viewer.projection],
        );
        ({ session: viewer.session, warning } = opened);
      }
      viewer.colour = viewer.session.pixelBytes === 4;
      viewer.lastOpen = { image, text }; // to open again should the worker fail
      await this.startWorker(image, text, stale);
      if (stale()) return false;
      viewer.opened(); // a photo's first frame, painted here while the worker starts
      if (warning) viewer.notify(warning);
      if (viewer.colour) await this.startColourWorker(source, image, text, stale);
      return true;
    } catch (error) {
      return stale() ? false : viewer.fail(`Cannot open the panorama: ${error.message}`);
    }
  }

  // The render worker gets its own copy of an 8-bit panorama at this view
  // size; a browser without module workers paints on the main thread. A
  // photo's worker starts after its first frame (startColourWorker).
  async startWorker(image, text, stale) {
    const viewer = this.viewer;
    if (viewer.colour) {
      viewer.frames?.close();
      viewer.frames = null;
    }
    if (!viewer.useWorker || viewer.colour) return;
    const frames = await this.takeWorker(stale);
    if (!frames) return;
    frames.open(image, text, viewer.session.width, viewer.session.height);
    viewer.frames = frames;
  }

  // A photo's pixels move to the worker, which renders its frames from then
  // on; the page keeps its geometry (views, mapping, hotspots), no pixels.
  // `source`: the decoded picture's open; null for a BMP file, which the
  // worker reads itself.
  async startColourWorker(source, image, text, stale) {
    const viewer = this.viewer;
    // The first frame shows first: copying the pixels out takes a while.
    await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
    if (!viewer.useWorker || stale()) return;
    const frames = await this.takeWorker(stale);
    if (!frames) return;
    const { width, height } = viewer.session;
    if (source) {
      frames.openColour(source, viewer.session.takePixels(), width, height);
    } else {
      frames.open(image, text, width, height);
      viewer.session.takePixels();
    }
    viewer.frames = frames;
    viewer.changed(); // the next frames come from the worker
  }

  // The viewer's worker, taken off it until it has the new panorama: no
  // frame is asked of a worker that holds an older one or none. Null where
  // there is none to be had (no module workers, destroyed or overtaken
  // meanwhile).
  async takeWorker(stale) {
    const viewer = this.viewer,
      old = viewer.frames;
    viewer.frames = null;
    const module = await workerModule(viewer.wasmUrl);
    if (stale()) {
      old?.close();
      return null;
    }
    if (old) return old;
    try {
      const paint = (frame) => viewer.workerFrame(frame);
      return new WorkerFrames(module, paint, () => viewer.workerFailed());
    } catch {
      viewer.useWorker = false;
      return null;
    }
  }
}
