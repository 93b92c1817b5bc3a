// Pointer, touch, wheel and key input of the web viewer. Pointers are told
// apart by id: one steers (grab or joystick), two pinch-zoom about their
// midpoint. Everything moves the view through the viewer's engine moves.
import { JOYSTICK_SPEED, VelocityTracker } from './motion.js';
import { alignPoint, imagePoint, viewPoint } from './view_geometry.js';
import { prefersReducedMotion } from './dom.js';

const CLICK_SLOP = 5; // CSS pixels a click may wander
const DOUBLE_TAP_MS = 400;
const DOUBLE_TAP_SLOP = 30; // CSS pixels between the taps of a double tap
const JOYSTICK_DEAD = 4; // CSS pixels of offset that do not turn
export const ZOOM_STEP = 1.25; // one key press
const TAP_ZOOM = 1.5; // a double click or tap
const WHEEL_RATE = 0.0015; // zoom factor exp(-rate * deltaY in pixels)
const PINCH_WHEEL_RATE = 0.01; // ctrl+wheel: a trackpad pinch sends small deltas

// `viewer` offers: canvas, drag ('grab' | 'joystick'), draggable, mouseZoom, motion,
// moveBy(dx, dy, dz), zoomTo(zoom), zoom, pointing (pointer_notes.js),
// changed(), guard(handler).
export class PointerInput {
  constructor(viewer, signal) {
    this.viewer = viewer;
    this.pointers = new Map(); // id -> { x, y, startX, startY } in client pixels
    this.gesture = null;
    this.velocity = new VelocityTracker();
    this.lastTap = null;
    const on = (type, handler, options = {}) =>
      viewer.canvas.addEventListener(type, viewer.guard(handler), { ...options, signal });
    on('pointerdown', (event) => this.down(event));
    on('pointermove', (event) => this.move(event));
    on('pointerup', (event) => this.up(event, true));
    on('pointercancel', (event) => this.up(event, false));
    on('pointerleave', (event) => {
      if (!this.pointers.size && event.pointerType === 'mouse') viewer.pointing.leave();
    });
    on('wheel', (event) => this.wheel(event), { passive: false });
    on('dblclick', (event) => this.doubleClick(event));
    on('contextmenu', (event) => {
      if (this.pointers.size) event.preventDefault();
    });
  }

  get dragging() {
    return this.gesture !== null;
  }

  down(event) {
    if (event.pointerType === 'mouse' && event.button !== 0) return;
    if (this.pointers.size >= 2) return; // a third finger is ignored
    event.preventDefault();
    this.viewer.canvas.focus({ preventScroll: true });
    this.viewer.canvas.setPointerCapture?.(event.pointerId);
    this.pointers.set(event.pointerId, {
      x: event.clientX,
      y: event.clientY,
      startX: event.clientX,
      startY: event.clientY,
    });
    this.viewer.motion.stop();
    this.begin();
  }

  // Starts the gesture that the pointers now down make.
  begin() {
    const points = [...this.pointers.values()];
    this.velocity.reset();
    if (points.length === 2) {
      const mid = this.midpoint(points);
      this.gesture = {
        kind: 'pinch',
        distance: this.spread(points),
        zoom: this.viewer.zoom,
        anchor: imagePoint(this.viewer, ...viewPoint(this.viewer, ...mid)),
        moved: true,
      };
      this.viewer.motion.joystick = null;
    } else if (points.length === 1) {
      const [p] = points,
        at = viewPoint(this.viewer, p.x, p.y);
      this.gesture = {
        kind: this.viewer.drag,
        anchor: imagePoint(this.viewer, ...at),
        originX: p.x,
        originY: p.y,
        moved: this.gesture?.moved ?? false,
      };
    } else {
      this.gesture = null;
    }
    this.viewer.pointing.cursorChanged();
  }

  move(event) {
    const pointer = this.pointers.get(event.pointerId);
    if (!pointer) {
      if (!this.pointers.size && event.pointerType === 'mouse')
        this.viewer.pointing.hover(
          ...viewPoint(this.viewer, event.clientX, event.clientY),
          event.clientX,
          event.clientY,
        );
      return;
    }
    pointer.x = event.clientX;
    pointer.y = event.clientY;
    if (Math.hypot(pointer.x - pointer.startX, pointer.y - pointer.startY) > CLICK_SLOP) this.gesture.moved = true;
    if (this.gesture.kind !== 'pinch' && !this.viewer.draggable) return; // still no click once it moved
    if (this.gesture.kind === 'pinch') this.pinch();
    else if (this.gesture.kind === 'joystick') this.steer(pointer);
    else this.grab(pointer, event.timeStamp);
  }

