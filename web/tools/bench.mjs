// The web viewer's benchmark: the WebAssembly renderer in Chromium against
// the native renderer on the same views, then the whole frame in Chromium
// (render, palette lookup, putImageData) at three sizes.
// Last, the animation-frame interval while a mouse drags the view.
//   node bench.mjs WEB_BUILD_DIR NATIVE_TIMER [drag]   (drag: that part only)
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { openViewerPage } from './browser.mjs';

const [buildDir, timer, only] = process.argv.slice(2);
const sizes = [[640, 480], [1280, 720], [3840, 2160]];
const repeats = 3;
const samples = path.join(buildDir, 'samples');

// Milliseconds per frame of the native renderer at one size (its best of three).
function nativeTime(width, height) {
  const out = execFileSync(timer, [path.join(samples, 'courtyard.bmp'), path.join(samples, 'courtyard.KAL'),
    `${repeats}`, `${width}x${height}`]).toString();
  return Number(out.trim().split(' ')[1]);
}

// In the page: a viewer of width x height device pixels.
async function resize(page, width, height) {
  await page.evaluate((w, h) => Object.assign(document.getElementById('viewer').style, { width: `${w}px`, height: `${h}px`, maxWidth: 'none', border: '0' }), width, height);
  await page.waitForFunction((w, h) => window.kalViewer.canvas.width === w && window.kalViewer.canvas.height === h, {}, width, height);
}

// Best of three passes over the benchmark's views, in ms per frame.
function wasmRender(page, passes) {
  return page.evaluate((r, n) => {
    const { engine, session } = window.kalViewer;
    let best = Infinity;
    for (let pass = 0; pass < n; pass++) {
      const start = performance.now();
      const frames = engine.x.kalweb_renderViews(session, r);
      best = Math.min(best, (performance.now() - start) / frames);
    }
    return best;
  }, repeats, passes);
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
        viewer.engine.x.kalweb_move(viewer.session, 8, 0, 0);
        viewer.render();
      }
      viewer.context.getImageData(0, 0, 1, 1);  // the last frame has landed
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
  const mouse = (type, x, y) => session.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', buttons: type === 'mouseReleased' ? 0 : 1, clickCount: 1 });
  await page.evaluate(() => {
    window.kalFrames = [];
    const tick = (time) => { window.kalFrames.push(time); if (window.kalFrames.length < 100000) window.kalFrameId = requestAnimationFrame(tick); };
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
  const times = await page.evaluate(() => { cancelAnimationFrame(window.kalFrameId); return window.kalFrames; });
  await session.detach();
  const gaps = times.slice(2).map((t, i) => t - times[i + 1]).sort((a, b) => a - b);
  const at = (q) => gaps[Math.min(gaps.length - 1, Math.floor(q * gaps.length))];
  return { median: at(0.5), p95: at(0.95), frames: gaps.length };
}

// The renderer against native, then the whole frame, at every size.
async function renderAndFrame(page) {
  console.log('web render: WebAssembly in Chromium against native, same 48 views, best of alternating runs');
  for (const [w, h] of sizes) {
    await resize(page, w, h);
    let native = Infinity, wasm = Infinity;
    // Alternating, so that a busy moment of the machine hits both sides.
    for (let round = 0; round < 3; round++) {
      native = Math.min(native, nativeTime(w, h));
      wasm = Math.min(wasm, await wasmRender(page, 3));
    }
    console.log(`  ${`${w}x${h}`.padEnd(10)} native ${native.toFixed(3)} ms  wasm ${wasm.toFixed(3)} ms  ratio ${(wasm / native).toFixed(2)}x`);
  }
  console.log('web frame in Chromium (render + palette lookup + putImageData), one core');
  for (const [w, h] of sizes) {
    await resize(page, w, h);
    const ms = await wholeFrame(page, w > 2000 ? 30 : 120);
    console.log(`  ${`${w}x${h}`.padEnd(10)} ${ms.toFixed(2)} ms per frame  ${(1000 / ms).toFixed(0)} fps`);
  }
}

const { page, close } = await openViewerPage(buildDir, { width: 1400, height: 900 });
try {
  if (only !== 'drag') await renderAndFrame(page);
  console.log('web drag in Chromium: animation-frame interval while a mouse drags, one core');
  const drag = async (label) => {
    const { median, p95, frames } = await dragFrames(page, 4);
    console.log(`  ${label.padEnd(24)} median ${median.toFixed(1)} ms  p95 ${p95.toFixed(1)} ms  (${frames} frames)`);
  };
  for (const [w, h] of [[1280, 720], [3840, 2160]]) {
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
