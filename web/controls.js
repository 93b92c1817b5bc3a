// The viewer's own controls over the picture: the fullscreen and zoom
// buttons, the message box (dismissible, cleared when the viewer works
// again), the loading indicator (fetch progress, then decoding) and the
// preview picture shown until the first panorama paints.
import { make, makeButton, setIcon } from './dom.js';
import { ZOOM_STEP } from './input.js';

const ENTER_ICON = 'M3 9V3h6M15 3h6v6M21 15v6h-6M9 21H3v-6';
const EXIT_ICON = 'M9 3v6H3M21 9h-6V3M15 21v-6h6M3 15h6v6';
const ZOOM_BUTTONS = [
  ['kal-zoom-in', 'Zoom in', 'M12 5v14M5 12h14', ZOOM_STEP],
  ['kal-zoom-out', 'Zoom out', 'M5 12h14', 1 / ZOOM_STEP],
];

function fullscreenElement(doc) {
  return doc.fullscreenElement ?? doc.webkitFullscreenElement ?? null;
}

export class Controls {
  constructor(viewer, { fullscreenButton = true, zoomButtons = false, preview = null } = {}) {
    this.viewer = viewer;
    this.host = viewer.host;
    this.messageSource = null;
    if (preview !== null) this.buildPreview(preview);
    this.buildMessage();
    this.buildLoading();
    const doc = this.host.ownerDocument;
    this.bar = make(this.host, 'div', 'kal-buttons');
    if (fullscreenButton && (doc.fullscreenEnabled || doc.webkitFullscreenEnabled)) this.buildFullscreenButton();
    if (zoomButtons) this.buildZoomButtons();
    this.fullscreen = false; // the host's state the last fullscreenchange told
    this.onKey = (event) => {
      if (event.key === 'Escape' && this.messageSource) this.clearMessage();
    };
    this.onProgress = (event) => this.showProgress(event.detail);
    this.onSettled = (event) => {
      this.loading.hidden = true;
      if (event.type !== 'load') return;
      this.clearMessage();
      this.removePreview();
    };
    // The browser's own fullscreenchange passes through the host when the
    // host enters or leaves fullscreen: it takes the viewer's detail. Where
    // only the prefixed event exists, the viewer fires its own.
    this.onHostFullscreen = (event) => {
      if (event.target === this.host && !(event instanceof CustomEvent)) this.fullscreenChanged(event);
    };
    this.onFullscreen = (event) => {
      this.updateFullscreenButton();
      if (event.type === 'webkitfullscreenchange' && !('onfullscreenchange' in doc)) this.fullscreenChanged(null);
    };
    this.host.addEventListener('fullscreenchange', this.onHostFullscreen, true);
    this.host.addEventListener('keydown', this.onKey);
    this.host.addEventListener('progress', this.onProgress);
    for (const type of ['load', 'error']) this.host.addEventListener(type, this.onSettled);
    for (const type of ['fullscreenchange', 'webkitfullscreenchange']) doc.addEventListener(type, this.onFullscreen);
  }

  buildMessage() {
    this.message = make(this.host, 'div', 'kal-message', { role: 'alert' });
    this.message.hidden = true;
    this.messageText = make(this.message, 'span', 'kal-message-text');
    const close = make(this.message, 'button', 'kal-message-close', {
      type: 'button',
      'aria-label': 'Dismiss the message',
    });
    close.textContent = '\u00d7';
    close.addEventListener('click', () => this.clearMessage());
  }

  // `source` names what failed ('open', 'size', ...): success of the same
  // kind clears the message, and a successful open clears any.
  showMessage(text, source = 'open') {
    this.messageText.textContent = text;
    this.messageSource = source;
    this.message.hidden = false;
  }

  clearMessage(source = null) {
    if (!this.messageSource || (source && source !== this.messageSource && source !== 'open')) return;
    this.messageSource = null;
    this.message.hidden = true;
  }

  buildLoading() {
    this.loading = make(this.host, 'div', 'kal-loading', { role: 'status' });
    this.loading.hidden = true;
    this.loadingText = make(this.loading, 'span', 'kal-loading-text');
    this.loadingBar = make(this.loading, 'progress', 'kal-loading-bar', { 'aria-label': 'Loading the panorama' });
  }

