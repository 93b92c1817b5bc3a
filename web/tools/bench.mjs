// The web viewer's benchmark: the WebAssembly renderer in Chromium against
// the native renderer on the same views, then the whole frame in Chromium
// (render, palette lookup, putImageData) at three sizes; true colour: the
// smooth frame, the whole frame at 4K, and opening a 16-megapixel JPEG
// against the browser's bare decode of it, with the memory it took.
// Last, the animation-frame interval while a mouse drags the view.
//   node bench.mjs WEB_BUILD_DIR NATIVE_TIMER [drag]   (drag: that part only)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { openViewerPage } from './browser.mjs';

const [buildDir, timer, only] = process.argv.slice(2);
const sizes = [
  [640, 480],
  [1280, 720],
  [3840, 2160],
];
const repeats = 3;
const samples = path.join(buildDir, 'samples');

// Milliseconds per frame of the native renderer at one size (its best of three).
function nativeTime(width, height) {
  const out = execFileSync(timer, [
    path.join(samples, 'courtyard.bmp'),
    path.join(samples, 'courtyard.KAL'),
    `${repeats}`,
    `${width}x${height}`,
  ]).toString();
  return Number(out.trim().split(' ')[1]);
}

// In the page: a viewer of width x height device pixels.
async function resize(page, width, height) {
  await page.evaluate(
    (w, h) =>
      Object.assign(document.getElementById('viewer').style, {
        width: `${w}px`,
        height: `${h}px`,
        maxWidth: 'none',
        border: '0',
      }),
    width,
    height,
  );
  await page.waitForFunction(
    (w, h) => window.kalViewer.canvas.width === w && window.kalViewer.canvas.height === h,
    {},
    width,
    height,
  );
}

// Best of three passes over the benchmark's views, in ms per frame.
function wasmRender(page, passes) {
  return page.evaluate(
    (r, n) => {
      const { engine, session } = window.kalViewer;
      let best = Infinity;
      for (let pass = 0; pass < n; pass++) {
        const start = performance.now();
        const frames = engine.x.kalweb_renderViews(session.pointer, r);
        best = Math.min(best, (performance.now() - start) / frames);
      }
      return best;
    },
    repeats,
    passes,
  );
}

// The whole frame: a turn, the render into RGBA and putImageData; the best
// of three passes of `count` frames, in ms per frame.
function wholeFrame(page, count) {
  return page.evaluate((n) => {
    const viewer = window.kalViewer;
    let best = Infinity;
    for (let pass = 0; pass < 3; pass++) {
      const start = performance.now();
      for (let i = 0; i < n; i++) {
        viewer.session.move(8, 0, 0);
        viewer.render();
      }
      viewer.context.getImageData(0, 0, 1, 1); // the last frame has landed
      best = Math.min(best, (performance.now() - start) / n);
    }
    return best;
  }, count);
}

// Animation-frame intervals while a mouse drags across the view for about
// `seconds`: { median, p95 } in ms. Moves come every 16 ms through the
// DevTools protocol, as a hand would give them.
async function dragFrames(page, seconds) {
  const session = await page.createCDPSession();
  const mouse = (type, x, y) =>
    session.send('Input.dispatchMouseEvent', {
      type,
      x,
      y,
      button: 'left',
      buttons: type === 'mouseReleased' ? 0 : 1,
      clickCount: 1,
    });
  await page.evaluate(() => {
    window.kalFrames = [];
    const tick = (time) => {
      window.kalFrames.push(time);
      if (window.kalFrames.length < 100000) window.kalFrameId = requestAnimationFrame(tick);
    };
    window.kalFrameId = requestAnimationFrame(tick);
  });
  const [x0, y0] = [400, 400];
  await mouse('mousePressed', x0, y0);
  const start = Date.now();
  for (let i = 0; Date.now() - start < seconds * 1000; i++) {
    await mouse('mouseMoved', x0 + 300 * Math.sin(i / 20), y0 + 60 * Math.sin(i / 31));
    await new Promise((done) => setTimeout(done, 16));
  }
  await mouse('mouseReleased', x0, y0);
  const times = await page.evaluate(() => {
    cancelAnimationFrame(window.kalFrameId);
    return window.kalFrames;
  });
  await session.detach();
  const gaps = times
    .slice(2)
    .map((t, i) => t - times[i + 1])
    .sort((a, b) => a - b);
  const at = (q) => gaps[Math.min(gaps.length - 1, Math.floor(q * gaps.length))];
  return { median: at(0.5), p95: at(0.95), frames: gaps.length };
}

