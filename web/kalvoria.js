// Kalvoria in the browser: the engine's WebAssembly module behind a <canvas>.
// Every decision about the picture and the motion is the engine's; this file
// carries pointer, key and size events in and paints what comes out.
import { openPicture, pictureFormat } from './image_input.js';

// Virtual key codes the engine's motion controller reacts to.
const VK = { ' ': 0x20, ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, '+': 0x6b, '-': 0x6d };
// Notification codes and the values the viewer reads.
const KN_SELHOTSPOT = 0, KN_HITHOTSPOT = 1, NO_HOTSPOT = 0xffff;
const VALUE = { RADIUS: 2, NUMHOTSPOTS: 3, XPOS: 5, YPOS: 6, ZPOS: 7, ORIENTATION: 9, SRCHEIGHT: 11, VPWIDTH: 12, VPHEIGHT: 13 };
// The engine's cursor shapes, in its order.
const CURSORS = ['default', 'move', 'n-resize', 's-resize', 'w-resize', 'e-resize',
  'nw-resize', 'ne-resize', 'sw-resize', 'se-resize', 'pointer'];
const FRAME_VIEW_CHANGED = 1, FRAME_TICK_DUE = 2;
// The least view the engine draws, in device pixels.
const MIN_VIEW = [2, 1];

let compiled = null;

// Compiles the module once per page; every viewer gets its own instance, so
// that each has its own motion state.
function compileModule(url) {
  compiled ??= fetch(url).then((response) => {
    if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
    return response.arrayBuffer();
  }).then((bytes) => WebAssembly.compile(bytes));
  return compiled;
}

// The module needs no host functions; anything it imports is a stub that
// fails, and a stop of the engine becomes an exception the viewer catches.
export async function instantiate(module) {
  const imports = {};
  for (const { module: name, name: field } of WebAssembly.Module.imports(module)) {
    imports[name] ??= {};
    imports[name][field] = () => -1;
  }
  imports.env.emscripten_notify_memory_growth = () => {};
  imports.wasi_snapshot_preview1.proc_exit = (code) => { throw new Error(`the engine stopped (${code})`); };
  const instance = await WebAssembly.instantiate(module, imports);
  instance.exports._initialize?.();
  return instance.exports;
}

async function toBytes(data) {
  if (data == null) return new Uint8Array(0);
  if (data instanceof Blob) return new Uint8Array(await data.arrayBuffer());
  if (typeof data === 'string') return new TextEncoder().encode(data);
  if (data instanceof Uint8Array) return data;
  if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
  return new Uint8Array(data);
}

const utf8 = new TextDecoder('utf-8', { fatal: true });
const ansi = new TextDecoder('windows-1252');

// Engine calls with byte blocks and strings in the module's memory.
class Engine {
  constructor(exports) { this.x = exports; }

  withBlocks(blocks, call) {
    const pointers = blocks.map((bytes) => {
      const pointer = bytes.length ? this.x.kalweb_alloc(bytes.length) : 0;
      if (bytes.length && !pointer) throw new Error('out of memory');
      if (pointer) new Uint8Array(this.x.memory.buffer, pointer, bytes.length).set(bytes);
      return pointer;
    });
    try {
      return call(...pointers);
    } finally {
      pointers.forEach((pointer) => this.x.kalweb_free(pointer));
    }
  }

  string(pointer) {
    if (!pointer) return '';
    const memory = new Uint8Array(this.x.memory.buffer);
    let end = pointer;
    while (memory[end]) end++;
    const bytes = memory.subarray(pointer, end);
    try { return utf8.decode(bytes); } catch { return ansi.decode(bytes); }
  }

  ints(pointer, count) { return Array.from(new Int32Array(this.x.memory.buffer, pointer, count)); }
}

