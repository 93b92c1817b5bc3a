// Hotspots the page places by heading and pitch: elements over the canvas,
// moved to their direction's point with every painted frame and hidden where
// the view does not show it. The options' hotspots stay for the viewer's
// life; a tour scene's, and those added from script, for the panorama on show.

import { viewSize } from './view_geometry.js';

const FOREVER = Infinity; // the lifetime of the options' hotspots
const OUTLINE_STEPS = 8; // points along each edge of an outlined rectangle
const SVG = 'http://www.w3.org/2000/svg';

// An SVG path through `points` ([x, y] or null where not shown), closed
// when every point shows; scaled by sx, sy.
function outlinePath(points, sx, sy) {
  const shown = points.every(Boolean);
  // Start after a gap, so that no visible run is split at the array's end.
  const start = shown ? 0 : points.findIndex((p, i) => p && !points[(i + points.length - 1) % points.length]);
  if (start < 0) return '';
  let d = '',
    pen = false;
  for (let k = 0; k < points.length; k++) {
    const p = points[(start + k) % points.length];
    if (!p) {
      pen = false;
      continue;
    }
    d += `${pen ? 'L' : 'M'}${(p[0] * sx).toFixed(1)} ${(p[1] * sy).toFixed(1)}`;
    pen = true;
  }
  return shown ? `${d}Z` : d;
}

// Throws a TypeError unless `spots` is a list of hotspots with distinct ids.
export function checkHotspots(spots, where = 'hotspots') {
  if (!Array.isArray(spots)) throw new TypeError(`${where} must be a list of hotspots, not ${spots}`);
  const ids = new Set();
  for (const spot of spots) {
    checkHotspot(spot);
    if (ids.has(spot.id)) throw new TypeError(`${where} has two hotspots "${spot.id}"`);
    ids.add(spot.id);
  }
}

function checkHotspot(spot) {
  if (spot === null || typeof spot !== 'object') throw new TypeError(`a hotspot must be an object, not ${spot}`);
  const { id, heading, pitch, text, className = '', href, scene, view, element } = spot;
  const bad = (what) => {
    throw new TypeError(`hotspot ${typeof id === 'string' ? `"${id}"` : ''}: ${what}`);
  };
  if (typeof id !== 'string' || !id) bad(`id must be a non-empty string, not ${id}`);
  if (!Number.isFinite(heading)) bad(`heading must be a number of degrees, not ${heading}`);
  if (!Number.isFinite(pitch) || Math.abs(pitch) > 90) bad(`pitch must be degrees from -90 to 90, not ${pitch}`);
  if (typeof text !== 'string' || (!text && !element)) bad(`text must name it, not ${text}`);
  if (typeof className !== 'string') bad(`className must be a string, not ${className}`);
  if (href !== undefined && scene !== undefined) bad('it takes an href or a scene, not both');
  if (scene !== undefined && typeof scene !== 'string') bad(`scene must be a scene's id, not ${scene}`);
  if (href !== undefined) {
    if (typeof href !== 'string' && !(href instanceof URL)) bad(`href must be an address, not ${href}`);
    // A tour's JSON may come from elsewhere: no script runs from an address.
    if (new URL(href, document.baseURI).protocol === 'javascript:') bad('href must not be a javascript: address');
  }
  if (view !== undefined && (view === null || typeof view !== 'object')) bad(`view must be a view, not ${view}`);
  if (element !== undefined && !(element instanceof Element)) bad(`element must be an element, not ${element}`);
}

// What the viewer changes on a page's element, to give back when it goes.
const CHANGED = ['class', 'style', 'aria-label', 'tabindex', 'role'];

function attributes(element) {
  return CHANGED.map((name) => element.getAttribute(name));
}

function restore(element, saved) {
  // Read first: Chromium writes element.style changes into the attribute
  // lazily, and removing it before then leaves style="".
  attributes(element);
  CHANGED.forEach((name, i) => {
    if (saved[i] === null) element.removeAttribute(name);
    else element.setAttribute(name, saved[i]);
  });
}

