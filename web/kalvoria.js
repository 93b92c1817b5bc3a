// Kalvoria in the browser: the engine's WebAssembly module behind a <canvas>.
// KalViewer is the page's facade: the view, its paint and every event (one
// fire()); opening, the render loop, keys, overlay and input are modules.
import { Engine, PROJECTION, VALUE } from './engine.js';
import { Opener } from './opening.js';
import { Shell } from './shell.js';
import { DEFAULT_FRICTION, Motion } from './motion.js';
import { RenderLoop } from './render_loop.js';
import { PointerInput } from './input.js';
import { Keys } from './keys.js';
import { deviceSize } from './dom.js';
import { Overlay } from './overlay.js';
import { PointerNotes } from './pointer_notes.js';
import { checkHotspots, Hotspots } from './hotspots.js';
import { unitsPerDegree } from './view_geometry.js';

const DESTROYED = 'the viewer was destroyed';

// The module's exports in an instance of their own (the engine's door is engine.js).
export async function instantiate(module) {
  return (await Engine.create(module)).x;
}

export class KalViewer {
  // Builds the viewer inside `host`, which sets its size; events go to `host`.
  // `drag`: 'grab' (the picture follows the pointer) or 'joystick' (the
  // pointer's offset from where it was pressed sets a turning speed).
  // `worker`: render moving views in a worker, where the browser can.
  // `keyboardZoom`, `mouseZoom`, `draggable`: the input that zooms or turns;
  // `friction`: how far a throw coasts (motion.js). True-colour pictures:
  // `projection` ('auto', 'cylinder' or 'sphere'), the start field `hfov`
  // and the bounds `minHfov`, `maxHfov`, `minPitch`, `maxPitch` (degrees,
  // inside the picture's own limits). `hotspots`: elements the page places
  // by heading and pitch (hotspots.js); `outlineHotspots`: draw the
  // attribute file's rectangles. The other options
  // (auto-rotate, deep links, tours, ...) are the shell's. Bad options throw
  // before anything is built.
  constructor(
    host,
    {
      wasmUrl = new URL('kalvoria.wasm', import.meta.url),
      drag = 'grab',
      worker = true,
      keyboardZoom = true,
      mouseZoom = true,
      draggable = true,
      friction = DEFAULT_FRICTION,
      projection = 'auto',
      hfov,
      minHfov,
      maxHfov,
      minPitch,
      maxPitch,
      hotspots = [],
      outlineHotspots = false,
      ...options
    } = {},
  ) {
    if (drag !== 'grab' && drag !== 'joystick') throw new TypeError(`drag must be 'grab' or 'joystick', not ${drag}`);
    if (!Object.hasOwn(PROJECTION, projection))
      throw new TypeError(`projection must be 'auto', 'cylinder' or 'sphere', not ${projection}`);
    const fields = { hfov, minHfov, maxHfov, minPitch, maxPitch };
    for (const [name, v] of Object.entries(fields))
      if (v !== undefined && !(typeof v === 'number' && Number.isFinite(v)))
        throw new TypeError(`${name} must be a number of degrees, not ${v}`);
    Shell.check(options);
    checkHotspots(hotspots);
    this.host = host;
    this.wasmUrl = wasmUrl;
    this.drag = drag;
    this.keyboardZoom = Boolean(keyboardZoom);
    this.mouseZoom = Boolean(mouseZoom);
    this.draggable = Boolean(draggable);
    this.projection = projection;
    this.fields = fields; // start field and bounds of true-colour views
    this.session = null; // the engine's Session once a panorama opens
    this.engine = null;
    this.lastView = null; // the view the last viewchange reported
    this.lastZoom = null; // the zoom the last zoomchange reported
    this.startView = null; // the view a panorama opened at, for Home
    this.dirty = false; // the engine's view moved since the last paint
    this.useWorker = worker && typeof Worker === 'function';
    this.frames = null; // the render worker, once a panorama is open
    this.seq = 0; // paints in the order they were asked for
    this.paintedSeq = 0;
    this.destroyed = false;
    this.lifetime = new AbortController(); // ends listeners and fetches
    this.loop = new RenderLoop(
      (seconds) => this.draw(seconds),
      (f) => this.guard(f),
    );
    this.opener = new Opener(this);
    this.motion = new Motion(
      {
        move: (dx, dy) => this.moveBy(dx, dy, 0),
        scale: () => unitsPerDegree(this),
        fractional: () => this.session?.continuous ?? false,
      },
      { friction },
    );
    this.keys = new Keys(this);
    this.pointing = new PointerNotes(this);
    this.buildElements();
    this.hotspots = new Hotspots(this, hotspots, Boolean(outlineHotspots));
    this.listen();
    this.input = new PointerInput(this, this.lifetime.signal);
    this.resizer = new ResizeObserver(this.guard((entries) => this.fitToHost(entries.at(-1))));
    try {
      // Device pixels also change with the page's zoom, not only the layout.
      this.resizer.observe(this.host, { box: 'device-pixel-content-box' });
    } catch {
      this.resizer.observe(this.host);
    }
    this.shell = new Shell(this, options);
    this.message = this.shell.controls.message;
    this.shell.start();
  }

