// Auto-rotate: once the viewer has been left alone for `idle` seconds the
// view turns at a steady angular speed, stepped by the render loop; it
// turns back at a partial panorama's edge, stops on any user input and
// never runs while the reader prefers reduced motion.
import { bearingDifference, onUserInput, watchReducedMotion } from './dom.js';

// A bearing this far from the one asked for means the engine held the view
// at an edge. Wider than the rounding of a view to whole degrees or pixels.
const EDGE_DEGREES = 2.5;

export class AutoRotate {
  // `speed` in degrees per second (negative turns left), `idle` in seconds.
  constructor(viewer, { speed, idle = 3 }) {
    this.viewer = viewer;
    this.rate = Math.abs(Number(speed) || 0);
    this.direction = speed < 0 ? -1 : 1;
    this.idleMs = Math.max(0, Number(idle) || 0) * 1000;
    this.reduced = false;
    this.held = false;
    this.timer = 0;
    this.stopStep = null;
    this.stopInput = onUserInput(viewer.host, () => this.restart());
    this.onLoad = () => this.restart();
    viewer.host.addEventListener('load', this.onLoad);
    this.stopWatching = watchReducedMotion((reduced) => {
      this.reduced = reduced;
      this.restart();
    });
  }

  get running() {
    return this.stopStep !== null;
  }

  // Stops turning; turning starts again after the idle time.
  restart() {
    this.stop();
    if (this.reduced || this.held || !this.rate || !this.viewer.view) return;
    this.timer = setTimeout(() => this.begin(), this.idleMs);
  }

  stop() {
    clearTimeout(this.timer);
    this.stopStep?.();
    this.timer = 0;
    this.stopStep = null;
  }

  // While held (the device steers the view), it never starts.
  hold(held) {
    this.held = held;
    this.restart();
  }

  begin() {
    if (!this.viewer.view) return;
    this.taken = null;
    this.stopStep = this.viewer.loop.animate((seconds) => this.step(seconds));
  }

  // Turning starts from the view on show, and starts again from wherever
  // the page put the view (setView, the address); otherwise pitch and zoom
  // stay exactly as they were, not as read back after each step.
  adopt(view) {
    if (
      this.taken &&
      view.bearing === this.taken.bearing &&
      view.pitch === this.taken.pitch &&
      view.zoom === this.taken.zoom
    )
      return;
    this.fixed = { pitch: view.pitch, zoom: view.zoom };
    this.bearing = view.bearing;
  }

  // One frame's turn, `seconds` after the last; false once it has stopped.
  step(seconds) {
    const view = this.viewer.view;
    if (!view) {
      this.stop();
      return false;
    }
    this.adopt(view);
    if (!seconds) return true;
    const target = this.bearing + this.direction * this.rate * seconds;
    this.viewer.setView({ bearing: ((target % 360) + 360) % 360, ...this.fixed });
    this.taken = this.viewer.view;
    if (!this.taken) {
      this.stop();
    } else if (Math.abs(bearingDifference(this.taken.bearing, target)) > EDGE_DEGREES) {
      this.direction = -this.direction;
      this.bearing = this.taken.bearing;
    } else {
      this.bearing = target;
    }
    return this.running;
  }

  destroy() {
    this.stop();
    this.stopInput();
    this.stopWatching();
    this.viewer.host.removeEventListener('load', this.onLoad);
  }
}