export class Hotspots {
  // `viewer` offers: host, canvas, session, hotspotCount, overlay,
  // shell.tour, fail(), fire(), setView(), guard(). `spots`: the options'
  // hotspots, checked. `outline`: draw the attribute file's rectangles.
  constructor(viewer, spots, outline = false) {
    this.viewer = viewer;
    this.spots = new Map(); // id -> { spot, element, until, saved, display, stop, x, y }
    this.panorama = 0; // panoramas opened so far
    this.tipFor = null; // the hotspot whose text the tooltip shows
    this.layer = viewer.host.ownerDocument.createElement('div');
    this.layer.className = 'kal-hotspots';
    // Over the canvas and clipped to it; only the hotspots take the pointer.
    Object.assign(this.layer.style, { position: 'absolute', overflow: 'hidden', pointerEvents: 'none' });
    viewer.canvas.after(this.layer); // under the tooltip and the controls
    this.outlines = null; // the rectangles' SVG, when outlined
    if (outline) {
      this.outlines = viewer.host.ownerDocument.createElementNS(SVG, 'svg');
      this.outlines.setAttribute('class', 'kal-outlines');
      this.outlines.setAttribute('aria-hidden', 'true');
      this.layer.append(this.outlines);
    }
    for (const spot of spots) this.put(spot, FOREVER);
    this.onScene = viewer.guard((event) => this.showScene(event.detail.id));
    viewer.host.addEventListener('scenechange', this.onScene);
  }

  // Adds a hotspot to the panorama on show (or, before one shows, to the
  // first); throws for a bad one or an id already taken.
  add(spot) {
    checkHotspot(spot);
    if (this.spots.has(spot.id)) throw new TypeError(`a hotspot "${spot.id}" is already there`);
    this.put(spot, this.viewer.session ? this.panorama : this.panorama + 1);
    this.place();
  }

  // Removes the hotspot `id`; returns whether there was one.
  remove(id) {
    const entry = this.spots.get(id);
    if (!entry) return false;
    if (this.tipFor === entry) this.hideTip();
    entry.stop.abort();
    entry.element.remove();
    restore(entry.element, entry.saved);
    this.spots.delete(id);
    return true;
  }

  // A copy of `spot`: what was checked is what shows.
  put(original, until) {
    const spot = { ...original };
    this.remove(spot.id);
    const doc = this.viewer.host.ownerDocument,
      element = spot.element ?? doc.createElement('button');
    const saved = attributes(element);
    if (!spot.element) {
      element.type = 'button';
      element.classList.add('kal-hotspot-dot');
    }
    element.classList.add('kal-hotspot', ...(spot.className ?? '').split(/\s+/).filter(Boolean));
    if (spot.text) element.setAttribute('aria-label', spot.text);
    if (element.tabIndex < 0) element.tabIndex = 0; // the page's element is reached by Tab too
    if (!element.matches('button, a[href]') && !element.hasAttribute('role')) element.setAttribute('role', 'button');
    element.style.position = 'absolute';
    const entry = { spot, element, until, saved, display: element.style.display, stop: new AbortController() };
    const on = (type, handler) =>
      element.addEventListener(type, this.viewer.guard(handler), { signal: entry.stop.signal });
    on('pointerenter', () => this.showTip(entry));
    on('pointerdown', () => this.showTip(entry)); // a tap shows it too
    on('focus', () => this.showTip(entry));
    on('pointerleave', (event) => {
      if (event.pointerType === 'mouse') this.hideTip();
    });
    on('blur', () => this.hideTip());
    on('click', () => this.follow(spot));
    on('keydown', (event) => {
      // A button clicks on Enter by itself; the page's other elements do not.
      if (event.key !== 'Enter' || element instanceof HTMLButtonElement) return;
      event.preventDefault();
      this.follow(spot);
    });
    element.style.display = 'none'; // until place() finds its point
    this.spots.set(spot.id, entry);
    this.layer.append(element);
  }

  // A new panorama shows: the last one's hotspots go.
  opened() {
    this.panorama++;
    for (const [id, entry] of this.spots) if (entry.until < this.panorama) this.remove(id);
  }

