// The pointer over the view and what the engine notes of it: the hotspot
// under the mouse (its tooltip beside the pointer), the cursor, and the
// hotspot a click or tap picks, fired as `hotspot`.
import { KN, NO_HOTSPOT } from './engine.js';

export class PointerNotes {
  // `viewer` offers: session, canvas, drag, draggable, input, keys, fire(),
  // hotspot(), overlay.
  constructor(viewer) {
    this.viewer = viewer;
    this.pointer = null; // the mouse's last client point
  }

  // The mouse over the view, not pressed: the engine looks for hotspots.
  hover(vx, vy, clientX, clientY) {
    if (!this.viewer.session) return;
    this.pointer = [clientX, clientY];
    this.viewer.session.hover(vx, vy);
    this.notes();
  }

  leave() {
    if (!this.viewer.session) return;
    this.viewer.session.leave();
    this.notes();
  }

  // A click or tap: the hotspot under it, if any, is picked.
  pick(vx, vy) {
    const { session } = this.viewer;
    if (!session) return;
    const index = session.hitTest(vx, vy);
    if (index >= 0) this.viewer.fire('hotspot', this.viewer.hotspot(index));
  }

  // The engine's notifications since the last look, and the cursor.
  notes() {
    const viewer = this.viewer;
    for (const { code, value } of viewer.session.notifications()) {
      if (code === KN.HITHOTSPOT) this.hoverHotspot(value === NO_HOTSPOT ? -1 : value);
      else if (code === KN.SELHOTSPOT) viewer.fire('hotspot', viewer.hotspot(value));
    }
    this.cursorChanged();
  }

  cursorChanged() {
    const viewer = this.viewer;
    if (!viewer.session) return;
    const shape = viewer.session.cursor();
    const grab = viewer.drag === 'grab' && viewer.draggable,
      grabbing = grab && viewer.input?.dragging;
    viewer.canvas.style.cursor = grabbing ? 'grabbing' : shape === 'default' && grab ? 'grab' : shape;
  }

  hoverHotspot(index) {
    const viewer = this.viewer;
    if (index < 0) {
      if (!viewer.keys.walking) viewer.overlay.hideTooltip();
      return;
    }
    const box = viewer.canvas.getBoundingClientRect(),
      [cx, cy] = this.pointer ?? [box.left, box.top];
    viewer.overlay.showTooltip(viewer.hotspot(index).label, cx - box.left + 12, cy - box.top + 16);
  }
}
