// The open of a photo, timed step by step against the browser's bare
// decode of the same JPEG, and the renderer process's memory meanwhile.
import fs from 'node:fs';
import { settle, sleep } from './drag_probe.mjs';

// The renderer process's resident memory, in bytes: the largest Chromium
// renderer (the benchmark's page is the only one that works).
function rendererResident() {
  let most = 0;
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      if (!fs.readFileSync(`/proc/${entry}/cmdline`, 'utf8').includes('--type=renderer')) continue;
      const status = fs.readFileSync(`/proc/${entry}/status`, 'utf8');
      most = Math.max(most, Number(/VmRSS:\s+(\d+)/.exec(status)?.[1] ?? 0) * 1024);
    } catch {
      /* the process ended */
    }
  }
  return most;
}

// Opens the JPEG in the viewer, its steps timed (the module's calls, the
// browser's decode and copy, the paint: wrappers of the page's for this open
// only), while sampling the renderer's resident memory when `memory` (which
// costs this process a core's share). Resolves { first: open() to the end
// of the first frame's paint and the animation frame after it, resolved:
// open() to its promise, steps: [name, ms] up to the paint's end, the rest
// last, peak: the most resident memory above the start, module: the
// module's memory growth }, in ms and bytes.
export async function timeOpen(page, memory = false) {
  const start = memory ? rendererResident() : 0;
  let peak = start,
    sampling = memory;
  const sampler = (async () => {
    while (sampling) {
      peak = Math.max(peak, rendererResident());
      await sleep(10);
    }
  })();
  const result = await page.evaluate(async () => {
    const viewer = window.kalViewer,
      engine = viewer.engine,
      exports = engine.x,
      grown = exports.memory.buffer.byteLength,
      spent = new Map();
    const add = (name, ms) => spent.set(name, (spent.get(name) ?? 0) + ms);
    const timed = (name, call) =>
      function (...args) {
        const t0 = performance.now(),
          out = call.apply(this, args);
        if (!(out instanceof Promise)) {
          add(name, performance.now() - t0);
          return out;
        }
        return out.finally(() => add(name, performance.now() - t0));
      };
    const calls = {
      kalweb_colourBlock: 'the module reads the file and makes the block',
      kalweb_openArrange: 'the module puts the rows in its order',
      kalweb_openPrepare: 'during the decode: the module makes the view and its table',
      kalweb_openFinish: 'the module builds the panorama',
      kalweb_render: 'the first frame rendered',
    };
    // The module's exports are frozen: a copy of them, with the calls timed.
    engine.x = { ...exports };
    for (const [call, name] of Object.entries(calls)) engine.x[call] = timed(name, exports[call]);
    if (viewer.session) viewer.session.x = engine.x; // the session renders the first frame
    const patched = [
      ['Blob', 'arrayBuffer', 'the Blob read'],
      ['ImageDecoder', 'decode', 'ImageDecoder.decode'],
      ['VideoFrame', 'copyTo', 'VideoFrame.copyTo into the module'],
      ['OffscreenCanvasRenderingContext2D', 'getImageData', 'rows read back from the bitmap'],
      // After the first paint, before the page's thread lets the frame show.
      [Object.getPrototypeOf(viewer.session ?? {}), 'takePixels', 'after the paint: the pixels copied out'],
      [Object.getPrototypeOf(viewer.frames ?? {}), 'close', 'after the paint: the old worker ended'],
      [Object.getPrototypeOf(viewer.frames ?? {}), 'openColour', 'after the paint: the pixels posted'],
    ].map(([type, key, name]) => {
      const owner = typeof type === 'string' ? globalThis[type]?.prototype : type;
      if (!owner) return () => {};
      const own = owner[key];
      owner[key] = timed(name, own);
      return () => (owner[key] = own);
    });
    const t0 = performance.now();
    let ok, resolved, paintEnd, first;
    try {
      const painted = window.kalProbe.nextPaint().then(async (end) => {
        paintEnd = end - t0;
        await new Promise((done) => requestAnimationFrame(done));
        first = performance.now() - t0;
      });
      ok = await viewer.open(window.kalJpegs.open);
      resolved = performance.now() - t0;
      if (ok) await painted;
    } finally {
      engine.x = exports;
      if (viewer.session) viewer.session.x = exports;
      patched.forEach((restore) => restore());
    }
    // What runs while the browser decodes is inside the decode's own time.
    const aside = (name) => name.startsWith('after') || name.startsWith('during');
    const before = [...spent].filter(([name]) => !aside(name)),
      after = [...spent].filter(([name]) => aside(name));
    before.push(['the paint', window.kalProbe.lastPaintMs]);
    before.push(['the rest', paintEnd - before.reduce((sum, [, t]) => sum + t, 0)]);
    const steps = [...before, ...after];
    return { ok, painted: paintEnd, first, resolved, steps, module: exports.memory.buffer.byteLength - grown };
  });
  sampling = false;
  await sampler;
  if (!result.ok) throw new Error('the JPEG did not open');
  await settle(page);
  return { ...result, peak: peak - start };
}

// The browser's bare decode of the same JPEG by the viewer's path
// (image_input.js): ImageDecoder and VideoFrame.copyTo in the frame's own
// pixel order into a buffer made beforehand, from the Blob's bytes; or
// createImageBitmap where the browser has no ImageDecoder for JPEG. Resolves
// { ms, path }.
export function timeDecode(page) {
  return page.evaluate(async () => {
    const blob = window.kalJpegs.open;
    const decoder = typeof ImageDecoder === 'function' && (await ImageDecoder.isTypeSupported('image/jpeg'));
    const out = (window.kalDecodeBuffer ??= new Uint8Array(8000 * 2000 * 4));
    const t0 = performance.now();
    if (!decoder) {
      const bitmap = await createImageBitmap(blob, {
        imageOrientation: 'from-image',
        premultiplyAlpha: 'none',
        colorSpaceConversion: 'none',
      });
      const ms = performance.now() - t0;
      bitmap.close();
      return { ms, path: 'createImageBitmap' };
    }
    const bytes = new Uint8Array(await blob.arrayBuffer());
    const images = new ImageDecoder({
      data: bytes,
      type: 'image/jpeg',
      colorSpaceConversion: 'none',
      preferAnimation: false,
    });
    const { image } = await images.decode({ frameIndex: 0 });
    const own = ['RGBA', 'RGBX', 'BGRA', 'BGRX'].includes(image.format);
    await image.copyTo(out, own ? undefined : { format: 'RGBA' });
    const ms = performance.now() - t0;
    const path = `ImageDecoder + VideoFrame.copyTo (${image.format}${own ? '' : ' to RGBA'})`;
    image.close();
    images.close();
    return { ms, path };
  });
}