  buildElements() {
    this.added = [];
    const make = (tag, className) => {
      const element = document.createElement(tag);
      element.className = className;
      this.host.append(element);
      this.added.push(element);
      return element;
    };
    this.hostPosition = this.host.style.position; // restored by destroy()
    if (getComputedStyle(this.host).position === 'static') this.host.style.position = 'relative';
    this.canvas = make('canvas', 'kal-view');
    this.canvas.tabIndex = 0;
    this.canvas.setAttribute('role', 'application');
    this.canvas.setAttribute('aria-label', 'Panorama: drag or use the arrow keys to look around, Tab for hotspots');
    // The focus ring is the stylesheet's (class kal-view), for pages to
    // restyle. touch-action none: fingers steer the view instead of
    // scrolling or zooming the page.
    Object.assign(this.canvas.style, {
      display: 'block',
      width: '100%',
      height: '100%',
      touchAction: 'none',
      userSelect: 'none',
    });
    this.overlay = new Overlay(make);
    this.context = this.canvas.getContext('2d');
  }

  // Runs an event handler so that nothing it throws reaches the page.
  guard(handler) {
    return (...args) => {
      try {
        return handler(...args);
      } catch (error) {
        this.fail(`The viewer stopped: ${error.message}`);
        return undefined;
      }
    };
  }

  listen() {
    const on = (type, handler) =>
      this.canvas.addEventListener(type, this.guard(handler), { signal: this.lifetime.signal });
    on('keydown', (event) => this.keys.keyDown(event));
    on('keyup', (event) => this.keys.keyUp(event));
    on('blur', () => this.blur());
  }

  // Opens a panorama from a picture file (any the browser decodes, or a BMP
  // file: 8-bit uncompressed or RLE8, 24 or 32 bits) and its attribute file,
  // each as bytes or a Blob. Resolves true when it shows; false after showing
  // the reason and firing an `error` event, or when the viewer was destroyed.
  // What it did differently from what was asked (attributes left out, a
  // picture scaled down, a file that ends early) fires a `warning` event.
  // Opens run one after another; a newer open or openUrl() overtakes an
  // older one, which then resolves false without an event.
  open(bmp, attribs = null) {
    return this.destroyed ? Promise.resolve(false) : this.opener.open(bmp, attribs);
  }

  // Fetches and opens a BMP file and, when given, its attribute file;
  // `progress` events tell the download, then the decoding. destroy()
  // cancels the fetches.
  openUrl(bmpUrl, attribsUrl = null) {
    return this.destroyed ? Promise.resolve(false) : this.opener.openUrl(bmpUrl, attribsUrl);
  }

  // A panorama has just opened: a fresh start at its own view.
  opened() {
    this.motion.stop();
    this.keys.endWalk();
    this.overlay.hideTooltip();
    if (this.session.continuous) {
      this.session.bound(this.fields);
      if (this.fields.hfov !== undefined) {
        const view = this.view;
        this.session.putAngles(view.bearing, view.pitch, NaN, this.fields.hfov);
      }
    }
    this.startView = this.view;
    this.hotspots.opened();
    this.lastView = null; // a new panorama is reported even at the same position
    this.changed();
    this.render();
    this.fire('load', {});
  }

  // A frame from the worker: a moving frame may come at a lower resolution.
  workerFrame({ seq, width, height, buffer, smooth, shows }) {
    if (this.destroyed || seq < this.paintedSeq) return; // a newer paint is up
    this.paintedSeq = seq;
    if (shows[0] !== this.session?.width || shows[1] !== this.session.height) return; // from before a resize
    this.smooth = smooth;
    this.paint(new Uint8ClampedArray(buffer), width, height);
  }

  // The worker stopped: the page paints on its own, opening a photo again
  // when its pixels were the worker's.
  workerFailed() {
    this.frames = null;
    this.useWorker = false;
    if (this.session?.continuous && !this.session.hasPixels && this.lastOpen)
      this.open(this.lastOpen.image, this.lastOpen.text);
    else this.changed();
  }

