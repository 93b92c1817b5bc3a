// Types of the Kalvoria web viewer's module (kalvoria.js): the viewer, its
// options and the events it fires on its host element.

/** A view: bearing in degrees clockwise from north, pitch and zoom. */
export interface KalView {
  /** Degrees clockwise from north, 0 <= bearing < 360, fractional. */
  bearing: number;
  /** Degrees above the horizon (negative: below). */
  pitch: number;
  /** Magnification: 1 shows the panorama at its own scale. */
  zoom: number;
}

/** A hotspot of the attribute file: its label (the tooltip) and its text. */
export interface KalHotspot {
  index: number;
  label: string;
  text: string;
}

/** One panorama of a tour. */
export interface KalScene {
  /** The panorama's image file. */
  src: string | URL;
  /** Its attribute file, when it has one. */
  attribs?: string | URL | null;
  /** The view it opens at; otherwise the file's own. */
  view?: Partial<KalView>;
}

/**
 * Panoramas joined by hotspots: a hotspot whose text is `scene:ID`
 * (optionally followed by a space and any words) opens scene ID.
 */
export interface KalTour {
  scenes: Record<string, KalScene>;
  /** The scene shown first; the first of `scenes` when absent. */
  start?: string;
}

export interface KalViewerOptions {
  /** Where kalvoria.wasm is; beside kalvoria.js by default. */
  wasmUrl?: string | URL;
  /** 'grab' (default): the picture follows the pointer, then coasts. 'joystick': the pointer's offset from where it was pressed sets a turning speed. */
  drag?: 'grab' | 'joystick';
  /** Renders moving views in a worker, where the browser can. Default true. */
  worker?: boolean;
  /** Turns the view on its own at this many degrees per second (negative: to the left). 0: never. */
  autoRotate?: number;
  /** Seconds without input before auto-rotate starts, and starts again. Default 3. */
  idle?: number;
  /** Keeps the view (and the scene) in the page's URL hash, and opens at the hash's view. */
  deepLink?: boolean;
  /** Opens this tour's first scene at once. */
  tour?: KalTour;
  /** Shows a button that lets the device's orientation steer the view. */
  deviceOrientation?: boolean;
  /** Shows the fullscreen button in the corner. Default true. */
  fullscreenButton?: boolean;
}

/** Download progress; `total` is 0 when the server does not tell it. */
export type KalProgress = { phase: 'fetch'; loaded: number; total: number } | { phase: 'decode' };

/** The events a viewer fires on its host element. */
export interface KalViewerEventMap {
  viewchange: CustomEvent<KalView>;
  hotspot: CustomEvent<KalHotspot>;
  /** The Tab walk reached a hotspot, or left them (null). */
  hotspotfocus: CustomEvent<KalHotspot | null>;
  /** A panorama is on show. */
  load: CustomEvent<Record<string, never>>;
  error: CustomEvent<{ message: string }>;
  /** What an open did differently from what was asked: a picture scaled down, attributes left out, missing rows left blank. */
  warning: CustomEvent<{ message: string }>;
  progress: CustomEvent<KalProgress>;
  scenechange: CustomEvent<{ id: string; previous: string | null }>;
}

export declare class KalViewer {
  /** Builds the viewer inside `host`, which sets its size and receives its events. */
  constructor(host: HTMLElement, options?: KalViewerOptions);
  readonly host: HTMLElement;
  readonly canvas: HTMLCanvasElement;
  /** The view on show; null before a panorama opens and after destroy(). */
  readonly view: KalView | null;
  /** The drag mode; may be changed at any time. */
  drag: 'grab' | 'joystick';
  readonly hotspotCount: number;
  /** The tour's scene on show; null without a tour. */
  readonly scene: string | null;
  /** Opens a panorama from the bytes of its image file and of its attribute file. */
  open(
    image: ArrayBuffer | ArrayBufferView | Blob | string,
    attribs?: ArrayBuffer | ArrayBufferView | Blob | string | null,
  ): Promise<boolean>;
  /** Fetches and opens a panorama; `progress` events follow the download. */
  openUrl(image: string | URL, attribs?: string | URL | null): Promise<boolean>;
  /** Takes the fields given; the others keep their values. Returns the view taken (the engine's limits may clamp it), or false for no panorama or no view. Throws after destroy(). */
  setView(view: Partial<KalView>): KalView | false;
  hotspot(index: number): KalHotspot;
  /** Enters or leaves fullscreen; resolves whether the viewer is in it afterwards. */
  toggleFullscreen(): Promise<boolean>;
  /** Opens a scene of the tour; resolves whether it shows. */
  openScene(id: string): Promise<boolean>;
  /** Cancels an open in flight and frees everything; afterwards open() and openUrl() resolve false and setView() throws. */
  destroy(): void;
}

export declare function instantiate(module: WebAssembly.Module): Promise<WebAssembly.Exports>;