  // The image point taken at the press stays under the pointer.
  grab(pointer, ms) {
    const { anchor } = this.gesture;
    if (!anchor) return;
    const moved = alignPoint(this.viewer, anchor, ...viewPoint(this.viewer, pointer.x, pointer.y));
    this.velocity.add(ms, moved[0], moved[1]);
  }

  // The offset from the press point sets an angular speed.
  steer(pointer) {
    const box = this.viewer.canvas.getBoundingClientRect(),
      half = Math.max(1, Math.min(box.width, box.height) / 2);
    const rate = (offset) => {
      const beyond = Math.max(0, Math.abs(offset) - JOYSTICK_DEAD);
      return Math.sign(offset) * Math.min(1, beyond / half);
    };
    this.viewer.motion.joystick = {
      bearing: JOYSTICK_SPEED.bearing * rate(pointer.x - this.gesture.originX),
      pitch: -JOYSTICK_SPEED.pitch * rate(pointer.y - this.gesture.originY),
    };
    this.viewer.changed();
  }

  // Zoom by the change of the fingers' spread; the image point that was
  // between them stays between them, so moving both fingers also turns.
  pinch() {
    const points = [...this.pointers.values()],
      { gesture } = this;
    const mid = viewPoint(this.viewer, ...this.midpoint(points));
    const spread = this.spread(points);
    if (gesture.distance > 0 && spread > 0) this.viewer.zoomTo((gesture.zoom * spread) / gesture.distance, ...mid);
    if (gesture.anchor) alignPoint(this.viewer, gesture.anchor, ...mid);
  }

  up(event, released) {
    const pointer = this.pointers.get(event.pointerId);
    if (!pointer) return;
    this.pointers.delete(event.pointerId);
    if (this.viewer.canvas.hasPointerCapture?.(event.pointerId))
      this.viewer.canvas.releasePointerCapture(event.pointerId);
    const gesture = this.gesture;
    if (this.pointers.size) {
      this.begin(); // the finger left down steers on from here
      return;
    }
    this.gesture = null;
    this.viewer.motion.joystick = null;
    if (released && !gesture.moved && gesture.kind !== 'pinch') this.tap(event);
    else if (released && gesture.kind === 'grab' && !prefersReducedMotion()) this.coast(event.timeStamp);
    this.viewer.pointing.cursorChanged();
    this.viewer.changed();
  }

  coast(ms) {
    const velocity = this.velocity.velocity(ms);
    if (velocity) this.viewer.motion.coast(velocity);
  }

  // A click picks the hotspot under it; a second tap of a finger soon after
  // the first zooms in (a mouse gets its dblclick event instead).
  tap(event) {
    this.viewer.pointing.pick(...viewPoint(this.viewer, event.clientX, event.clientY));
    if (event.pointerType === 'mouse') return;
    const last = this.lastTap;
    this.lastTap = { ms: event.timeStamp, x: event.clientX, y: event.clientY };
    if (
      last &&
      event.timeStamp - last.ms < DOUBLE_TAP_MS &&
      Math.hypot(event.clientX - last.x, event.clientY - last.y) < DOUBLE_TAP_SLOP
    ) {
      this.lastTap = null;
      this.tapZoomedAt = event.timeStamp;
      this.zoomStep(event.clientX, event.clientY, TAP_ZOOM);
    }
  }

  // Browsers that also turn a double tap into a dblclick must not zoom twice.
  doubleClick(event) {
    if (!this.viewer.mouseZoom) return;
    if (this.tapZoomedAt !== undefined && event.timeStamp - this.tapZoomedAt < DOUBLE_TAP_MS) return;
    this.zoomStep(event.clientX, event.clientY, TAP_ZOOM);
  }

  // The wheel zooms about the pointer and never scrolls the page under it;
  // a trackpad pinch arrives as a wheel with ctrlKey. Without mouseZoom the
  // page scrolls (or zooms) as it would without the viewer.
  wheel(event) {
    if (!this.viewer.mouseZoom) return;
    event.preventDefault();
    const lines = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? 400 : 1;
    const rate = event.ctrlKey ? PINCH_WHEEL_RATE : WHEEL_RATE;
    const factor = Math.exp(-rate * event.deltaY * lines);
    if (factor !== 1) this.zoomStep(event.clientX, event.clientY, factor);
  }

  zoomStep(clientX, clientY, factor) {
    this.viewer.motion.stop();
    const at = viewPoint(this.viewer, clientX, clientY),
      anchor = imagePoint(this.viewer, ...at);
    this.viewer.zoomTo(this.viewer.zoom * factor, ...at);
    if (anchor) alignPoint(this.viewer, anchor, ...at);
  }

  midpoint(points) {
    return [(points[0].x + points[1].x) / 2, (points[0].y + points[1].y) / 2];
  }

  spread(points) {
    return Math.hypot(points[0].x - points[1].x, points[0].y - points[1].y);
  }
}