// In the page: a 16-megapixel JPEG (8000 x 2000) of a busy pattern, kept as
// window.kalJpeg; resolves its size in bytes.
function makeJpeg(page) {
  return page.evaluate(async () => {
    const canvas = new OffscreenCanvas(8000, 2000),
      c = canvas.getContext('2d');
    const sky = c.createLinearGradient(0, 0, 0, 2000);
    sky.addColorStop(0, '#2a5d9f');
    sky.addColorStop(1, '#d8c9a0');
    c.fillStyle = sky;
    c.fillRect(0, 0, 8000, 2000);
    for (let i = 0; i < 4000; i++) {
      c.fillStyle = `hsl(${(i * 37) % 360} 50% ${30 + (i % 40)}%)`;
      c.fillRect((i * 7919) % 8000, 800 + ((i * 104729) % 1200), 20 + (i % 60), 10 + (i % 90));
    }
    window.kalJpeg = await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.9 });
    return window.kalJpeg.size;
  });
}

// The page's renderer process's resident memory, in bytes: the largest
// Chromium renderer (the benchmark's page is the only one that works).
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

// Opens the JPEG in the viewer while sampling the renderer's resident
// memory; resolves { ms: open() to the first painted frame, peak: the most
// resident memory above the start, module: the module's memory growth }.
async function timeOpen(page) {
  const start = rendererResident();
  let peak = start,
    sampling = true;
  const sampler = (async () => {
    while (sampling) {
      peak = Math.max(peak, rendererResident());
      await new Promise((done) => setTimeout(done, 10));
    }
  })();
  const result = await page.evaluate(async () => {
    const viewer = window.kalViewer,
      before = viewer.engine.memory.buffer.byteLength;
    const t0 = performance.now();
    const ok = await viewer.open(window.kalJpeg);
    await new Promise((done) => requestAnimationFrame(done));
    return { ok, ms: performance.now() - t0, module: viewer.engine.memory.buffer.byteLength - before };
  });
  sampling = false;
  await sampler;
  if (!result.ok) throw new Error('the JPEG did not open');
  return { ...result, peak: peak - start };
}

// The browser's bare decode of the same JPEG, in ms.
function timeDecode(page) {
  return page.evaluate(async () => {
    const t0 = performance.now();
    const bitmap = await createImageBitmap(window.kalJpeg);
    const ms = performance.now() - t0;
    bitmap.close();
    return ms;
  });
}

// The smooth frame against the nearest one of the same view: best of three
// passes of `count` frames each, in ms per frame.
function smoothFrame(page, count) {
  return page.evaluate((n) => {
    const { engine, session } = window.kalViewer,
      x = engine.x;
    const time = (render) => {
      let best = Infinity;
      for (let pass = 0; pass < 3; pass++) {
        const t0 = performance.now();
        for (let i = 0; i < n; i++) render(session.pointer);
        best = Math.min(best, (performance.now() - t0) / n);
      }
      return best;
    };
    session.place(30, 0, 1.3);
    return { smooth: time(x.kalweb_renderSmooth), nearest: time(x.kalweb_render) };
  }, count);
}

