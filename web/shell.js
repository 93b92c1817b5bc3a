// What a page author gets around the picture, each part built from the
// viewer's options: controls, auto-rotate, deep links, tours, device
// orientation and the hotspot descriptions for assistive technology.
import { AutoRotate } from './autorotate.js';
import { Controls } from './controls.js';
import { DeepLink } from './deep_link.js';
import { installStyles, make } from './dom.js';
import { DeviceOrientation } from './orientation.js';
import { checkTour, sceneOfText, Tour } from './tour.js';

let described = 0;

// Gives the canvas an accessible description of the hotspot that the Tab
// walk is on: its label and, unless it only links a scene, its text.
class HotspotDescription {
  constructor(viewer) {
    this.canvas = viewer.canvas;
    this.host = viewer.host;
    this.element = make(this.host, 'div', 'kal-hidden-text', { id: `kal-hotspot-${++described}` });
    this.onFocus = (event) => this.describe(event.detail);
    this.host.addEventListener('hotspotfocus', this.onFocus);
  }

  describe(hotspot) {
    if (!hotspot) {
      this.canvas.removeAttribute('aria-describedby');
      this.element.textContent = '';
      return;
    }
    const text = sceneOfText(hotspot.text) === null ? hotspot.text : '';
    this.element.textContent = text ? `${hotspot.label}: ${text}` : hotspot.label;
    this.canvas.setAttribute('aria-describedby', this.element.id);
  }

  destroy() {
    this.host.removeEventListener('hotspotfocus', this.onFocus);
    this.canvas.removeAttribute('aria-describedby');
    this.element.remove();
  }
}

export class Shell {
  // Options: autoRotate (degrees per second), idle (seconds), deepLink,
  // tour, crossfade (ms), deviceOrientation, fullscreenButton, showZoomCtrl,
  // preview (a picture's URL). See kalvoria.d.ts.
  constructor(
    viewer,
    {
      autoRotate = 0,
      idle = 3,
      deepLink = false,
      tour = null,
      crossfade,
      deviceOrientation = false,
      fullscreenButton = true,
      showZoomCtrl = false,
      preview = null,
    } = {},
  ) {
    this.viewer = viewer;
    installStyles(viewer.host.ownerDocument);
    this.controls = new Controls(viewer, { fullscreenButton, zoomButtons: Boolean(showZoomCtrl), preview });
    this.description = new HotspotDescription(viewer);
    this.tour = tour ? new Tour(viewer, tour, { crossfade }) : null;
    if (deepLink) {
      this.link = new DeepLink(viewer, {
        scene: () => this.tour?.current ?? undefined,
        navigate: (state) => this.navigate(state),
      });
      if (this.tour) this.tour.link = this.link;
      else this.openAtAddress();
    }
    this.rotate = autoRotate ? new AutoRotate(viewer, { speed: autoRotate, idle }) : null;
    this.orientation = deviceOrientation
      ? new DeviceOrientation(viewer, this.controls.bar, (on) => this.rotate?.hold(on))
      : null;
  }

  // Throws for options the constructor would refuse, before the viewer
  // builds anything.
  static check({ tour = null, crossfade, preview = null } = {}) {
    if (tour) checkTour(tour);
    if (crossfade !== undefined && !(typeof crossfade === 'number' && crossfade >= 0 && crossfade < Infinity))
      throw new TypeError(`crossfade must be milliseconds, 0 or more, not ${crossfade}`);
    if (preview !== null && typeof preview !== 'string' && !(preview instanceof URL))
      throw new TypeError(`preview must be a picture's URL, not ${preview}`);
  }

  // Opens the tour's first scene; resolves whether it shows (true without a tour).
  start() {
    return this.tour ? this.tour.begin() : Promise.resolve(true);
  }

  // The first panorama to open takes the view the address names.
  openAtAddress() {
    const { view } = this.link.initial;
    if (!view) return;
    const host = this.viewer.host;
    const once = () => {
      host.removeEventListener('load', once);
      this.viewer.setView(view);
    };
    host.addEventListener('load', once);
    this.stopOpenAtAddress = () => host.removeEventListener('load', once);
  }

  // The reader changed the address (Back, Forward, an edited hash).
  navigate({ scene, view }) {
    const tour = this.tour;
    if (tour && tour.has(scene) && scene !== tour.current) {
      tour.open(scene, { view });
    } else if (view) {
      this.viewer.setView(view);
    }
  }

  destroy() {
    this.stopOpenAtAddress?.();
    for (const part of [this.rotate, this.orientation, this.link, this.tour, this.description, this.controls])
      part?.destroy();
  }
}
