// Small helpers the viewer's page-facing modules share: elements, the one
// stylesheet, the host's size in device pixels, the reduced-motion
// preference and what counts as user input.

// Every rule is wrapped in :where() so that any rule of the page wins.
const STYLES = `
:where(kal-viewer) { display: block; position: relative; height: 400px; }
:where(.kal-view):focus-visible { outline: 3px solid #1a73e8; outline-offset: -3px; }
:where(.kal-buttons) { position: absolute; left: 8px; top: 8px; display: flex; gap: 6px; }
:where(.kal-button) { width: 32px; height: 32px; padding: 4px;
  border: 1px solid #333; border-radius: 4px; background: rgba(255,255,255,0.85); color: #222; cursor: pointer; }
:where(.kal-button):focus-visible { outline: 3px solid #1a73e8; outline-offset: 1px; }
:where(.kal-button) svg { display: block; width: 100%; height: 100%; }
:where(.kal-button[aria-pressed="true"]) { background: #cde; }
:where(.kal-message) { position: absolute; left: 8px; right: 8px; bottom: 8px; display: flex; gap: 8px;
  align-items: flex-start; padding: 6px 10px; background: #fff0f0; color: #900; border: 1px solid #900; font: 13px sans-serif; }
:where(.kal-message-text) { flex: 1; }
:where(.kal-message-close) { border: none; background: none; color: inherit; font: 16px sans-serif; line-height: 1; cursor: pointer; padding: 0 2px; }
:where(.kal-loading) { position: absolute; left: 50%; top: 50%; transform: translate(-50%, -50%); padding: 8px 12px;
  background: rgba(0,0,0,0.7); color: #fff; font: 13px sans-serif; border-radius: 4px; text-align: center; pointer-events: none; }
:where(.kal-loading) progress { display: block; width: 160px; margin-top: 4px; }
:where(.kal-preview) { position: absolute; left: 0; top: 0; width: 100%; height: 100%; object-fit: fill; pointer-events: none; }
:where(.kal-fade) { position: absolute; left: 0; top: 0; width: 100%; height: 100%; pointer-events: none; }
:where(.kal-compass) { position: absolute; right: 8px; top: 8px; width: 48px; height: 48px; pointer-events: none; }
:where(.kal-tooltip) { position: absolute; pointer-events: none; padding: 2px 6px; background: #ffffe1; color: #000;
  border: 1px solid #000; font: 12px sans-serif; white-space: nowrap; }
:where(.kal-hotspot) { transform: translate(-50%, -50%); pointer-events: auto; cursor: pointer; }
:where(.kal-hotspot-dot) { width: 24px; height: 24px; padding: 0; border: 2px solid #fff; border-radius: 50%;
  background: rgba(26,115,232,0.85); box-shadow: 0 0 0 1px rgba(0,0,0,0.6); }
:where(.kal-outlines) { position: absolute; left: 0; top: 0; width: 100%; height: 100%; overflow: hidden; }
:where(.kal-outline) { fill: rgba(255,255,255,0.15); stroke: #fff; stroke-width: 2px; stroke-linejoin: round;
  filter: drop-shadow(0 0 1px rgba(0,0,0,0.8)); }
:where(.kal-hotspot):focus-visible { outline: 3px solid #1a73e8; outline-offset: 2px; }
.kal-message[hidden], .kal-loading[hidden], .kal-tooltip[hidden] { display: none; }
:where(.kal-hidden-text) { position: absolute; width: 1px; height: 1px; overflow: hidden; clip-path: inset(50%); white-space: nowrap; }
`;

const styled = new WeakSet();

