// The web viewer's benchmark: the WebAssembly renderer in Chromium against
// the native renderer on the same views, then the whole frame in Chromium
// (render, palette lookup, putImageData) at three sizes.
//   node bench.mjs WEB_BUILD_DIR NATIVE_TIMER
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { openViewerPage } from './browser.mjs';

const [buildDir, timer] = process.argv.slice(2);
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

const { page, close } = await openViewerPage(buildDir, { width: 1400, height: 900 });
try {
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
} finally {
  await close();
}
