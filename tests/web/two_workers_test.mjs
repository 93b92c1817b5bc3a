// A cross-origin isolated page, in headless Chromium: a photo's frames drawn
// in halves by the render worker and its helper over shared memory are the
// frames one engine draws alone, byte for byte, and a viewer destroyed while
// the two draw leaves no error. Prints "pass NAME" or "fail NAME: why".
//   node two_workers_test.mjs WEB_BUILD_DIR KALRENDER
const { runSuite, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));

const [buildDir] = process.argv.slice(2);

// In the page: kalPhoto(width, height) resolves a JPEG of a busy pattern;
// kalAsk(view, smooth) resolves the render worker's frame of a view as
// { bytes, width, height, shares }; kalEvents collects error events.
async function installHelpers(page) {
  await page.evaluate(() => {
    window.kalPhoto = async (width, height) => {
      const canvas = new OffscreenCanvas(width, height),
        c = canvas.getContext('2d');
      const image = c.createImageData(width, height);
      for (let y = 0, i = 0; y < height; y++) {
        for (let x = 0; x < width; x++, i += 4) image.data.set([(x * 7) & 255, (y * 5) & 255, (x ^ y) & 255, 255], i);
      }
      c.putImageData(image, 0, 0);
      return new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.95 })).arrayBuffer());
    };
    window.kalAsk = (view, smooth) =>
      new Promise((done) => {
        const viewer = window.kalViewer,
          frames = viewer.frames,
          paint = frames.onFrame,
          seq = ++viewer.seq;
        frames.onFrame = (data) => {
          if (data.seq === seq) {
            frames.onFrame = paint;
            const { width, height, shares } = data;
            done({ bytes: new Uint8Array(data.buffer).slice(), width, height, shares });
          }
          paint(data);
        };
        frames.request(seq, { view, smooth });
      });
    window.kalEvents = [];
    window.kalViewer.host.addEventListener('error', (e) => window.kalEvents.push(e.detail.message));
  });
}

// Opens a 4096x2048 photo (a full sphere) in the viewer, rendered by the
// two workers, and in a worker-less viewer of the same view size beside it.
async function openPhoto(page) {
  const ok = await page.evaluate(async () => {
    const { KalViewer } = await import('./kalvoria.js');
    const photo = await window.kalPhoto(4096, 2048);
    const viewer = window.kalViewer;
    window.kalPlain?.destroy();
    const host = document.createElement('div');
    Object.assign(host.style, { visibility: 'hidden', width: '320px', height: '240px' });
    document.body.append(host);
    window.kalPlain = new KalViewer(host, { worker: false, wasmUrl: viewer.wasmUrl });
    const opened = (await viewer.open(photo)) && (await window.kalPlain.open(photo));
    await viewer.painted();
    window.kalPlain.session.resize(viewer.session.width, viewer.session.height);
    // The helper starts with the render worker's panorama: until then, the
    // render worker draws alone.
    const view = viewer.view;
    for (let i = 0; i < 100 && (await window.kalAsk(view, false)).shares !== 2; i++)
      await new Promise((done) => setTimeout(done, 50));
    return opened && Boolean(viewer.frames) && !viewer.session.hasPixels;
  });
  check(ok, 'the photo did not open in the render worker');
}

const tests = {
  async 'the isolated page has shared memory'(page) {
    check(await page.evaluate(() => crossOriginIsolated && typeof SharedArrayBuffer === 'function'), 'not isolated');
  },

  // Views far apart, so that each frame's table is new; moving (nearest)
  // and resting (filtered) frames of each.
  async 'two workers draw a photo frame byte for byte as one engine does'(page) {
    await openPhoto(page);
    const differences = await page.evaluate(async () => {
      const plain = window.kalPlain.session,
        out = [];
      const views = [
        { bearing: 30, pitch: 20, hfov: 70 },
        { bearing: 200.3, pitch: -61, hfov: 95 },
        { bearing: 359.9, pitch: 0, hfov: 40 },
      ];
      for (const view of views) {
        for (const smooth of [false, true]) {
          const frame = await window.kalAsk(view, smooth);
          plain.putAngles(view.bearing, view.pitch, NaN, view.hfov);
          const alone = plain.render(smooth);
          const at = frame.bytes.findIndex((byte, i) => byte !== alone[i]);
          const label = `${view.bearing}/${view.pitch}${smooth ? ' smooth' : ''}`;
          if (frame.shares !== 2) out.push(`${label}: drawn by ${frame.shares} worker`);
          else if (frame.width !== plain.width || frame.height !== plain.height)
            out.push(`${label}: ${frame.width}x${frame.height}, not ${plain.width}x${plain.height}`);
          else if (at !== -1 || frame.bytes.length !== alone.length)
            out.push(`${label}: differs at row ${Math.floor(at / 4 / frame.width)} of ${frame.height}`);
        }
      }
      return out;
    });
    check(!differences.length, differences.join('; '));
  },

  // The page ends the render worker (and with it the helper) mid-frame: at
  // 3840x2160 a frame takes long enough to be caught in flight.
  async 'destroying the viewer while two workers draw leaves no error'(page) {
    const result = await page.evaluate(async () => {
      const viewer = window.kalViewer;
      Object.assign(viewer.host.style, { position: 'fixed', left: '0', top: '0', width: '3840px', height: '2160px' });
      for (let i = 0; i < 3; i++) await new Promise((done) => requestAnimationFrame(done));
      viewer.fitToHost(null);
      await viewer.painted();
      const frames = viewer.frames;
      for (let i = 0; i < 20 && !frames.busy; i++) {
        viewer.setView({ bearing: i * 7, pitch: i });
        await new Promise((done) => requestAnimationFrame(done));
      }
      const busy = frames.busy;
      viewer.destroy();
      await new Promise((done) => setTimeout(done, 500));
      return { busy, events: window.kalEvents };
    });
    check(result.busy, 'no frame was in flight when the viewer went');
    check(!result.events.length, `error events: ${result.events.join(' | ')}`);
  },
};

runSuite(buildDir, 'two-worker tests', tests, { prepare: installHelpers, isolated: true });