// Adds the stylesheet once per document. A constructed sheet needs no
// 'unsafe-inline' in the page's Content-Security-Policy; with :where() on
// every rule, its place in the cascade does not matter.
export function installStyles(doc = document) {
  if (styled.has(doc)) return;
  styled.add(doc);
  const Sheet = doc.defaultView?.CSSStyleSheet;
  if (Sheet && 'adoptedStyleSheets' in doc) {
    const sheet = new Sheet();
    sheet.replaceSync(STYLES);
    doc.adoptedStyleSheets = [...doc.adoptedStyleSheets, sheet];
    return;
  }
  const style = doc.createElement('style');
  style.textContent = STYLES;
  (doc.head ?? doc.documentElement).prepend(style);
}

export function make(parent, tag, className, attributes = {}) {
  const element = parent.ownerDocument.createElement(tag);
  element.className = className;
  for (const [name, value] of Object.entries(attributes)) element.setAttribute(name, value);
  parent.append(element);
  return element;
}

// A button over the picture: a toggle (aria-pressed) unless `toggle` is
// false. Out of the Tab order unless `tabbable`: Tab belongs to the hotspot
// walk and the keyboard has its own keys for most of these.
export function makeButton(bar, className, label, iconPath, { toggle = true, tabbable = false } = {}) {
  const button = make(bar, 'button', `kal-button ${className}`, {
    type: 'button',
    ...(tabbable ? {} : { tabindex: '-1' }),
    ...(toggle ? { 'aria-pressed': 'false' } : {}),
  });
  setIcon(button, iconPath);
  button.setAttribute('aria-label', label);
  button.title = label;
  return button;
}

// A stroked 24×24 icon from SVG path data (built as nodes: no markup is
// parsed, so pages that enforce Trusted Types allow it).
export function setIcon(button, pathData) {
  const ns = 'http://www.w3.org/2000/svg',
    doc = button.ownerDocument;
  const svg = doc.createElementNS(ns, 'svg'),
    path = doc.createElementNS(ns, 'path');
  for (const [name, value] of Object.entries({
    viewBox: '0 0 24 24',
    'aria-hidden': 'true',
    fill: 'none',
    stroke: 'currentColor',
    'stroke-width': '2.5',
  })) {
    svg.setAttribute(name, value);
  }
  path.setAttribute('d', pathData);
  svg.append(path);
  button.replaceChildren(svg);
}

// Calls `handler(reduced)` now and whenever the preference changes; returns
// a function that stops listening.
export function watchReducedMotion(handler) {
  const query = typeof matchMedia === 'function' ? matchMedia('(prefers-reduced-motion: reduce)') : null;
  if (!query) {
    handler(false);
    return () => {};
  }
  const changed = () => handler(query.matches);
  query.addEventListener('change', changed);
  changed();
  return () => query.removeEventListener('change', changed);
}

// The content box of `host` in device pixels: from a ResizeObserver entry
// where it gives them, else from the layout and the device-pixel ratio.
export function deviceSize(host, entry = null) {
  const box = entry?.devicePixelContentBoxSize?.[0];
  if (box) return [Math.max(1, box.inlineSize), Math.max(1, box.blockSize)];
  const ratio = window.devicePixelRatio || 1;
  return [Math.max(1, Math.round(host.clientWidth * ratio)), Math.max(1, Math.round(host.clientHeight * ratio))];
}

export function prefersReducedMotion() {
  return typeof matchMedia === 'function' && matchMedia('(prefers-reduced-motion: reduce)').matches;
}

// What a person does to the viewer: presses, touches, wheel turns, keys.
const INPUT_EVENTS = ['pointerdown', 'touchstart', 'wheel', 'keydown'];

// Calls `handler(event)` on every user input inside `host` (seen in the
// capture phase, before the viewer acts on it); returns a function that stops.
export function onUserInput(host, handler) {
  const options = { capture: true, passive: true };
  for (const type of INPUT_EVENTS) host.addEventListener(type, handler, options);
  return () => {
    for (const type of INPUT_EVENTS) host.removeEventListener(type, handler, options);
  };
}

// Shortest signed difference a - b between two bearings, in (-180, 180].
export function bearingDifference(a, b) {
  const d = (((a - b) % 360) + 360) % 360;
  return d > 180 ? d - 360 : d;
}
