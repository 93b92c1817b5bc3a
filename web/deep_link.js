// Deep links: the view (and a tour's scene) kept in the page's URL hash as
// `#scene=ID&view=BEARING,PITCH,ZOOM`, so that the address reopens the same
// view. Other parts of the hash are left as they are.

// The address follows the view at most this often: browsers throttle
// pages that rewrite their address on every frame.
const WRITE_DELAY_MS = 250;

function number(text) {
  const value = text === '' ? NaN : Number(text);
  return Number.isFinite(value) ? value : undefined;
}

// { scene, view } from a hash such as '#scene=hall&view=90,0,1.5'; fields
// that are missing or malformed are left out.
export function parseHash(hash) {
  const state = {};
  for (const part of hash.replace(/^#/, '').split('&')) {
    const [key, ...rest] = part.split('=');
    const value = rest.join('=');
    if (key === 'scene' && value) {
      try {
        state.scene = decodeURIComponent(value);
      } catch {
        /* not ours to mend */
      }
    } else if (key === 'view') {
      const [bearing, pitch, zoom] = value.split(',').map(number);
      const view = {};
      if (bearing !== undefined) view.bearing = ((bearing % 360) + 360) % 360;
      if (pitch !== undefined) view.pitch = pitch;
      if (zoom !== undefined && zoom > 0) view.zoom = zoom;
      if (Object.keys(view).length) state.view = view;
    }
  }
  return state;
}

const short = (value) => `${Number(value.toFixed(3))}`;

// `hash` with its scene and view replaced by those given.
export function formatHash(hash, { scene, view }) {
  const kept = hash
    .replace(/^#/, '')
    .split('&')
    .filter((part) => part && !/^(scene|view)(=|$)/.test(part));
  const ours = [];
  if (scene) ours.push(`scene=${encodeURIComponent(scene)}`);
  if (view) {
    const bearing = Number((((view.bearing % 360) + 360) % 360).toFixed(3)) % 360; // 359.9996 is 0
    ours.push(`view=${bearing},${short(view.pitch)},${short(view.zoom)}`);
  }
  return `#${[...ours, ...kept].join('&')}`;
}

export class DeepLink {
  // `scene()` names the scene on show (or nothing); `navigate(state)` is
  // called with { scene, view } when the reader changes the address.
  constructor(viewer, { scene = () => undefined, navigate }) {
    this.viewer = viewer;
    this.scene = scene;
    this.navigate = navigate;
    this.win = viewer.host.ownerDocument.defaultView;
    this.initial = parseHash(this.win.location.hash);
    this.handled = this.win.location.hash;
    this.timer = 0;
    this.onView = () => this.schedule();
    this.onAddress = () => this.follow();
    viewer.host.addEventListener('viewchange', this.onView);
    this.win.addEventListener('hashchange', this.onAddress);
    this.win.addEventListener('popstate', this.onAddress);
  }

  schedule() {
    this.timer ||= setTimeout(() => this.write(false), WRITE_DELAY_MS);
  }

  // Writes the current scene and view into the address; `push` makes a new
  // history entry (a move to another scene), otherwise the entry is updated.
  write(push) {
    clearTimeout(this.timer);
    this.timer = 0;
    const view = this.viewer.view;
    if (!view) return;
    const { location, history } = this.win;
    const hash = formatHash(location.hash, { scene: this.scene(), view });
    if (hash === location.hash && !push) return;
    try {
      if (push) history.pushState(null, '', hash);
      else history.replaceState(history.state, '', hash);
    } catch {
      return; // a sandboxed page may not rewrite its address
    }
    this.handled = location.hash;
  }

  // Back, forward or an edited address: both popstate and hashchange may
  // come for one change, so only a hash not yet handled counts.
  follow() {
    const hash = this.win.location.hash;
    if (hash === this.handled) return;
    this.handled = hash;
    clearTimeout(this.timer);
    this.timer = 0;
    this.navigate(parseHash(hash));
  }

  destroy() {
    clearTimeout(this.timer);
    this.viewer.host.removeEventListener('viewchange', this.onView);
    this.win.removeEventListener('hashchange', this.onAddress);
    this.win.removeEventListener('popstate', this.onAddress);
  }
}
