// <kal-viewer src=… attribs=… bearing=… pitch=… zoom=…>: the viewer as an
// element. Importing this module defines it; the element is the viewer's
// host, so the viewer's events are the element's. A tour comes as JSON in a
// `tour` attribute or a child <script type="application/json">.
import { KalViewer } from './kalvoria.js';
import { checkTour } from './tour.js';

const VIEW_ATTRIBUTES = ['bearing', 'pitch', 'zoom'];

function numberAttribute(element, name) {
  const text = element.getAttribute(name);
  const value = text === null || text.trim() === '' ? NaN : Number(text);
  return Number.isFinite(value) ? value : undefined;
}

export class KalViewerElement extends HTMLElement {
  static get observedAttributes() {
    return ['src', 'attribs', ...VIEW_ATTRIBUTES];
  }

  constructor() {
    super();
    this.viewer = null;
    this.opened = false;
    this.touring = false;
    this.pending = 0;
  }

  connectedCallback() {
    if (this.viewer) return;
    const doc = this.ownerDocument;
    // Defined before the parser reached it, the element has no children yet.
    if (doc.readyState === 'loading') {
      doc.addEventListener('DOMContentLoaded', () => this.isConnected && this.connectedCallback(), { once: true });
      return;
    }
    const wasm = this.getAttribute('wasm');
    const options = {
      ...(wasm ? { wasmUrl: new URL(wasm, doc.baseURI) } : {}),
      autoRotate: numberAttribute(this, 'auto-rotate') ?? 0,
      idle: numberAttribute(this, 'idle') ?? 3,
      deepLink: this.hasAttribute('deep-link'),
      deviceOrientation: this.hasAttribute('device-orientation'),
      showZoomCtrl: this.hasAttribute('show-zoom-ctrl'),
      outlineHotspots: this.hasAttribute('outline-hotspots'),
    };
    let tour;
    try {
      tour = this.readTour();
    } catch (error) {
      // A viewer without the tour, to say why.
      this.viewer = new KalViewer(this, options);
      this.viewer.fail(`Cannot read the tour: ${error.message}`);
      return;
    }
    this.viewer = new KalViewer(this, { ...options, tour });
    this.touring = tour !== null; // the tour's scenes, not src and attribs, say what opens
    this.reopen();
  }

  // The tour the element holds (its attribute first), or null; throws for
  // text that is no JSON or a tour without scenes.
  readTour() {
    const script = this.querySelector(':scope > script[type="application/json"]');
    const text = this.getAttribute('tour') ?? script?.textContent ?? null;
    if (text === null || !text.trim()) return null;
    const tour = JSON.parse(text);
    checkTour(tour);
    return tour;
  }

  // Moving the element elsewhere in the page disconnects and reconnects it
  // at once: only an element still out of the page after that is taken down.
  disconnectedCallback() {
    queueMicrotask(() => {
      if (this.isConnected || !this.viewer) return;
      this.viewer.destroy();
      this.viewer = null;
      this.opened = false;
    });
  }

  attributeChangedCallback(name, before, after) {
    if (!this.viewer || before === after) return;
    if (name === 'src' || name === 'attribs') this.reopen();
    else if (this.opened || this.touring) this.viewer.setView(this.attributeView());
  }

  // The view the attributes give; absent ones keep the viewer's.
  attributeView() {
    const view = {};
    for (const name of VIEW_ATTRIBUTES) {
      const value = numberAttribute(this, name);
      if (value !== undefined) view[name] = value;
    }
    const now = this.viewer.view;
    return now ? { bearing: now.bearing, pitch: now.pitch, zoom: now.zoom, ...view } : view;
  }

  // src and attribs changed together open once, after the current task.
  reopen() {
    const ticket = ++this.pending;
    queueMicrotask(async () => {
      const src = this.getAttribute('src');
      if (ticket !== this.pending || !src || !this.viewer || this.touring) return;
      const viewer = this.viewer;
      const ok = await viewer.openUrl(new URL(src, this.ownerDocument.baseURI), this.attribsUrl());
      if (!ok || ticket !== this.pending || viewer !== this.viewer) return;
      // On the first open, a view in the page's address wins over the attributes.
      const addressed = !this.opened && viewer.shell.link?.initial.view;
      this.opened = true;
      if (!addressed && VIEW_ATTRIBUTES.some((name) => this.hasAttribute(name))) viewer.setView(this.attributeView());
    });
  }

  attribsUrl() {
    const attribs = this.getAttribute('attribs');
    return attribs ? new URL(attribs, this.ownerDocument.baseURI) : null;
  }
}

if (!customElements.get('kal-viewer')) customElements.define('kal-viewer', KalViewerElement);
