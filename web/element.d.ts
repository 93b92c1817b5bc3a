// Types of element.js: the <kal-viewer> element, defined on import.
import type { KalViewer, KalViewerEventMap } from './kalvoria.js';

/**
 * `<kal-viewer src attribs bearing pitch zoom auto-rotate idle deep-link
 * device-orientation wasm tour>`: the viewer as an element; its events are the
 * viewer's. A tour (KalTour as JSON) comes in the `tour` attribute or in a
 * child `<script type="application/json">`.
 */
export declare class KalViewerElement extends HTMLElement {
  /** The viewer inside; null while the element is out of the page. */
  readonly viewer: KalViewer | null;
  addEventListener<K extends keyof KalViewerEventMap>(
    type: K,
    listener: (this: KalViewerElement, event: KalViewerEventMap[K]) => unknown,
    options?: boolean | AddEventListenerOptions,
  ): void;
  addEventListener(
    type: string,
    listener: EventListenerOrEventListenerObject,
    options?: boolean | AddEventListenerOptions,
  ): void;
  removeEventListener<K extends keyof KalViewerEventMap>(
    type: K,
    listener: (this: KalViewerElement, event: KalViewerEventMap[K]) => unknown,
    options?: boolean | EventListenerOptions,
  ): void;
  removeEventListener(
    type: string,
    listener: EventListenerOrEventListenerObject,
    options?: boolean | EventListenerOptions,
  ): void;
}

declare global {
  interface HTMLElementTagNameMap {
    'kal-viewer': KalViewerElement;
  }
}
