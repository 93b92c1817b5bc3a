// What the viewer lays over the picture: the compass, whose needle shows the
// bearing, and the tooltip naming a hotspot. The stylesheet (kal-compass,
// kal-tooltip) places and colours both, so a page can restyle them.

export class Overlay {
  // `make(tag, className)` adds an element to the viewer's host.
  constructor(make) {
    this.compass = make('canvas', 'kal-compass');
    this.tooltip = make('div', 'kal-tooltip');
    this.tooltip.setAttribute('role', 'status');
    this.tooltip.hidden = true;
  }

  // The compass at its styled size in device pixels, north up when `bearing` is 0.
  drawCompass(bearing) {
    const ratio = window.devicePixelRatio || 1,
      size = Math.max(1, Math.round((this.compass.clientWidth || 48) * ratio));
    if (this.compass.width !== size) this.compass.width = this.compass.height = size;
    const c = this.compass.getContext('2d'),
      r = size / 2,
      u = size / 48; // u: one pixel of the 48-pixel design
    c.clearRect(0, 0, size, size);
    c.save();
    c.translate(r, r);
    c.fillStyle = 'rgba(255,255,255,0.8)';
    c.strokeStyle = '#333';
    c.lineWidth = u;
    c.beginPath();
    c.arc(0, 0, r - u, 0, 2 * Math.PI);
    c.fill();
    c.stroke();
    c.rotate((-bearing * Math.PI) / 180); // the needle points north
    for (const [colour, tip] of [
      ['#c00', -r + 4 * u],
      ['#333', r - 4 * u],
    ]) {
      c.fillStyle = colour;
      c.beginPath();
      c.moveTo(0, tip);
      c.lineTo(4 * u, 0);
      c.lineTo(-4 * u, 0);
      c.fill();
    }
    c.restore();
  }

  // `left`, `top` in CSS pixels from the host's corner.
  showTooltip(text, left, top) {
    this.tooltip.textContent = text;
    Object.assign(this.tooltip.style, { left: `${left}px`, top: `${top}px` });
    this.tooltip.hidden = false;
  }

  hideTooltip() {
    this.tooltip.hidden = true;
  }
}