  // { phase: 'fetch', loaded, total } while the file arrives (total 0 when
  // the server does not say), then { phase: 'decode' }.
  showProgress({ phase, loaded = 0, total = 0 }) {
    this.loading.hidden = false;
    if (phase === 'decode') {
      this.loadingText.textContent = 'Decoding\u2026';
      this.loadingBar.removeAttribute('value');
      return;
    }
    const share = total > 0 ? Math.min(1, loaded / total) : null;
    this.loadingText.textContent =
      share === null
        ? `Loading\u2026 ${(loaded / 1048576).toFixed(1)} MB`
        : `Loading\u2026 ${Math.round(share * 100)} %`;
    if (share === null) this.loadingBar.removeAttribute('value');
    else this.loadingBar.value = share;
  }

  // A picture stretched over the view at once, until the panorama paints.
  buildPreview(url) {
    this.preview = this.host.ownerDocument.createElement('img');
    Object.assign(this.preview, { className: 'kal-preview', alt: '', draggable: false });
    this.preview.setAttribute('aria-hidden', 'true');
    this.preview.addEventListener('error', () => this.removePreview());
    this.preview.src = `${url}`;
    this.viewer.canvas.after(this.preview); // under the controls
  }

  removePreview() {
    this.preview?.remove();
    this.preview = null;
  }

  // Zoom in and out by a key press's step; in the Tab order after the hotspots.
  buildZoomButtons() {
    for (const [className, label, icon, factor] of ZOOM_BUTTONS) {
      const button = makeButton(this.bar, className, label, icon, { toggle: false, tabbable: true });
      button.addEventListener(
        'click',
        this.viewer.guard(() => this.viewer.zoomTo(this.viewer.zoom * factor)),
      );
    }
  }

  fullscreenChanged(own) {
    const on = fullscreenElement(this.host.ownerDocument) === this.host;
    if (!own && on === this.fullscreen) return;
    this.fullscreen = on;
    this.viewer.fire('fullscreenchange', { fullscreen: on }, own);
  }

  buildFullscreenButton() {
    this.fullscreenButton = makeButton(this.bar, 'kal-fullscreen', 'Full screen', ENTER_ICON);
    this.fullscreenButton.addEventListener('click', () => this.toggleFullscreen());
    this.updateFullscreenButton();
  }

  updateFullscreenButton() {
    const button = this.fullscreenButton;
    if (!button) return;
    const on = fullscreenElement(this.host.ownerDocument) === this.host;
    setIcon(button, on ? EXIT_ICON : ENTER_ICON);
    button.setAttribute('aria-pressed', `${on}`);
    button.setAttribute('aria-label', on ? 'Leave full screen' : 'Full screen');
    button.title = on ? 'Leave full screen (f)' : 'Full screen (f)';
  }

  // Resolves whether the viewer is in fullscreen afterwards; a browser that
  // refuses (no user gesture, no support) leaves it as it was.
  async toggleFullscreen() {
    const doc = this.host.ownerDocument;
    try {
      if (fullscreenElement(doc) === this.host) {
        await (doc.exitFullscreen ?? doc.webkitExitFullscreen).call(doc);
      } else {
        const request = this.host.requestFullscreen ?? this.host.webkitRequestFullscreen;
        if (!request) return false;
        await request.call(this.host);
      }
    } catch {
      // refused: the state tells
    }
    return fullscreenElement(doc) === this.host;
  }

  destroy() {
    const doc = this.host.ownerDocument;
    this.host.removeEventListener('fullscreenchange', this.onHostFullscreen, true);
    this.host.removeEventListener('keydown', this.onKey);
    this.host.removeEventListener('progress', this.onProgress);
    for (const type of ['load', 'error']) this.host.removeEventListener(type, this.onSettled);
    for (const type of ['fullscreenchange', 'webkitfullscreenchange']) doc.removeEventListener(type, this.onFullscreen);
    if (fullscreenElement(doc) === this.host) doc.exitFullscreen?.().catch(() => {});
    this.removePreview();
    for (const element of [this.message, this.loading, this.bar]) element.remove();
  }
}
