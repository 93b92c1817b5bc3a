// Types of the Kalvoria web viewer's module (kalvoria.js): the viewer, its
// options and the events it fires on its host element.

/** A view: bearing in degrees clockwise from north, pitch, zoom and field. */
export interface KalView {
  /** Degrees clockwise from north, 0 <= bearing < 360, fractional. */
  bearing: number;
  /** Degrees above the horizon (negative: below). */
  pitch: number;
  /** Magnification: 1 shows the panorama at its own scale. */
  zoom: number;
  /** The horizontal field of view in degrees; given to setView, it wins over the zoom. */
  hfov?: number;
}

/** A hotspot of the attribute file: its label (the tooltip) and its text. */
export interface KalHotspot {
  index: number;
  label: string;
  text: string;
}

/**
 * A hotspot the page places by direction: an element over the canvas (a
 * `<button>` unless `element` is given) with class `kal-hotspot` and
 * `className`, its centre on the point showing `heading`, `pitch`.
 */
export interface KalPlacedHotspot {
  /** Names it for removeHotspot() and in the `hotspot` event; one per viewer. */
  id: string;
  /** Degrees clockwise from north. */
  heading: number;
  /** Degrees above the horizon, -90 to 90. */
  pitch: number;
  /** The tooltip and the element's `aria-label`. */
  text: string;
  /** More classes for the element, blank-separated. */
  className?: string;
  /** A click, tap or Enter goes to this address (no `javascript:`)... */
  href?: string | URL;
  /** ...or opens this scene of the tour, at `view` when given. */
  scene?: string;
  /** The view a scene opens at; without a scene, the view turns there. */
  view?: Partial<KalView>;
  /** The page's own element to place, instead of a button. */
  element?: Element;
}

/** The `hotspot` event of a hotspot the page placed. */
export interface KalPlacedHotspotEvent {
  id: string;
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
  /** Hotspots shown while this scene is on show. */
  hotspots?: KalPlacedHotspot[];
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
  /** The + and - keys zoom. Default true. */
  keyboardZoom?: boolean;
  /** The wheel, ctrl+wheel (a trackpad pinch) and a double click zoom. Default true; false leaves the wheel to the page. */
  mouseZoom?: boolean;
  /** A pointer drag turns the view. Default true; false: drags do nothing, clicks and taps still pick hotspots. */
  draggable?: boolean;
  /** Photos: 'sphere' or 'cylinder' instead of what the file's metadata or shape says. Default 'auto'. */
  projection?: 'auto' | 'cylinder' | 'sphere';
  /** Photos: the horizontal field (degrees) a panorama opens at, instead of its natural one. */
  hfov?: number;
  /** Photos: the narrowest and widest horizontal field (degrees) the view may take, inside the picture's own limits. */
  minHfov?: number;
  maxHfov?: number;
  /** Photos: the lowest and highest pitch (degrees) the view's centre may take, inside the picture's own limits. */
  minPitch?: number;
  maxPitch?: number;
  /** How far a throw coasts after a grab drag, 0 to 1: 0 stops at the release, 1 coasts longest (about 1.3 s). The speed decays as exp(-t / (friction x 0.25 s)). Default 0.4 (at most half a second). */
  friction?: number;
  /** Turns the view on its own at this many degrees per second (negative: to the left). 0: never. */
  autoRotate?: number;
  /** Seconds without input before auto-rotate starts, and starts again. Default 3. */
  idle?: number;
  /** Keeps the view (and the scene) in the page's URL hash, and opens at the hash's view. */
  deepLink?: boolean;
  /** Opens this tour's first scene at once. */
  tour?: KalTour;
  /** Milliseconds of the crossfade between a tour's scenes; 0: none. Default 400. */
  crossfade?: number;
  /** Shows a button that lets the device's orientation steer the view. */
  deviceOrientation?: boolean;
  /** Shows the fullscreen button in the corner. Default true. */
  fullscreenButton?: boolean;
  /** Shows zoom in and zoom out buttons beside it, reachable with Tab. Default false. */
  showZoomCtrl?: boolean;
  /** A small picture shown at once, stretched over the view, until the first panorama paints. */
  preview?: string | URL;
  /** Hotspots placed by direction, on every panorama for the viewer's life. */
  hotspots?: KalPlacedHotspot[];
  /** Draws the attribute file's hotspot rectangles as the view bends them (SVG paths of class `kal-outline`, styleable by CSS). Default false. */
  outlineHotspots?: boolean;
}

/** Download progress; `total` is 0 when the server does not tell it. */
export type KalProgress = { phase: 'fetch'; loaded: number; total: number } | { phase: 'decode' };

/** The events a viewer fires on its host element. */
export interface KalViewerEventMap {
  viewchange: CustomEvent<KalView>;
  /** The new zoom, once per change. */
  zoomchange: CustomEvent<number>;
  /** The viewer entered or left fullscreen. */
  fullscreenchange: CustomEvent<{ fullscreen: boolean }>;
  /** A hotspot of the attribute file, or one the page placed. */
  hotspot: CustomEvent<KalHotspot | KalPlacedHotspotEvent>;
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
  /** The options of the same names; may be changed at any time. */
  keyboardZoom: boolean;
  mouseZoom: boolean;
  draggable: boolean;
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
  /** Places a hotspot on the panorama on show (before one shows: on the first); throws a TypeError for a bad one or an id already there. */
  addHotspot(spot: KalPlacedHotspot): void;
  /** Removes the hotspot of that id; returns whether there was one. */
  removeHotspot(id: string): boolean;
  /** Cancels an open in flight and frees everything; afterwards open() and openUrl() resolve false and setView() throws. */
  destroy(): void;
}

export declare function instantiate(module: WebAssembly.Module): Promise<WebAssembly.Exports>;
