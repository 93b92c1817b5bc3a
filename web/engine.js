// The one door to the engine's WebAssembly module: compiling and instantiating
// it, blocks and strings in its memory, an open as an object of its own, and a
// Session with a named method for every call the page and the worker make.

// The engine's codes, as its headers define them (tests/web/constants_test.mjs
// checks them against the headers).
export const VALUE = {
  ANGLE: 1,
  RADIUS: 2,
  NUMHOTSPOTS: 3,
  XPOS: 5,
  YPOS: 6,
  ZPOS: 7,
  ORIENTATION: 9,
  SRCWIDTH: 10,
  SRCHEIGHT: 11,
  VPWIDTH: 12,
  VPHEIGHT: 13,
};
export const BOUND = { X: 1, Y: 2, Z: 4 };
export const KN = { SELHOTSPOT: 0, HITHOTSPOT: 1 };
export const NO_HOTSPOT = 0xffff;
// The engine's cursor shapes (NavigationCursor), in its order, as CSS cursors.
export const CURSORS = [
  'default',
  'move',
  'n-resize',
  's-resize',
  'w-resize',
  'e-resize',
  'nw-resize',
  'ne-resize',
  'sw-resize',
  'se-resize',
  'pointer',
];
// A page's projection option as the module takes it (kalweb::forcedProjection).
export const PROJECTION = { auto: 0, cylinder: 1, sphere: 2 };
// How decoded rows lie in a block (kalweb::PixelOrder).
export const PIXEL_ORDER = { BLUE_FIRST: 2, NO_ALPHA: 4 };

const compiled = new Map(); // by the module's address

// Compiles the module at `url` once per page. A failed load is forgotten, so
// that the next open tries again.
export function compileModule(url) {
  const key = String(url);
  if (!compiled.has(key)) {
    const loading = fetch(url)
      .then((response) => {
        if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
        return response.arrayBuffer();
      })
      .then((bytes) => WebAssembly.compile(bytes))
      .catch((error) => {
        compiled.delete(key);
        throw error;
      });
    compiled.set(key, loading);
  }
  return compiled.get(key);
}

// Whether the page may share frames between two workers: a cross-origin
// isolated page (README: its headers) has shared memory.
export function twoCores() {
  return globalThis.crossOriginIsolated === true && typeof SharedArrayBuffer === 'function';
}

// The build over shared memory (kalvoria_shared.wasm) imports its memory: in
// pages, as its link sets them, 16 MiB at first and 2 GiB at most.
const SHARED_PAGES = { initial: 256, maximum: 32768 };

// The module's host functions: every import a stub that fails, and a stop of
// the engine an exception the caller catches; an imported memory is `memory`.
function importsOf(module, memory) {
  const imports = {};
  for (const { module: name, name: field, kind } of WebAssembly.Module.imports(module)) {
    imports[name] ??= {};
    imports[name][field] = kind === 'memory' ? memory : () => -1;
  }
  if (imports.env) imports.env.emscripten_notify_memory_growth = () => {};
  if (imports.wasi_snapshot_preview1) {
    imports.wasi_snapshot_preview1.proc_exit = (code) => {
      throw new Error(`the engine stopped (${code})`);
    };
  }
  return imports;
}

function importsMemory(module) {
  return WebAssembly.Module.imports(module).some(({ kind }) => kind === 'memory');
}

const utf8 = new TextDecoder('utf-8', { fatal: true });
const ansi = new TextDecoder('windows-1252');

// One instance of the module: each viewer and each worker has its own.
export class Engine {
  constructor(exports) {
    this.x = exports;
  }

  // The module needs no host functions (see importsOf). The build that
  // imports its memory gets a new shared one, which a second instance may
  // join.
  static async create(module) {
    const memory = importsMemory(module) ? new WebAssembly.Memory({ ...SHARED_PAGES, shared: true }) : null;
    const instance = await WebAssembly.instantiate(module, importsOf(module, memory));
    instance.exports._initialize?.();
    return new Engine(memory ? { ...instance.exports, memory } : instance.exports);
  }