  // Throws once destroy() has run: the viewer has nothing left to work on.
  alive() {
    if (this.destroyed) throw new Error(`KalViewer: ${DESTROYED}`);
  }

  // The view: bearing in degrees east of north (fractional), pitch in degrees
  // above the horizon, zoom as magnification, hfov the horizontal field in
  // degrees, and for an 8-bit panorama the engine's raw position (x, y, z).
  // Null before a panorama opens or after destroy().
  get view() {
    const session = this.session;
    if (!session) return null;
    if (session.continuous) return session.angles();
    const value = (code) => session.value(code);
    return { ...session.angles(), x: value(VALUE.XPOS), y: value(VALUE.YPOS), z: value(VALUE.ZPOS) };
  }

  get zoom() {
    return this.view?.zoom ?? 1;
  }

  // Looks at `bearing` degrees, `pitch` degrees above the horizon, `zoom`
  // times or a horizontal field of `hfov` degrees (true colour: it wins
  // over the zoom); omitted fields keep their value. Returns the view taken,
  // which the limits may have clamped, or false for no panorama or no view.
  setView(request = {}) {
    this.alive();
    if (!this.session || request === null || typeof request !== 'object') return false;
    const next = { ...this.view, hfov: NaN };
    for (const field of ['bearing', 'pitch', 'zoom', 'hfov']) {
      if (request[field] === undefined) continue;
      if (typeof request[field] !== 'number' || !Number.isFinite(request[field])) return false;
      next[field] = request[field];
    }
    if (!this.session.continuous && request.hfov !== undefined && request.zoom === undefined)
      next.zoom *= this.view.hfov / request.hfov; // an 8-bit lens: zoom by the field's ratio
    if (this.session.putAngles(next.bearing, next.pitch, next.zoom, next.hfov) < 0) return false;
    this.motion.stop();
    this.changed();
    return this.view;
  }

  get hotspotCount() {
    return this.session ? this.session.value(VALUE.NUMHOTSPOTS) : 0;
  }

  hotspot(index) {
    this.alive();
    return { index, label: this.session.hotspotLabel(index), text: this.session.hotspotText(index) };
  }

  // Enters or leaves fullscreen; resolves whether the viewer is in it.
  toggleFullscreen() {
    return this.shell.controls.toggleFullscreen();
  }

  // The tour's scene on show, and a way to open another.
  get scene() {
    return this.shell.tour?.current ?? null;
  }

  openScene(id) {
    return this.shell.tour ? this.shell.tour.open(id) : Promise.resolve(false);
  }

  // Hotspots placed by heading and pitch (hotspots.js): one more for the
  // panorama on show, throwing for a bad one; removing one says whether it was there.
  addHotspot(spot) {
    this.alive();
    this.hotspots.add(spot);
  }

  removeHotspot(id) {
    this.alive();
    return this.hotspots.remove(id);
  }

  // Frees the engine session, cancels an open in flight, and leaves the host
  // as it was: no element, listener or style of the viewer's stays.
  destroy() {
    if (this.destroyed) return;
    this.destroyed = true;
    this.lifetime.abort();
    this.shell.destroy();
    this.resizer.disconnect();
    this.loop.destroy();
    this.motion.stop();
    this.frames?.close();
    this.frames = null;
    this.session?.delete();
    this.session = null;
    this.engine = null;
    this.hotspots.destroy();
    for (const element of this.added) element.remove();
    this.host.style.position = this.hostPosition;
  }

  // The host's content box in device pixels.
  deviceSize(entry = null) {
    return deviceSize(this.host, entry);
  }

  // A new size of the host element gives a new view of that many device
  // pixels, painted by the next frame.
  fitToHost(entry) {
    if (!this.session || !this.host.clientWidth || !this.host.clientHeight) return;
    const [width, height] = this.deviceSize(entry);
    if (width === this.session.width && height === this.session.height) {
      this.shell.controls.clearMessage('size'); // back at the size on show
      return;
    }
    try {
      this.session.resize(width, height);
    } catch (error) {
      this.fail(`Cannot show the panorama at this size: ${error.message}`, 'size');
      return;
    }
    this.shell.controls.clearMessage('size');
    this.frames?.resize(width, height);
    this.keys.endWalk();
    this.changed();
  }

  // Something the viewer did differently from what was asked: said once.
  notify(text) {
    if (this.destroyed) return;
    this.shell.controls.showMessage(text, 'warning');
    this.fire('warning', { message: text });
  }

  // `source` names what failed, so that its success can clear the message.
  fail(text, source = 'open') {
    if (this.destroyed) return false; // nothing left to show it in
    this.shell.controls.showMessage(text, source);
    this.fire('error', { message: text });
    return false;
  }

