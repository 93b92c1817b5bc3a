// Where things are in the viewer: pointer positions in view pixels, the image
// point under a view point, turning an image point under a view point, and
// how many engine units make a degree. Each takes the viewer it works on. A
// continuous (true-colour) view counts its units in degrees and does the
// geometry in the module; an 8-bit view moves by whole image pixels.

import { VALUE } from './engine.js';

const value = (viewer, code) => viewer.session.value(code);
const continuous = (viewer) => viewer.session?.continuous ?? false;

// The view's size in pixels: the session's, which a moving frame on the
// canvas may show at a lower resolution.
export function viewSize(viewer) {
  const { session, canvas } = viewer;
  return session ? [session.width, session.height] : [canvas.width, canvas.height];
}

// A pointer position in view pixels, inside the view: whole pixels, or the
// exact point (pixel centres at +0.5) for a continuous view.
export function viewPoint(viewer, clientX, clientY) {
  const box = viewer.canvas.getBoundingClientRect(),
    [width, height] = viewSize(viewer),
    exact = continuous(viewer);
  const inside = (v, size) => (exact ? Math.min(size, Math.max(0, v)) : Math.min(size - 1, Math.max(0, Math.floor(v))));
  return [
    inside(((clientX - box.left) * width) / box.width, width),
    inside(((clientY - box.top) * height) / box.height, height),
  ];
}

// The image point shown at a view point: { column, row }, or null.
export function imagePoint(viewer, vx, vy) {
  const point = viewer.session?.mapPoint(vx, vy);
  return point ? { column: point[0], row: point[1] } : null;
}

// Engine units per degree now: degrees themselves on a continuous view;
// else image columns of bearing, and view pixels of pitch (the cylinder
// puts h rows at atan(h / radius), so rows grow toward the poles, and a row
// spans `zoom` view pixels).
export function unitsPerDegree(viewer) {
  if (continuous(viewer)) return { columns: 1, rows: 1 };
  const radius = value(viewer, VALUE.RADIUS),
    angle = value(viewer, VALUE.ANGLE) || 360;
  const { pitch, zoom } = viewer.view,
    cosine = Math.cos((pitch * Math.PI) / 180);
  return { columns: value(viewer, VALUE.SRCWIDTH) / angle, rows: (zoom * radius * Math.PI) / 180 / (cosine * cosine) };
}

// The short way between two bearings, -180 .. 180.
const turnBetween = (from, to) => ((((to - from) % 360) + 540) % 360) - 180;

// Turns so that the image point `anchor` shows at view point (vx, vy), as
// near as the limits allow. Returns the move made, in engine units.
export function alignPoint(viewer, anchor, vx, vy) {
  if (continuous(viewer)) {
    const before = viewer.view;
    viewer.session.align([anchor.column, anchor.row], vx, vy);
    viewer.changed();
    const after = viewer.view;
    return [turnBetween(before.bearing, after.bearing), after.pitch - before.pitch];
  }
  const width = value(viewer, VALUE.SRCWIDTH),
    full = (value(viewer, VALUE.ANGLE) || 360) === 360;
  // Columns wrap round a full circle: the short way.
  const across = (dx) => (full ? ((((dx % width) + width + width / 2) % width) - width / 2) | 0 : dx);
  const start = viewer.view;
  // The tilt makes the mapping slightly non-linear: further passes settle it.
  for (let pass = 0; pass < 3; pass++) {
    const seen = imagePoint(viewer, vx, vy);
    if (!seen) break;
    const dx = across(anchor.column - seen.column),
      dy = seen.row - anchor.row;
    if (!dx && !dy) break;
    const before = viewer.view;
    viewer.moveBy(dx, dy, 0);
    const after = viewer.view;
    if (after.x === before.x && after.y === before.y) break; // at a limit
  }
  const end = viewer.view;
  return [across(end.x - start.x), end.y - start.y];
}
