// The benchmark's page helpers: the viewers' size, the JPEGs it makes in
// the page, the worker-less viewer beside the main one and its bare render.

// In the page: the viewer (and the worker-less one, when there is one) at
// width x height CSS pixels, at the page's top left.
export async function resize(page, width, height) {
  await page.evaluate(
    (w, h) => {
      document.body.style.margin = '0';
      for (const viewer of [window.kalViewer, window.kalPlain]) {
        if (!viewer) continue;
        Object.assign(viewer.host.style, {
          position: 'fixed',
          left: '0',
          top: '0',
          width: `${w}px`,
          height: `${h}px`,
          maxWidth: 'none',
          border: '0',
          resize: 'none',
        });
      }
    },
    width,
    height,
  );
  // Chromium's device emulation hands the resize observer CSS pixels for
  // the device-pixel box: once it has seen the new size, the viewers take
  // the size from the layout and devicePixelRatio instead.
  await page.evaluate(async () => {
    for (let i = 0; i < 3; i++) await new Promise((done) => requestAnimationFrame(done));
    for (const viewer of [window.kalViewer, window.kalPlain]) if (viewer?.session) viewer.fitToHost(null);
  });
  await page.waitForFunction(
    () =>
      [window.kalViewer, window.kalPlain].every((viewer) => {
        if (!viewer?.session) return true;
        const [w, h] = viewer.deviceSize();
        return viewer.canvas.width === w && viewer.canvas.height === h;
      }),
    { timeout: 60000 },
  );
}

// In the page: a width x height JPEG of a busy pattern (a sky, a horizon of
// coloured blocks), kept as window.kalJpegs[name]; resolves its size in bytes.
export function makeJpeg(page, width, height, name) {
  return page.evaluate(
    async (w, h, key) => {
      const canvas = new OffscreenCanvas(w, h),
        c = canvas.getContext('2d');
      const sky = c.createLinearGradient(0, 0, 0, h);
      sky.addColorStop(0, '#2a5d9f');
      sky.addColorStop(1, '#d8c9a0');
      c.fillStyle = sky;
      c.fillRect(0, 0, w, h);
      const blocks = Math.round((4000 * w * h) / 16e6);
      for (let i = 0; i < blocks; i++) {
        c.fillStyle = `hsl(${(i * 37) % 360} 50% ${30 + (i % 40)}%)`;
        c.fillRect((i * 7919) % w, 0.4 * h + ((i * 104729) % (0.6 * h)), 20 + (i % 60), 10 + (i % 90));
      }
      window.kalJpegs ??= {};
      window.kalJpegs[key] = await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.9 });
      return window.kalJpegs[key].size;
    },
    width,
    height,
    name,
  );
}

// In the page: a second viewer made with { worker: false }, hidden under
// the first, which renders on the page's thread: its render times are the
// worker's own without the transfer.
export function makePlainViewer(page) {
  return page.evaluate(async () => {
    const { KalViewer } = await import('./kalvoria.js');
    const host = document.createElement('div');
    Object.assign(host.style, { visibility: 'hidden', width: '640px', height: '480px' });
    document.body.append(host);
    window.kalPlain = new KalViewer(host, { worker: false, wasmUrl: window.kalViewer.wasmUrl });
  });
}

// The worker-less viewer's render alone at its size: the median of `count`
// renders, each of a view `turn` ([bearing, pitch] degrees) on from the one
// before, starting at the main viewer's view (the engine keeps what a view
// needs: the same view again would cost less than a drag's), in ms.
export function plainRender(page, smooth, count, turn = [0.7, 0]) {
  return page.evaluate(
    (s, n, [db, dp]) => {
      const plain = window.kalPlain,
        view = window.kalViewer.view;
      const times = [];
      for (let i = 0; i < n; i++) {
        plain.session.putAngles(view.bearing + i * db, view.pitch + i * dp, NaN, view.hfov);
        const t0 = performance.now();
        plain.session.render(s);
        times.push(performance.now() - t0);
      }
      return times.sort((a, b) => a - b)[n >> 1];
    },
    smooth,
    count,
    turn,
  );
}