  // Every event of the viewer's, on its host. `own`: the browser's event of
  // that name already on its way through the host (fullscreenchange), which
  // takes the detail instead of a second event arriving beside it.
  fire(type, detail, own = null) {
    if (own) Object.defineProperty(own, 'detail', { value: detail, configurable: true });
    else this.host.dispatchEvent(new CustomEvent(type, { detail }));
  }

  // Paints the engine's frame now; the viewchange waits for the next frame.
  // `smooth`: the filtered frame of a true-colour view at rest.
  // A photo whose pixels are the worker's is painted when its frame comes.
  render(smooth = false) {
    this.dirty = false;
    if (this.frames && this.session.continuous) {
      this.frames.request(++this.seq, { view: this.view, smooth });
      this.smooth = smooth;
      return;
    }
    const { width, height } = this.session,
      pixels = this.session.render(smooth);
    this.paintedSeq = ++this.seq;
    this.smooth = smooth;
    if (pixels) this.paint(pixels, width, height);
  }

  // Resolves once the last frame asked for is on the canvas, a move waiting
  // for its animation frame included (the loop's frame, asked for first,
  // draws before ours comes).
  async painted() {
    const frame = () => new Promise((done) => requestAnimationFrame(done));
    if (this.dirty && this.loop.pending) await frame();
    while (!this.destroyed && (this.paintedSeq !== this.seq || this.frames?.busy)) await frame();
  }

  // The canvas takes a new size only with a frame of that size: no blank between.
  paint(pixels, width, height) {
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
    }
    this.context.putImageData(new ImageData(pixels, width, height), 0, 0);
    this.hotspots.place();
  }

  // The view moved or may have: paint and report it on the next frame.
  changed() {
    this.dirty = true;
    if (this.session) this.loop.request();
  }

  // The loop's draw, once per animation frame: motion by speed x elapsed
  // time, one paint, at most one viewchange. True while the motion goes on.
  draw(seconds) {
    if (!this.session) return false;
    const moving = this.motion.step(seconds);
    if (this.dirty && this.frames) {
      const view = this.view;
      this.frames.request(++this.seq, this.session.continuous ? { view } : { position: [view.x, view.y, view.z] });
      this.dirty = false;
      this.smooth = false;
    } else if (this.dirty) {
      this.render();
    }
    this.pointing.notes();
    this.reportView();
    if (moving) this.dirty = true;
    else this.scheduleSmooth();
    return moving;
  }

  // A true-colour view at rest (no motion, no drag) gets the filtered frame
  // at the next animation frame, unless something moved it meanwhile.
  scheduleSmooth() {
    if (!this.colour || this.smooth || this.smoothPending) return;
    const seq = this.seq;
    this.smoothPending = true;
    // After the next frame's draw, which renders first whatever moved the view meanwhile.
    this.loop.afterDraw(() => {
      this.smoothPending = false;
      if (!this.session || this.destroyed || this.dirty || this.input?.dragging || this.motion.active) return;
      // A frame painted meanwhile found this one pending: wait one more.
      if (seq === this.seq) this.render(true);
      else this.scheduleSmooth();
    });
  }

  reportView() {
    const view = this.view,
      last = this.lastView;
    const same = (field) => view[field] === last[field];
    if (last && ['bearing', 'pitch', 'zoom', 'hfov', 'x', 'y', 'z'].every(same)) return;
    this.lastView = view;
    if (last) this.keys.endWalk();
    this.overlay.drawCompass(view.bearing);
    this.fire('viewchange', view);
    if (view.zoom === this.lastZoom) return;
    this.lastZoom = view.zoom;
    this.fire('zoomchange', view.zoom);
  }

  // Moves the view by engine units (whole ones, or degrees of a continuous
  // view); returns the limits it met.
  moveBy(dx, dy, dz) {
    if (!this.session) return 0;
    const bounds = this.session.move(dx, dy, dz);
    this.changed();
    return bounds;
  }

  // Zooms to `zoom` (clamped by the engine); the point at (vx, vy) is the
  // caller's to keep in place.
  zoomTo(zoom) {
    if (!this.session || !(zoom > 0)) return;
    const view = this.view;
    this.session.putAngles(view.bearing, view.pitch, zoom);
    this.changed();
  }

  blur() {
    if (!this.session) return;
    this.motion.stop();
    this.keys.endWalk();
    this.pointing.notes();
  }

  // The tooltip element, for pages and tests that read it.
  get tooltip() {
    return this.overlay.tooltip;
  }
}