export class KalViewer {
  // Builds the viewer inside `host`, which sets its size; events go to `host`.
  constructor(host, { wasmUrl = new URL('kalvoria.wasm', import.meta.url) } = {}) {
    this.host = host;
    this.wasmUrl = wasmUrl;
    this.session = 0;
    this.walk = -1;        // position in the hotspot walk; -1: the viewer itself
    this.visible = [];
    this.pressed = false;
    this.lastView = null;
    this.raf = 0;
    this.buildElements();
    this.listen();
    this.resizer = new ResizeObserver(this.guard((entries) => this.fitToHost(entries.at(-1))));
    try {
      // Device pixels also change with the page's zoom, not only the layout.
      this.resizer.observe(this.host, { box: 'device-pixel-content-box' });
    } catch {
      this.resizer.observe(this.host);
    }
  }

  buildElements() {
    const make = (tag, className) => {
      const element = document.createElement(tag);
      element.className = className;
      this.host.append(element);
      return element;
    };
    if (getComputedStyle(this.host).position === 'static') this.host.style.position = 'relative';
    this.canvas = make('canvas', 'kal-view');
    this.canvas.tabIndex = 0;
    this.canvas.setAttribute('role', 'application');
    this.canvas.setAttribute('aria-label', 'Panorama: drag or use the arrow keys to look around, Tab for hotspots');
    Object.assign(this.canvas.style, { display: 'block', width: '100%', height: '100%', outline: 'none' });
    this.compass = make('canvas', 'kal-compass');
    Object.assign(this.compass.style, { position: 'absolute', right: '8px', top: '8px', width: '48px', height: '48px', pointerEvents: 'none' });
    this.tooltip = make('div', 'kal-tooltip');
    this.tooltip.setAttribute('role', 'status');
    Object.assign(this.tooltip.style, { position: 'absolute', display: 'none', pointerEvents: 'none', padding: '2px 6px', background: '#ffffe1', color: '#000', border: '1px solid #000', font: '12px sans-serif', whiteSpace: 'nowrap' });
    this.message = make('div', 'kal-message');
    this.message.setAttribute('role', 'alert');
    Object.assign(this.message.style, { position: 'absolute', left: '8px', right: '8px', bottom: '8px', display: 'none', padding: '6px 10px', background: '#fff0f0', color: '#900', border: '1px solid #900', font: '13px sans-serif' });
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
    const on = (type, handler) => this.canvas.addEventListener(type, this.guard(handler));
    on('pointerdown', (event) => this.pointerDown(event));
    on('pointermove', (event) => this.pointerMove(event));
    on('pointerup', (event) => this.pointerUp(event));
    on('pointercancel', (event) => this.pointerUp(event));
    on('pointerleave', () => this.pointerLeave());
    on('keydown', (event) => this.keyDown(event));
    on('keyup', (event) => this.keyUp(event));
    on('blur', () => this.blur());
  }

  // Opens a panorama from a picture file (any the browser decodes, or a BMP
  // file: 8-bit, uncompressed or RLE8) and its attribute file, each as bytes
  // or a Blob. Resolves true when it shows; false after showing the reason
  // and firing an `error` event. What it did differently from what was asked
  // (attributes left out, a picture scaled down) fires a `warning` event.
  async open(image, attribs = null) {
    try {
      this.engine ??= new Engine(await instantiate(await compileModule(this.wasmUrl)));
      const bytes = await toBytes(image), text = await toBytes(attribs);
      const x = this.engine.x;
      if (pictureFormat(bytes) !== 'bmp') {
        this.session = await openPicture(this.engine, bytes, text, this.session, () => this.deviceSize());
      } else if (this.session) {
        const ok = this.engine.withBlocks([bytes, text], (i, t) => x.kalweb_replace(this.session, i, bytes.length, t, text.length));
        if (!ok) return this.fail(`Cannot open the panorama: ${this.engine.string(x.kalweb_error())}`);
      } else {
        const [width, height] = this.deviceSize();
        const session = this.engine.withBlocks([bytes, text], (i, t) => x.kalweb_create(i, bytes.length, t, text.length, width, height));
        if (!session) return this.fail(`Cannot open the panorama: ${this.engine.string(x.kalweb_error())}`);
        this.session = session;
      }
      this.colour = x.kalweb_pixelBytes(this.session) === 4;
      this.message.style.display = 'none';
      this.endWalk();
      this.render();
      const warning = this.engine.string(x.kalweb_warning());
      if (warning) this.notify(warning);
      return true;
    } catch (error) {
      return this.fail(`Cannot open the panorama: ${error.message}`);
    }
  }

