// Motion of the web viewer, clocked by animation frames: every frame moves the
// view by speed x elapsed time through the engine's own moves, so limits and
// clamping stay the engine's. Speeds are angular: the same on every image.

// Held arrow keys, in degrees per second.
export const KEY_SPEED = { bearing: 60, pitch: 30 };
// A joystick drag across half the viewer turns at this speed (degrees per second).
export const JOYSTICK_SPEED = { bearing: 90, pitch: 45 };
// Grab inertia decays as exp(-t / decay) from at most INERTIA_MAX degrees
// per second and stops below INERTIA_REST. `friction` f in 0..1 (how
// far a throw coasts) sets decay = f x LONGEST_DECAY seconds: 0 stops at the
// release, the default 0.4 coasts at most half a second, 1 about 1.3 seconds.
export const DEFAULT_FRICTION = 0.4;
const LONGEST_DECAY = 0.25;
const INERTIA_MAX = 360;
const INERTIA_REST = 1.5;
const KEY_DIRECTIONS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1] };
const BOUND_X = 1,
  BOUND_Y = 2;

export class Motion {
  // `engine` is { move(dx, dy) -> KAL_BOUND_* flags, scale() -> { columns, rows },
  // fractional() }: engine units per move (whole ones unless fractional()),
  // and how many of them make one degree now.
  constructor(engine, { friction = DEFAULT_FRICTION } = {}) {
    if (typeof friction !== 'number' || !(friction >= 0 && friction <= 1))
      throw new TypeError(`friction must be a number from 0 to 1, not ${friction}`);
    this.engine = engine;
    this.decay = friction * LONGEST_DECAY; // seconds; 0: no coasting
    this.keys = new Set();
    this.joystick = null; // { bearing, pitch } in degrees per second
    this.inertia = null; // { x, y } in degrees per second
    this.rest = [0, 0]; // fractions of a unit carried to the next frame
  }

  // Coasting at `velocity` ({ x, y } engine units per second), capped.
  coast(velocity) {
    const units = this.engine.scale(),
      degrees = { x: velocity.x / units.columns, y: velocity.y / units.rows };
    const speed = Math.hypot(degrees.x, degrees.y),
      scale = Math.min(1, INERTIA_MAX / speed);
    this.inertia = speed > INERTIA_REST && this.decay > 0 ? { x: degrees.x * scale, y: degrees.y * scale } : null;
  }

  get active() {
    return this.keys.size > 0 || this.joystick !== null || this.inertia !== null;
  }

  // True when the key steers; the caller then keeps the browser off it.
  pressKey(key) {
    if (!KEY_DIRECTIONS[key]) return false;
    this.inertia = null;
    this.keys.add(key);
    return true;
  }

  // Releasing an arrow stops its turn at once: no coasting on the keyboard.
  releaseKey(key) {
    return this.keys.delete(key);
  }

  stop() {
    this.keys.clear();
    this.joystick = null;
    this.inertia = null;
    this.rest = [0, 0];
  }

  // Advances by `seconds`; returns true while anything still moves.
  step(seconds) {
    if (!this.active || seconds <= 0) return this.active;
    const scale = this.engine.scale();
    let [x, y] = [0, 0];
    for (const key of this.keys) {
      const [east, up] = KEY_DIRECTIONS[key];
      x += east * KEY_SPEED.bearing * scale.columns;
      y += up * KEY_SPEED.pitch * scale.rows;
    }
    if (this.joystick) {
      x += this.joystick.bearing * scale.columns;
      y += this.joystick.pitch * scale.rows;
    }
    if (this.inertia) {
      x += this.inertia.x * scale.columns;
      y += this.inertia.y * scale.rows;
      const keep = Math.exp(-seconds / this.decay);
      this.inertia.x *= keep;
      this.inertia.y *= keep;
      if (Math.hypot(this.inertia.x, this.inertia.y) < INERTIA_REST) this.inertia = null;
    }
    this.moveBy(x * seconds, y * seconds);
    return this.active;
  }

  // Whole units go to the engine, the fraction waits (a fractional engine
  // takes it all); a limit drops both the fraction and the coasting along
  // that axis.
  moveBy(dx, dy) {
    this.rest[0] += dx;
    this.rest[1] += dy;
    const whole = this.engine.fractional?.() ? [...this.rest] : this.rest.map(Math.trunc);
    if (!whole[0] && !whole[1]) return;
    this.rest = [this.rest[0] - whole[0], this.rest[1] - whole[1]];
    const bounds = this.engine.move(whole[0], whole[1]);
    if (bounds & BOUND_X) this.halt(0, 'x');
    if (bounds & BOUND_Y) this.halt(1, 'y');
  }

  halt(axis, name) {
    this.rest[axis] = 0;
    if (this.inertia) this.inertia[name] = 0;
  }
}

// Drag velocity from the last moments of a drag, for the coasting after it.
export class VelocityTracker {
  constructor(windowMs = 80) {
    this.windowMs = windowMs;
    this.samples = [];
  }

  reset() {
    this.samples = [];
  }

  // A move of (dx, dy) engine units at time `ms`.
  add(ms, dx, dy) {
    this.samples.push({ ms, dx, dy });
    while (this.samples.length && this.samples[0].ms < ms - this.windowMs) this.samples.shift();
  }

  // Units per second over the window ending at `ms`; a pause before the
  // release means no throw.
  velocity(ms) {
    const recent = this.samples.filter((s) => s.ms >= ms - this.windowMs);
    if (recent.length < 2) return null;
    const span = Math.max(16, ms - recent[0].ms) / 1000;
    const sum = recent.slice(1).reduce((a, s) => [a[0] + s.dx, a[1] + s.dy], [0, 0]);
    return { x: sum[0] / span, y: sum[1] / span };
  }
}