  // A second instance over `memory`, a first one's shared memory, on its
  // own stack below `stackTop` (a block the first one allocated). Its static
  // constructors ran in the first instance; its data the memory has once:
  // it must never allocate (the allocator has no lock), only draw.
  static async join(module, memory, stackTop) {
    const instance = await WebAssembly.instantiate(module, importsOf(module, memory));
    instance.exports.stackRestore(stackTop);
    return new Engine({ ...instance.exports, memory });
  }

  get memory() {
    return this.x.memory;
  }

  // Whether the memory is shared (a page without isolation has no SharedArrayBuffer).
  get shared() {
    return typeof SharedArrayBuffer === 'function' && this.x.memory.buffer instanceof SharedArrayBuffer;
  }

  // The top of a stack of `bytes` for an instance that joins this one's
  // memory (Engine.join), aligned as the module's own; a block never given
  // back. 0 when the memory has no room.
  stackFor(bytes) {
    const block = this.x.kalweb_alloc(bytes);
    return block ? (block + bytes) & ~15 : 0;
  }

  // Calls `call` with a pointer to a copy of each block (0 for an empty one);
  // the copies are freed afterwards.
  withBlocks(blocks, call) {
    const pointers = [];
    try {
      for (const bytes of blocks) {
        const pointer = bytes.length ? this.x.kalweb_alloc(bytes.length) : 0;
        if (bytes.length && !pointer) throw new Error('out of memory');
        if (pointer) new Uint8Array(this.x.memory.buffer, pointer, bytes.length).set(bytes);
        pointers.push(pointer);
      }
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
    // The decoders refuse a view of shared memory.
    const bytes = this.shared ? memory.slice(pointer, end) : memory.subarray(pointer, end);
    try {
      return utf8.decode(bytes);
    } catch {
      return ansi.decode(bytes);
    }
  }

  ints(pointer, count) {
    return Array.from(new Int32Array(this.x.memory.buffer, pointer, count));
  }

  // An open of a BMP file's bytes with its attribute text's bytes;
  // `projection` a PROJECTION code (for 24- and 32-bit files).
  openBmp(image, text, projection = PROJECTION.auto) {
    const pointer = this.withBlocks([image, text], (i, t) =>
      this.x.kalweb_openBmp(i, image.length, t, text.length, projection),
    );
    return new Opening(this, pointer);
  }

  // An open with a block for a width x height picture of the image file
  // `bytes` (the module reads its GPano XMP and checks what its data can hold).
  colourBlock(width, height, bytes, text, projection = PROJECTION.auto) {
    const opening = new Opening(
      this,
      this.withBlocks([text, bytes], (t, f) =>
        this.x.kalweb_colourBlock(width, height, f, bytes.length, t, text.length, projection),
      ),
    );
    // What a second engine (the render worker) needs to open the same panorama.
    opening.source = { file: bytes, text, projection, requested: [width, height] };
    return opening;
  }
}

// One open in the module: the image it loaded or the block for decoded
// pixels, and what it has to say. end() frees it, finished or not.
export class Opening {
  constructor(engine, pointer) {
    this.engine = engine;
    this.pointer = pointer;
  }

  get message() {
    return this.engine.string(this.engine.x.kalweb_openMessage(this.pointer));
  }

  get warning() {
    return this.engine.string(this.engine.x.kalweb_openWarning(this.pointer));
  }

  // The block for decoded pixels as { pointer, width, height }, or null when refused.
  get block() {
    const x = this.engine.x,
      pointer = x.kalweb_openPixels(this.pointer);
    if (!pointer) return null;
    const [width, height] = this.engine.ints(x.kalweb_openSize(this.pointer), 2);
    return { pointer, width, height };
  }

  // The block's bytes; made afresh each time, as an allocation may have grown the memory.
  pixels() {
    const block = this.block;
    return block && new Uint8Array(this.engine.x.memory.buffer, block.pointer, block.width * block.height * 4);
  }

  arrange(order) {
    this.engine.x.kalweb_openArrange(this.pointer, order);
  }

  // Makes the view and its first table before the pixels come, for
  // `session`'s view size or width x height: time the page would spend
  // waiting for its decoder.
  prepare(session, width, height) {
    this.engine.x.kalweb_openPrepare(this.pointer, session?.pointer ?? 0, width, height);
  }

  // The picture was decoded only in part: the open warns that its rest is blank.
  endsEarly() {
    this.engine.x.kalweb_openEndsEarly(this.pointer);
  }