// In a page of its own, so that the first open's memory is the JPEG's alone.
async function colourBench() {
  const { page, close } = await openViewerPage(buildDir, { width: 1400, height: 900, query: '?bench' });
  try {
    const bytes = await makeJpeg(page);
    console.log(`true colour: one 8000x2000 JPEG (${(bytes / 1e6).toFixed(1)} MB), made in the page`);
    await resize(page, 1280, 720);
    const first = await timeOpen(page);
    const rgba = 8000 * 2000 * 4;
    console.log(
      `  peak memory of the first open: the renderer process's resident size ${(first.peak / 2 ** 20).toFixed(0)} MiB above the start (sampled every 10 ms) = ${(first.peak / rgba).toFixed(2)}x the image's RGBA size; the module's memory grew ${(first.module / 2 ** 20).toFixed(0)} MiB`,
    );
    // Alternating, so that a busy moment of the machine hits both sides.
    const decodes = [],
      opens = [];
    for (let round = 0; round < 5; round++) {
      decodes.push(await timeDecode(page));
      opens.push((await timeOpen(page)).ms);
    }
    const median = (list) => [...list].sort((a, b) => a - b)[list.length >> 1];
    const decode = median(decodes),
      open = median(opens);
    console.log(
      `  open() to first frame ${open.toFixed(0)} ms  bare decode ${decode.toFixed(0)} ms  ratio ${(open / decode).toFixed(2)}x (medians of 5)`,
    );
    const smooth = await smoothFrame(page, 20);
    console.log(
      `  smooth frame 1280x720 ${smooth.smooth.toFixed(2)} ms  nearest ${smooth.nearest.toFixed(2)} ms  ratio ${(smooth.smooth / smooth.nearest).toFixed(2)}x`,
    );
    await resize(page, 3840, 2160);
    const ms = await wholeFrame(page, 30);
    console.log(`  whole true-colour frame 3840x2160 ${ms.toFixed(2)} ms  ${(1000 / ms).toFixed(0)} fps`);
  } finally {
    await close();
  }
}

// The renderer against native, then the whole frame, at every size.
async function renderAndFrame(page) {
  console.log('web render: WebAssembly in Chromium against native, same 48 views, best of alternating runs');
  for (const [w, h] of sizes) {
    await resize(page, w, h);
    let native = Infinity,
      wasm = Infinity;
    // Alternating, so that a busy moment of the machine hits both sides.
    for (let round = 0; round < 3; round++) {
      native = Math.min(native, nativeTime(w, h));
      wasm = Math.min(wasm, await wasmRender(page, 3));
    }
    console.log(
      `  ${`${w}x${h}`.padEnd(10)} native ${native.toFixed(3)} ms  wasm ${wasm.toFixed(3)} ms  ratio ${(wasm / native).toFixed(2)}x`,
    );
  }
  console.log('web frame in Chromium (render + palette lookup + putImageData), one core');
  for (const [w, h] of sizes) {
    await resize(page, w, h);
    const ms = await wholeFrame(page, w > 2000 ? 30 : 120);
    console.log(`  ${`${w}x${h}`.padEnd(10)} ${ms.toFixed(2)} ms per frame  ${(1000 / ms).toFixed(0)} fps`);
  }
}

// The benchmark's build of the module carries the bare renderer's loop.
const { page, close } = await openViewerPage(buildDir, { width: 1400, height: 900, query: '?bench' });
try {
  await page.evaluate(() => window.kalViewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL'));
  if (only !== 'drag') await renderAndFrame(page);
  console.log('web drag in Chromium: animation-frame interval while a mouse drags, one core');
  const drag = async (label) => {
    const { median, p95, frames } = await dragFrames(page, 4);
    console.log(`  ${label.padEnd(24)} median ${median.toFixed(1)} ms  p95 ${p95.toFixed(1)} ms  (${frames} frames)`);
  };
  for (const [w, h] of [
    [1280, 720],
    [3840, 2160],
  ]) {
    await resize(page, w, h);
    await drag(`${w}x${h}`);
  }
  // The same drag with every frame rendered on the page's thread, as with
  // the option worker: false.
  await page.evaluate(() => {
    const viewer = window.kalViewer;
    viewer.frames?.close();
    viewer.frames = null;
    viewer.useWorker = false;
  });
  await drag('3840x2160, no worker');
} finally {
  await close();
}
if (only !== 'drag') await colourBench();
