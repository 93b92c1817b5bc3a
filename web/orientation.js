// Device orientation on phones, opt-in: a button turns it on (asking for
// the permission where the browser wants one), then the way the phone's
// back faces steers the view. Any other input turns it off again.
import { makeButton, onUserInput } from './dom.js';

// A phone between two arcs.
const ICON =
  'M9 2h6a2 2 0 0 1 2 2v16a2 2 0 0 1-2 2H9a2 2 0 0 1-2-2V4a2 2 0 0 1 2-2zM3 8a10 10 0 0 0 0 8M21 8a10 10 0 0 1 0 8';

const RADIANS = Math.PI / 180;

// Where the back of a device looks, from the angles of a deviceorientation
// event (alpha about the vertical, beta about the device's x, gamma about
// its y, applied in that order): heading clockwise from alpha's zero, and
// pitch above the horizon, both in degrees. Roll does not matter to either.
export function deviceLook({ alpha, beta, gamma }) {
  const a = alpha * RADIANS,
    b = beta * RADIANS,
    g = gamma * RADIANS;
  const east = -Math.cos(a) * Math.sin(g) - Math.sin(a) * Math.sin(b) * Math.cos(g);
  const north = -Math.sin(a) * Math.sin(g) + Math.cos(a) * Math.sin(b) * Math.cos(g);
  const up = -Math.cos(b) * Math.cos(g);
  return {
    heading: (Math.atan2(east, north) / RADIANS + 360) % 360,
    pitch: Math.asin(Math.max(-1, Math.min(1, up))) / RADIANS,
  };
}

export class DeviceOrientation {
  // `bar` holds the button; `onActive(on)` hears when steering starts or stops.
  constructor(viewer, bar, onActive = () => {}) {
    this.viewer = viewer;
    this.win = viewer.host.ownerDocument.defaultView;
    this.onActive = onActive;
    this.active = false;
    this.latest = null;
    this.waiting = false;
    this.button = makeButton(bar, 'kal-orientation', 'Steer by turning the device', ICON);
    this.button.addEventListener('click', () => (this.active ? this.disable() : this.enable()));
    this.onEvent = (event) => this.take(event);
    this.stopInput = onUserInput(viewer.host, (event) => {
      if (this.active && !this.button.contains(event.target)) this.disable();
    });
  }

  // Resolves whether the device now steers the view. Call it from a click
  // or a tap: browsers that ask for permission ask only then.
  async enable() {
    const Event = this.win.DeviceOrientationEvent;
    if (!Event || !this.viewer.view) return false;
    if (typeof Event.requestPermission === 'function') {
      let answer = 'denied';
      try {
        answer = await Event.requestPermission();
      } catch {
        /* no gesture: denied */
      }
      if (answer !== 'granted') {
        this.viewer.fail?.('The browser did not allow the device orientation to be read', 'orientation');
        return false;
      }
    }
    if (this.active) return true;
    this.active = true;
    this.reference = null;
    this.win.addEventListener('deviceorientation', this.onEvent);
    this.button.setAttribute('aria-pressed', 'true');
    this.onActive(true);
    return true;
  }

  disable() {
    if (!this.active) return;
    this.active = false;
    this.win.removeEventListener('deviceorientation', this.onEvent);
    this.button.setAttribute('aria-pressed', 'false');
    this.onActive(false);
  }

  // Events may come faster than frames; the view follows the latest once a frame.
  take(event) {
    if (event.alpha === null || event.beta === null || event.gamma === null) return;
    this.latest = { alpha: event.alpha, beta: event.beta, gamma: event.gamma };
    if (this.waiting) return;
    this.waiting = true;
    this.viewer.loop.animate(() => {
      this.waiting = false;
      this.apply();
      return false;
    });
  }

  apply() {
    const view = this.viewer.view;
    if (!this.active || !view) return;
    const look = deviceLook(this.latest);
    // alpha's zero is wherever the device chose: the view on show when
    // steering starts is where the device looks then.
    this.reference ??= view.bearing - look.heading;
    const bearing = (((look.heading + this.reference) % 360) + 360) % 360;
    this.viewer.setView({ bearing, pitch: look.pitch, zoom: view.zoom });
  }

  destroy() {
    this.disable();
    this.stopInput();
    this.button.remove();
  }
}
