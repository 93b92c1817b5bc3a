// The viewer's keyboard: arrows steer, + and - zoom, Home returns, Space
// stops, F goes fullscreen, and Tab walks the hotspots of the view on show
// with Enter picking the one in focus.
import { ZOOM_STEP } from './input.js';
import { viewSize } from './view_geometry.js';

// Keys that zoom, by the factor they zoom with.
const ZOOM_KEYS = { '+': ZOOM_STEP, '=': ZOOM_STEP, '-': 1 / ZOOM_STEP, _: 1 / ZOOM_STEP };

export class Keys {
  // `viewer` offers: session, canvas, motion, zoom, keyboardZoom, startView, changed(),
  // zoomTo(), setView(), hotspot(), toggleFullscreen(), fire(), overlay.
  constructor(viewer) {
    this.viewer = viewer;
    this.walk = -1; // position in the hotspot walk; -1: the viewer itself
    this.visible = [];
  }

  keyDown(event) {
    const viewer = this.viewer;
    if (!viewer.session || event.altKey || event.ctrlKey || event.metaKey) return;
    if (event.key === 'Tab') {
      this.walkHotspots(event);
      return;
    }
    if (event.key === 'Enter' && this.walk >= 0) {
      event.preventDefault();
      viewer.fire('hotspot', viewer.hotspot(this.visible[this.walk].index));
      return;
    }
    if (viewer.motion.pressKey(event.key)) {
      event.preventDefault();
      viewer.changed();
      return;
    }
    const zoom = viewer.keyboardZoom && ZOOM_KEYS[event.key];
    if (zoom) {
      event.preventDefault();
      viewer.zoomTo(viewer.zoom * zoom);
    } else if (event.key === 'Escape') {
      this.endWalk();
      viewer.overlay.hideTooltip();
    } else if (event.key === 'Home' && viewer.startView) {
      event.preventDefault();
      viewer.setView(viewer.startView);
    } else if (event.key === ' ') {
      event.preventDefault();
      viewer.motion.stop();
    } else if (event.key === 'f' || event.key === 'F') {
      event.preventDefault();
      viewer.toggleFullscreen();
    }
  }

  keyUp(event) {
    if (this.viewer.session && this.viewer.motion.releaseKey(event.key)) this.viewer.changed();
  }

  // Tab and Shift+Tab step through the hotspots of the current view, left to
  // right; past either end the focus leaves as usual.
  walkHotspots(event) {
    const { canvas, overlay } = this.viewer,
      [width, height] = viewSize(this.viewer);
    if (this.walk < 0 && !event.shiftKey) {
      const step = Math.max(4, Math.round(Math.min(width, height) / 48));
      this.visible = this.viewer.session.visibleHotspots(step);
    }
    const next = this.walk + (event.shiftKey ? -1 : 1);
    if (next >= this.visible.length || (this.walk < 0 && event.shiftKey)) {
      this.endWalk();
      return;
    }
    event.preventDefault();
    this.walk = next;
    if (next < 0) {
      overlay.hideTooltip();
      this.viewer.fire('hotspotfocus', null);
      return;
    }
    const spot = this.visible[next],
      box = canvas.getBoundingClientRect(),
      hotspot = this.viewer.hotspot(spot.index);
    overlay.showTooltip(hotspot.label, (spot.x * box.width) / width, (spot.y * box.height) / height);
    this.viewer.fire('hotspotfocus', hotspot);
  }

  get walking() {
    return this.walk >= 0;
  }

  endWalk() {
    if (this.walk >= 0) {
      this.viewer.overlay.hideTooltip();
      this.viewer.fire('hotspotfocus', null);
    }
    this.walk = -1;
  }
}
