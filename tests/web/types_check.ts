// Uses the web viewer's declarations as a page author would; page_test.mjs
// runs `tsc --noEmit` on it, so a declaration that breaks such use fails.
import { KalViewer, type KalView, type KalViewerEventMap } from '../../web/kalvoria.js';
import '../../web/element.js';

const host = document.createElement('div');
const viewer = new KalViewer(host, {
  autoRotate: 5,
  idle: 2,
  deepLink: true,
  deviceOrientation: true,
  keyboardZoom: false,
  mouseZoom: false,
  draggable: true,
  friction: 0.2,
  showZoomCtrl: true,
  preview: new URL('https://example.test/small.jpg'),
  crossfade: 600,
  hotspots: [{ id: 'north', heading: 0, pitch: 0, text: 'North', className: 'pin', href: '/north.html' }],
  tour: {
    scenes: {
      yard: {
        src: 'yard.bmp',
        attribs: 'yard.KAL',
        view: { bearing: 90 },
        hotspots: [{ id: 'gate', heading: 30, pitch: -5, text: 'Gate', scene: 'hall', view: { bearing: 10 } }],
      },
      hall: { src: new URL('https://example.test/hall.bmp') },
    },
    start: 'yard',
  },
});

async function use(): Promise<number> {
  const opened: boolean = await viewer.openUrl('hall.bmp', 'hall.KAL');
  const inFullscreen: boolean = await viewer.toggleFullscreen();
  const moved: boolean = await viewer.openScene('hall');
  const view: KalView | null = viewer.view;
  viewer.setView({ bearing: 10 });
  viewer.addHotspot({ id: 'sign', heading: 90, pitch: 2, text: 'Sign', element: document.createElement('img') });
  const removed: boolean = viewer.removeHotspot('sign');
  const scene: string | null = viewer.scene;
  return Number(opened && inFullscreen && moved && removed) + (view?.zoom ?? 0) + (scene?.length ?? 0);
}

const element = document.createElement('kal-viewer');
element.addEventListener('scenechange', (event) => console.log(event.detail.id, event.detail.previous));
element.addEventListener('progress', (event) => {
  if (event.detail.phase === 'fetch') console.log(event.detail.loaded / Math.max(1, event.detail.total));
});
element.addEventListener('viewchange', (event: KalViewerEventMap['viewchange']) => console.log(event.detail.bearing));
element.addEventListener('hotspot', (event) =>
  console.log('id' in event.detail ? event.detail.id : event.detail.label),
);
element.addEventListener('zoomchange', (event) => console.log(event.detail.toFixed(2)));
element.addEventListener('fullscreenchange', (event) => console.log(event.detail.fullscreen === true));
viewer.draggable = false;
const inner: KalViewer | null = element.viewer;
void use();
void inner;