  // The image into `session`, or into a new Session of a width x height view;
  // throws the module's reason.
  finish(session, width, height) {
    const out = this.engine.x.kalweb_openFinish(this.pointer, session?.pointer ?? 0, width, height);
    if (!out) throw new Error(this.message || 'The panorama cannot be shown.');
    return session ?? new Session(this.engine, out);
  }

  end() {
    this.engine.x.kalweb_openEnd(this.pointer);
    this.pointer = 0;
  }
}

// Opens a BMP file in one step: the Session (a new one when `session` is
// null) and the open's warning; throws the module's reason.
export function openBmpSession(engine, image, text, session, width, height, projection = PROJECTION.auto) {
  const opening = engine.openBmp(image, text, projection);
  try {
    if (!opening.pointer) throw new Error('out of memory');
    return { session: opening.finish(session, width, height), warning: opening.warning };
  } finally {
    opening.end();
  }
}

// Opens in `engine` the panorama another engine opened from `source` (an
// Opening's), with its decoded pixels in the engine's order; a new Session
// of a width x height view. Throws the module's reason.
export function openColourSession(engine, { file, text, projection, requested }, pixels, width, height) {
  const opening = engine.colourBlock(requested[0], requested[1], file, text, projection);
  try {
    const block = opening.pixels();
    if (!block || block.length !== pixels.length) throw new Error(opening.message || 'the picture does not fit');
    block.set(pixels);
    return opening.finish(null, width, height);
  } finally {
    opening.end();
  }
}

// One panorama in the module and its view.
export class Session {
  constructor(engine, pointer) {
    this.engine = engine;
    this.x = engine.x;
    this.pointer = pointer;
  }

  value(code) {
    return this.x.kalweb_value(this.pointer, code);
  }

  get width() {
    return this.value(VALUE.VPWIDTH);
  }

  get height() {
    return this.value(VALUE.VPHEIGHT);
  }

  get pixelBytes() {
    return this.x.kalweb_pixelBytes(this.pointer);
  }

  // A new view size; throws the module's reason, keeping the old one.
  resize(width, height) {
    if (this.x.kalweb_resize(this.pointer, width, height)) return;
    throw new Error(this.engine.string(this.x.kalweb_error(this.pointer)));
  }

  // True colour: a continuous view in degrees (fractional moves, turns and
  // grabs in the module); else the 8-bit engine's whole units.
  get continuous() {
    return this.pixelBytes === 4;
  }

  // Moves by engine units (degrees of a continuous view); returns the
  // BOUND flags of the limits met.
  move(dx, dy, dz) {
    return this.continuous ? this.x.kalweb_turn(this.pointer, dx, dy) : this.x.kalweb_move(this.pointer, dx, dy, dz);
  }

  setPos(x, y, z) {
    return this.x.kalweb_setPos(this.pointer, x, y, z);
  }

  // { bearing, pitch, zoom, hfov } in degrees and magnification.
  angles() {
    const [bearing, pitch, zoom, hfov] = new Float64Array(this.x.memory.buffer, this.x.kalweb_getView(this.pointer), 4);
    return { bearing, pitch, zoom, hfov };
  }

  // Returns the BOUND flags met, or -1 for no view; a field (true colour)
  // wins over the zoom.
  putAngles(bearing, pitch, zoom, hfov = NaN) {
    return this.x.kalweb_putView(this.pointer, bearing, pitch, zoom, hfov);
  }

  // A continuous view turned so that the image point shows at (vx, vy).
  align(point, vx, vy) {
    return this.x.kalweb_align(this.pointer, point[0], point[1], vx, vy);
  }

  // Whether a true-colour session still has its pixels here.
  get hasPixels() {
    return this.x.kalweb_sessionPixels(this.pointer) !== 0;
  }

  // The session's true-colour pixels, moved out: a copy in the engine's
  // order for another engine (which renders the frames from then on), and
  // none kept here. Null for an 8-bit session or one whose pixels went.
  takePixels() {
    const pointer = this.x.kalweb_sessionPixels(this.pointer);
    if (!pointer) return null;
    const size = this.value(VALUE.SRCWIDTH) * this.value(VALUE.SRCHEIGHT) * 4;
    const copy = new Uint8Array(this.x.memory.buffer, pointer, size).slice();
    this.x.kalweb_dropPixels(this.pointer);
    return copy;
  }