  // Fetches and opens a picture file and, when given, its attribute file.
  async openUrl(bmpUrl, attribsUrl = null) {
    try {
      const fetchBytes = async (url) => {
        const response = await fetch(url);
        if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
        return new Uint8Array(await response.arrayBuffer());
      };
      return this.open(await fetchBytes(bmpUrl), attribsUrl ? await fetchBytes(attribsUrl) : null);
    } catch (error) {
      return this.fail(`Cannot open the panorama: ${error.message}`);
    }
  }

  // The view: bearing in degrees, pitch in image rows above the middle row,
  // zoom as magnification, and the engine's raw position.
  get view() {
    if (!this.session) return null;
    const value = (code) => this.engine.x.kalweb_value(this.session, code);
    const radius = value(VALUE.RADIUS), z = value(VALUE.ZPOS), y = value(VALUE.YPOS);
    return {
      bearing: value(VALUE.ORIENTATION),
      pitch: y - Math.floor(value(VALUE.SRCHEIGHT) / 2),
      zoom: radius / Math.max(1, radius - z),
      x: value(VALUE.XPOS), y, z,
    };
  }

  // Looks at `bearing` degrees, `pitch` rows above the middle, `zoom` times.
  setView({ bearing = 0, pitch = 0, zoom = 1 } = {}) {
    if (!this.session) return false;
    const ok = this.engine.x.kalweb_setView(this.session, bearing, pitch, zoom) === 1;
    this.render();
    return ok;
  }

  get hotspotCount() { return this.session ? this.engine.x.kalweb_value(this.session, VALUE.NUMHOTSPOTS) : 0; }

  hotspot(index) {
    const x = this.engine.x;
    return { index, label: this.engine.string(x.kalweb_hotspotLabel(this.session, index)), text: this.engine.string(x.kalweb_hotspotText(this.session, index)) };
  }

  destroy() {
    this.resizer.disconnect();
    cancelAnimationFrame(this.raf);
    cancelAnimationFrame(this.smoothRaf);
    if (this.session) this.engine.x.kalweb_delete(this.session);
    this.session = 0;
    this.host.replaceChildren();
  }

  // The host's content box in device pixels.
  deviceSize(entry = null) {
    const box = entry?.devicePixelContentBoxSize?.[0];
    const ratio = window.devicePixelRatio || 1;
    const [width, height] = box ? [box.inlineSize, box.blockSize]
      : [Math.round(this.host.clientWidth * ratio), Math.round(this.host.clientHeight * ratio)];
    // A collapsed host still gets the least view the engine draws, until it grows.
    return [Math.max(MIN_VIEW[0], width), Math.max(MIN_VIEW[1], height)];
  }

  // A new size of the host element gives a new view of that many device pixels.
  fitToHost(entry) {
    // A view smaller than the engine draws waits for the host to grow.
    if (!this.session || this.host.clientWidth * (window.devicePixelRatio || 1) < MIN_VIEW[0] || !this.host.clientHeight) return;
    const [width, height] = this.deviceSize(entry);
    if (width === this.canvas.width && height === this.canvas.height) return;
    if (!this.engine.x.kalweb_resize(this.session, width, height)) {
      this.fail(`Cannot show the panorama at this size: ${this.engine.string(this.engine.x.kalweb_error())}`);
      return;
    }
    this.endWalk();
    this.render();
  }

  // Something the viewer did differently from what was asked: said once.
  notify(text) {
    this.message.textContent = text;
    this.message.style.display = 'block';
    this.fire('warning', { message: text });
  }

  fail(text) {
    this.message.textContent = text;
    this.message.style.display = 'block';
    this.host.dispatchEvent(new CustomEvent('error', { detail: { message: text } }));
    return false;
  }

  fire(type, detail) { this.host.dispatchEvent(new CustomEvent(type, { detail })); }

