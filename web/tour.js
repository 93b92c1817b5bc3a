// Tours: several panoramas joined by hotspots. A hotspot whose text is
// `scene:ID` (optionally followed by a space and any words) opens scene ID
// with a crossfade (FADE_MS unless the page says) and fires `scenechange`.
import { prefersReducedMotion } from './dom.js';
import { checkHotspots } from './hotspots.js';

const FADE_MS = 400;

// Throws unless `tour` has scenes.
export function checkTour(tour) {
  const scenes = tour?.scenes;
  if (!scenes || typeof scenes !== 'object' || !Object.keys(scenes).length) throw new TypeError('a tour needs scenes');
  for (const [id, scene] of Object.entries(scenes))
    if (scene?.hotspots !== undefined) checkHotspots(scene.hotspots, `scene "${id}": hotspots`);
}

// The scene a hotspot text names, or null.
export function sceneOfText(text) {
  const match = /^scene:(\S+)/.exec(text ?? '');
  return match ? match[1] : null;
}

export class Tour {
  // `tour`: { scenes: { id: { src, attribs, view, hotspots } }, start }
  // (hotspots.js places a scene's hotspots while it shows). `link` is the
  // deep link, when the page asked for one. `crossfade`: milliseconds; 0 none.
  constructor(viewer, tour, { crossfade = FADE_MS } = {}) {
    checkTour(tour);
    const scenes = tour.scenes;
    this.viewer = viewer;
    this.crossfade = crossfade;
    this.scenes = scenes;
    this.start = Object.hasOwn(scenes, tour.start) ? tour.start : Object.keys(scenes)[0];
    this.current = null;
    this.link = null;
    this.queue = Promise.resolve();
    this.wanted = 0;
    this.onHotspot = (event) => {
      if (event.detail?.index === undefined) return; // the page's own hotspots name their scene apart
      const id = sceneOfText(event.detail.text);
      if (id !== null) this.open(id, { push: true });
    };
    viewer.host.addEventListener('hotspot', this.onHotspot);
  }

  has(id) {
    return typeof id === 'string' && Object.hasOwn(this.scenes, id);
  }

  // Opens the first scene: the address's when a deep link names one.
  begin() {
    const initial = this.link?.initial ?? {};
    return this.has(initial.scene)
      ? this.open(initial.scene, { view: initial.view })
      : this.open(this.start, { view: initial.view });
  }

  // Opens scene `id` at `view` (or the scene's own); `push` adds a history
  // entry when the address follows the view. Opens run one after another,
  // and one overtaken by a newer request is skipped. Resolves whether it shows.
  open(id, { view = null, push = false } = {}) {
    if (!this.has(id)) {
      this.viewer.fail?.(`The tour has no scene "${id}"`);
      return Promise.resolve(false);
    }
    const ticket = ++this.wanted;
    const run = () => (ticket === this.wanted ? this.show(id, view, push) : false);
    this.queue = this.queue.then(run, run);
    return this.queue;
  }

  async show(id, view, push) {
    const scene = this.scenes[id],
      previous = this.current;
    if (push) this.link?.write(false); // the entry we leave keeps its last view
    const fade = previous !== null ? this.snapshot() : null;
    const ok = await this.viewer.openUrl(scene.src, scene.attribs ?? null);
    if (!ok) {
      fade?.remove();
      return false;
    }
    const place = view ?? scene.view;
    if (place) this.viewer.setView(place);
    this.current = id;
    if (this.link) this.link.write(push && previous !== null);
    this.fadeOut(fade);
    this.viewer.fire('scenechange', { id, previous });
    return true;
  }

  // A still copy of the picture on show, laid over it while the next one
  // opens; none under reduced motion or where the canvas cannot be copied.
  snapshot() {
    const { canvas, host } = this.viewer;
    if (prefersReducedMotion() || !this.crossfade || !canvas?.width) return null;
    const still = host.ownerDocument.createElement('canvas');
    still.className = 'kal-fade';
    still.setAttribute('aria-hidden', 'true');
    still.width = canvas.width;
    still.height = canvas.height;
    try {
      still.getContext('2d').drawImage(canvas, 0, 0);
    } catch {
      return null;
    }
    canvas.after(still); // under the controls
    return still;
  }

  fadeOut(still) {
    if (!still) return;
    still
      .animate([{ opacity: 1 }, { opacity: 0 }], { duration: this.crossfade, easing: 'ease-out' })
      .finished.catch(() => {})
      .then(() => still.remove());
  }

  destroy() {
    this.wanted++;
    this.viewer.host.removeEventListener('hotspot', this.onHotspot);
    for (const still of this.viewer.host.querySelectorAll(':scope > .kal-fade')) still.remove();
  }
}