  // The tour's scene `id` is on show with its own hotspots, if it has any.
  showScene(id) {
    const spots = this.viewer.shell?.tour?.scenes[id]?.hotspots ?? [];
    for (const spot of spots) if (this.spots.get(spot.id)?.until !== FOREVER) this.put(spot, this.panorama);
    this.place();
  }

  follow(spot) {
    const viewer = this.viewer;
    viewer.fire('hotspot', { id: spot.id, text: spot.text });
    if (spot.href !== undefined) {
      window.location.assign(String(spot.href));
    } else if (spot.scene !== undefined) {
      const tour = viewer.shell?.tour;
      if (tour) tour.open(spot.scene, { view: spot.view ?? null, push: true });
      else viewer.fail(`The hotspot "${spot.id}" opens a scene, but the viewer has no tour`);
    } else if (spot.view) {
      viewer.setView(spot.view);
    }
  }

  // Every hotspot at its direction's point on the canvas, in CSS pixels;
  // hidden where the view does not show it. Reads the layout before writing.
  place() {
    const { canvas, session } = this.viewer;
    if (!session || (!this.spots.size && !this.outlines)) return;
    const left = canvas.offsetLeft,
      top = canvas.offsetTop,
      width = canvas.clientWidth,
      height = canvas.clientHeight;
    const [viewWidth, viewHeight] = viewSize(this.viewer),
      sx = width / viewWidth,
      sy = height / viewHeight;
    const tip = this.tipFor && !this.viewer.overlay.tooltip.hidden ? this.tipFor : null;
    const tipHeight = tip?.element.offsetHeight ?? 0;
    Object.assign(this.layer.style, { left: `${left}px`, top: `${top}px`, width: `${width}px`, height: `${height}px` });
    if (this.outlines) this.outline(sx, sy);
    for (const entry of this.spots.values()) {
      const point = session.pointOf(entry.spot.heading, entry.spot.pitch);
      const shown = point && point[0] >= 0 && point[0] <= viewWidth && point[1] >= 0 && point[1] <= viewHeight;
      const { style } = entry.element;
      if (!shown) {
        style.display = 'none';
        if (entry === tip) this.hideTip();
        continue;
      }
      if (style.display === 'none') style.display = entry.display;
      entry.x = point[0] * sx;
      entry.y = point[1] * sy;
      style.left = `${entry.x}px`;
      style.top = `${entry.y}px`;
      if (entry === tip) this.tipAt(entry, left, top, tipHeight);
    }
  }

  // The attribute file's rectangles as the view shows them.
  outline(sx, sy) {
    const { session, hotspotCount } = this.viewer,
      paths = this.outlines.children;
    while (paths.length > hotspotCount) paths[paths.length - 1].remove();
    for (let i = 0; i < hotspotCount; i++) {
      if (i === paths.length) {
        const path = this.outlines.ownerDocument.createElementNS(SVG, 'path');
        path.setAttribute('class', 'kal-outline');
        this.outlines.append(path);
      }
      const points = session.hotspotOutline(i, OUTLINE_STEPS);
      paths[i].setAttribute('d', points ? outlinePath(points, sx, sy) : '');
    }
  }

  showTip(entry) {
    if (!entry.spot.text || entry.x === undefined || entry.element.style.display === 'none') return;
    this.tipFor = entry;
    this.tipAt(entry, this.viewer.canvas.offsetLeft, this.viewer.canvas.offsetTop, entry.element.offsetHeight);
  }

  // The tooltip just below the hotspot, whose centre is its point.
  tipAt(entry, left, top, height) {
    this.viewer.overlay.showTooltip(entry.spot.text, left + entry.x, top + entry.y + height / 2 + 4);
  }

  hideTip() {
    if (this.tipFor) this.viewer.overlay.hideTooltip();
    this.tipFor = null;
  }

  destroy() {
    this.viewer.host.removeEventListener('scenechange', this.onScene);
    for (const id of [...this.spots.keys()]) this.remove(id);
    this.layer.remove();
  }
}