  // The page's bounds on a continuous view, in degrees (undefined: none).
  bound({ minHfov, maxHfov, minPitch, maxPitch }) {
    const or = (v) => (typeof v === 'number' ? v : NaN);
    this.x.kalweb_bound(this.pointer, or(minHfov), or(maxHfov), or(minPitch), or(maxPitch));
  }

  // The frame as RGBA rows top-down (a view of the module's memory, valid
  // until the next call), or null: nearest samples, or filtered when `smooth`.
  render(smooth = false) {
    const pixels = smooth ? this.x.kalweb_renderSmooth(this.pointer) : this.x.kalweb_render(this.pointer);
    return pixels ? new Uint8ClampedArray(this.x.memory.buffer, pixels, this.width * this.height * 4) : null;
  }

  // A photo's frame in shares, one a worker: the present view's table made
  // (false: no photo here, or no memory for it), then rows [first, end) of
  // it drawn, which only reads the session: the frame as render() gives it,
  // or null when nothing was drawn (the view changed since).
  prepareRows() {
    return this.x.kalweb_prepareRows(this.pointer) === 1;
  }

  drawRows(smooth, first, end) {
    const pixels = this.x.kalweb_renderRows(this.pointer, smooth ? 1 : 0, first, end);
    return pixels ? new Uint8ClampedArray(this.x.memory.buffer, pixels, this.width * this.height * 4) : null;
  }

  // The image point at a view point as [column, row] (fractional for a
  // continuous view), or null.
  mapPoint(vx, vy) {
    const pointer = this.x.kalweb_mapPoint(this.pointer, vx, vy);
    return pointer ? Array.from(new Float64Array(this.x.memory.buffer, pointer, 2)) : null;
  }

  // The view point [x, y] showing the direction `heading`, `pitch`
  // (degrees), or null when the view does not show it.
  pointOf(heading, pitch) {
    const pointer = this.x.kalweb_viewPoint(this.pointer, heading, pitch);
    return pointer ? Array.from(new Float64Array(this.x.memory.buffer, pointer, 2)) : null;
  }

  hitTest(vx, vy) {
    return this.x.kalweb_hitTest(this.pointer, vx, vy);
  }

  hotspotLabel(index) {
    return this.engine.string(this.x.kalweb_hotspotLabel(this.pointer, index));
  }

  hotspotText(index) {
    return this.engine.string(this.x.kalweb_hotspotText(this.pointer, index));
  }

  // The hotspots of the view, sampled `step` pixels apart: [{ index, x, y }].
  visibleHotspots(step) {
    const count = this.x.kalweb_visibleHotspots(this.pointer, step);
    return Array.from({ length: count }, (_, i) => {
      const [index, x, y] = this.engine.ints(this.x.kalweb_visibleHotspot(this.pointer, i), 3);
      return { index, x, y };
    });
  }

  // The attribute file's hotspot `index` as 4 x perEdge view points [x, y]
  // around its rectangle, null where the view does not show a point; null
  // for no such hotspot.
  hotspotOutline(index, perEdge) {
    const pointer = this.x.kalweb_hotspotOutline(this.pointer, index, perEdge);
    if (!pointer) return null;
    const xy = new Float64Array(this.x.memory.buffer, pointer, 8 * perEdge);
    return Array.from({ length: 4 * perEdge }, (_, i) => (Number.isNaN(xy[2 * i]) ? null : [xy[2 * i], xy[2 * i + 1]]));
  }

  // The mouse over the view, not pressed: the engine looks for hotspots.
  hover(vx, vy) {
    this.x.kalweb_hover(this.pointer, vx, vy);
  }

  leave() {
    this.x.kalweb_pointerLeave(this.pointer);
  }

  cursor() {
    return CURSORS[this.x.kalweb_cursor(this.pointer)] ?? 'default';
  }

  // The engine's notifications since the last call: [{ code, value }].
  notifications() {
    const out = [];
    for (let note; (note = this.x.kalweb_nextNotification(this.pointer)) !== -1;) {
      out.push({ code: note >>> 16, value: note & 0xffff });
    }
    return out;
  }

  delete() {
    this.x.kalweb_delete(this.pointer);
    this.pointer = 0;
  }
}