  // Paints the engine's frame, then reports what changed. A true-colour
  // view that rests (no motion pending, no button held) gets a filtered
  // frame at the next animation frame.
  render(smooth = false) {
    const x = this.engine.x, width = x.kalweb_value(this.session, VALUE.VPWIDTH);
    const height = x.kalweb_value(this.session, VALUE.VPHEIGHT);
    const pixels = smooth ? x.kalweb_renderSmooth(this.session) : x.kalweb_render(this.session);
    if (!pixels) return;
    this.smooth = smooth;
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
    }
    const rgba = new Uint8ClampedArray(x.memory.buffer, pixels, width * height * 4);
    this.context.putImageData(new ImageData(rgba, width, height), 0, 0);
    this.afterChange();
  }

  resting() { return this.colour && !this.pressed && !this.engine.x.kalweb_moving(this.session); }

  scheduleSmooth() {
    if (this.smoothRaf || this.smooth || !this.resting()) return;
    this.smoothRaf = requestAnimationFrame(this.guard(() => {
      this.smoothRaf = 0;
      if (this.session && !this.smooth && this.resting()) this.render(true);
    }));
  }

  // Notifications first, then a viewchange event when the position moved.
  afterChange() {
    const x = this.engine.x;
    for (let note; (note = x.kalweb_nextNotification(this.session)) !== -1;) {
      const code = note >>> 16, value = note & 0xffff;
      if (code === KN_HITHOTSPOT) this.hover(value === NO_HOTSPOT ? -1 : value);
      else if (code === KN_SELHOTSPOT) this.fire('hotspot', this.hotspot(value));
    }
    this.canvas.style.cursor = CURSORS[x.kalweb_cursor(this.session)] ?? 'default';
    const view = this.view, last = this.lastView;
    if (!last || view.x !== last.x || view.y !== last.y || view.z !== last.z) {
      this.lastView = view;
      if (last) this.endWalk();
      this.drawCompass(view.bearing);
      this.fire('viewchange', view);
    }
    if (x.kalweb_moving(this.session)) this.schedule();
    else this.scheduleSmooth();
  }

  schedule() {
    if (!this.raf) this.raf = requestAnimationFrame(this.guard((time) => this.frame(time)));
  }

  // One animation frame: every motion tick that is due, each reported on its own.
  frame(time) {
    this.raf = 0;
    if (!this.session) return;
    const x = this.engine.x;
    let changed = false;
    for (let result = FRAME_TICK_DUE; result & FRAME_TICK_DUE;) {
      result = x.kalweb_frame(this.session, Math.floor(time) >>> 0);
      changed ||= (result & FRAME_VIEW_CHANGED) !== 0;
      this.afterChange();
    }
    if (changed) this.render();
    else if (x.kalweb_moving(this.session)) this.schedule();
  }

  drawCompass(bearing) {
    const ratio = window.devicePixelRatio || 1, size = Math.round(48 * ratio);
    if (this.compass.width !== size) this.compass.width = this.compass.height = size;
    const c = this.compass.getContext('2d'), r = size / 2;
    c.clearRect(0, 0, size, size);
    c.save();
    c.translate(r, r);
    c.fillStyle = 'rgba(255,255,255,0.8)';
    c.strokeStyle = '#333';
    c.lineWidth = ratio;
    c.beginPath();
    c.arc(0, 0, r - ratio, 0, 2 * Math.PI);
    c.fill();
    c.stroke();
    c.rotate((-bearing * Math.PI) / 180);  // the needle points north
    c.fillStyle = '#c00';
    c.beginPath();
    c.moveTo(0, -r + 4 * ratio);
    c.lineTo(4 * ratio, 0);
    c.lineTo(-4 * ratio, 0);
    c.fill();
    c.fillStyle = '#333';
    c.beginPath();
    c.moveTo(0, r - 4 * ratio);
    c.lineTo(4 * ratio, 0);
    c.lineTo(-4 * ratio, 0);
    c.fill();
    c.restore();
  }

  // A pointer position in view pixels.
  point(event) {
    const box = this.canvas.getBoundingClientRect();
    return [Math.floor(((event.clientX - box.left) * this.canvas.width) / box.width),
      Math.floor(((event.clientY - box.top) * this.canvas.height) / box.height)];
  }

  pointerDown(event) {
    if (!this.session || event.button !== 0) return;
    this.canvas.focus();
    this.canvas.setPointerCapture(event.pointerId);
    this.pressed = true;
    this.engine.x.kalweb_pointerDown(this.session, ...this.point(event));
    this.afterChange();
  }

  pointerMove(event) {
    if (!this.session) return;
    const [x, y] = this.point(event);
    this.pointer = [event.clientX, event.clientY];
    this.engine.x.kalweb_pointerMove(this.session, this.pressed ? 1 : 0, x, y);
    this.afterChange();
  }

  pointerUp(event) {
    if (!this.session || !this.pressed) return;
    this.pressed = false;
    if (this.canvas.hasPointerCapture(event.pointerId)) this.canvas.releasePointerCapture(event.pointerId);
    this.engine.x.kalweb_pointerUp(this.session, ...this.point(event));
    this.afterChange();
  }

  pointerLeave() {
    if (!this.session || this.pressed) return;
    this.engine.x.kalweb_pointerLeave(this.session);
    this.afterChange();
  }

  blur() {
    if (!this.session) return;
    this.pressed = false;
    this.engine.x.kalweb_focusLost(this.session);
    this.endWalk();
    this.afterChange();
  }

  keyDown(event) {
    if (!this.session || event.altKey || event.ctrlKey || event.metaKey) return;
    if (event.key === 'Tab') {
      this.walkHotspots(event);
      return;
    }
    if (event.key === 'Enter' && this.walk >= 0) {
      event.preventDefault();
      this.fire('hotspot', this.hotspot(this.visible[this.walk].index));
      return;
    }
    const key = VK[event.key];
    if (key === undefined) return;
    event.preventDefault();
    this.engine.x.kalweb_keyDown(this.session, key);
    this.afterChange();
    if (key === VK['+'] || key === VK['-']) this.render();
  }

  keyUp(event) {
    const key = VK[event.key];
    if (!this.session || key === undefined) return;
    this.engine.x.kalweb_keyUp(this.session, key);
  }

  // Tab and Shift+Tab step through the hotspots of the current view, left to
  // right; past either end the focus leaves as usual.
  walkHotspots(event) {
    if (this.walk < 0 && !event.shiftKey) {
      const x = this.engine.x, step = Math.max(4, Math.round(Math.min(this.canvas.width, this.canvas.height) / 48));
      const count = x.kalweb_visibleHotspots(this.session, step);
      this.visible = Array.from({ length: count }, (_, i) => {
        const [index, px, py] = this.engine.ints(x.kalweb_visibleHotspot(this.session, i), 3);
        return { index, x: px, y: py };
      });
    }
    const next = this.walk + (event.shiftKey ? -1 : 1);
    if (next >= this.visible.length || (this.walk < 0 && event.shiftKey)) {
      this.endWalk();
      return;
    }
    event.preventDefault();
    this.walk = next;
    if (next < 0) {
      this.hideTooltip();
      return;
    }
    const spot = this.visible[next], box = this.canvas.getBoundingClientRect();
    this.showTooltip(this.hotspot(spot.index).label,
      (spot.x * box.width) / this.canvas.width, (spot.y * box.height) / this.canvas.height);
  }

  endWalk() {
    if (this.walk >= 0) this.hideTooltip();
    this.walk = -1;
  }

  hover(index) {
    if (index < 0) {
      if (this.walk < 0) this.hideTooltip();
      return;
    }
    const box = this.canvas.getBoundingClientRect(), [cx, cy] = this.pointer ?? [box.left, box.top];
    this.showTooltip(this.hotspot(index).label, cx - box.left + 12, cy - box.top + 16);
  }

  showTooltip(text, left, top) {
    this.tooltip.textContent = text;
    Object.assign(this.tooltip.style, { display: 'block', left: `${left}px`, top: `${top}px` });
  }

  hideTooltip() { this.tooltip.style.display = 'none'; }
}
