// The viewer's input, motion, views and life cycle in headless Chromium,
// driven by real touch, mouse, wheel and key events through the DevTools
// protocol. Prints "pass web: NAME" or "fail web: NAME: reason" per test.
//   node input_test.mjs WEB_BUILD_DIR KALRENDER
const { openViewerPage, LIMIT_MS, results, check } = await import(
  new URL('../../web/tools/browser.mjs', import.meta.url)
);

const [buildDir] = process.argv.slice(2);
const { report } = results;

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const view = (page) => page.evaluate(() => window.kalViewer.view);
// Degrees from a to b the short way round.
const turn = (a, b) => ((((b - a) % 360) + 540) % 360) - 180;
// Waits for two animation frames, so that the viewer has painted and reported.
const settle = (page) =>
  page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));

// Page coordinates of the middle of the viewer, and its box.
async function viewerBox(page) {
  return page.evaluate(() => {
    const box = window.kalViewer.canvas.getBoundingClientRect();
    return { x: box.left + box.width / 2, y: box.top + box.height / 2, width: box.width, height: box.height };
  });
}

// One touch gesture: `frames` lists, per step, the fingers' [x, y] points.
async function touch(session, frames) {
  const points = (list) => list.map(([x, y], id) => ({ x, y, id, radiusX: 1, radiusY: 1, force: 1 }));
  await session.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: points(frames[0]) });
  for (const frame of frames.slice(1)) {
    await session.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: points(frame) });
    await sleep(16);
  }
  await session.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}

// The image pixel under a page point.
const under = (page, x, y) =>
  page.evaluate(
    async (cx, cy) => {
      const { imagePoint, viewPoint } = await import('./view_geometry.js');
      return imagePoint(window.kalViewer, ...viewPoint(window.kalViewer, cx, cy));
    },
    x,
    y,
  );

const steps = (from, to, count) => Array.from({ length: count + 1 }, (_, i) => from + ((to - from) * i) / count);

const tests = {
  async 'a one-finger drag turns the view and scrolls nothing; a double tap zooms a step; a pinch zooms the view, not the page'(
    page,
    session,
  ) {
    await page.evaluate(() => window.kalViewer.setView({ bearing: 0, pitch: 0, zoom: 1 }));
    const box = await viewerBox(page),
      start = await view(page);
    await touch(
      session,
      steps(box.x - 100, box.x + 100, 10).map((x) => [[x, box.y]]),
    );
    await touch(
      session,
      steps(box.y - 80, box.y + 80, 8).map((y) => [[box.x, y]]),
    );
    const dragged = await view(page);
    check(
      turn(start.bearing, dragged.bearing) < -10,
      `a drag to the right turned ${turn(start.bearing, dragged.bearing)}°`,
    );
    check(dragged.pitch > 5, `a drag downwards left the pitch at ${dragged.pitch}°`);
    await page.evaluate(() => window.kalViewer.setView({ zoom: 1 }));
    for (let i = 0; i < 2; i++) await touch(session, [[[box.x, box.y]]]);
    const tapped = (await view(page)).zoom;
    check(Math.abs(tapped - 1.5) < 0.02, `a double tap zoomed from 1 to ${tapped}`);
    await page.evaluate(() => window.kalViewer.setView({ pitch: 0 }));
    const middle = await under(page, box.x + 30, box.y - 20);
    const spread = steps(20, 120, 10).map((d) => [
      [box.x + 30 - d, box.y - 20],
      [box.x + 30 + d, box.y - 20],
    ]);
    await touch(session, spread);
    const kept = await under(page, box.x + 30, box.y - 20);
    check(
      Math.abs(kept.column - middle.column) <= 2 && Math.abs(kept.row - middle.row) <= 2,
      `the pinch's midpoint moved from image point ${JSON.stringify(middle)} to ${JSON.stringify(kept)}`,
    );
    const pinched = await view(page),
      page1 = await page.evaluate(() => [visualViewport.scale, scrollX, scrollY]);
    check(pinched.zoom > 1.5 * 2, `a pinch from 40 to 240 pixels zoomed from 1.5 to ${pinched.zoom}`);
    check(page1.join() === '1,0,0', `the page zoomed or scrolled: scale, x, y = ${page1.join(', ')}`);
  },

  async 'the wheel and ctrl+wheel zoom the view and never scroll the page'(page, session) {
    await page.evaluate(() => window.kalViewer.setView({ bearing: 0, pitch: 0, zoom: 1.5 }));
    const box = await viewerBox(page);
    await page.mouse.move(box.x, box.y);
    await page.mouse.wheel({ deltaY: -300 });
    await settle(page);
    const wheeled = (await view(page)).zoom;
    await session.send('Input.dispatchMouseEvent', {
      type: 'mouseWheel',
      x: box.x,
      y: box.y,
      deltaX: 0,
      deltaY: 40,
      modifiers: 2,
    });
    await settle(page);
    const pinched = (await view(page)).zoom,
      scroll = await page.evaluate(() => [scrollX, scrollY]);
    check(wheeled > 1.5 * 1.3, `a wheel turn of -300 zoomed from 1.5 to ${wheeled}`);
    check(pinched < wheeled * 0.8, `ctrl+wheel +40 zoomed from ${wheeled} to ${pinched}`);
    check(scroll.join() === '0,0', `the page scrolled to ${scroll.join(', ')}`);
  },

  async 'a grab keeps the image point under the pointer within 2 pixels'(page) {
    await page.evaluate(() => window.kalViewer.setView({ bearing: 10, pitch: 5, zoom: 1.3 }));
    const box = await viewerBox(page);

    const from = [box.x - 120, box.y + 40],
      anchor = await under(page, ...from);
    await page.mouse.move(...from);
    await page.mouse.down();
    for (const [dx, dy] of [
      [60, -10],
      [150, -30],
      [230, -50],
    ]) {
      await page.mouse.move(from[0] + dx, from[1] + dy, { steps: 4 });
      const seen = await under(page, from[0] + dx, from[1] + dy),
        zoom = (await view(page)).zoom;
      const off = Math.hypot(seen.column - anchor.column, seen.row - anchor.row) * zoom;
      check(off <= 2, `after a move of ${dx}, ${dy} the anchor is ${off.toFixed(1)} pixels away`);
    }
    await sleep(200); // a pause before the release: no throw, no coasting
    await page.mouse.up();
    const released = await view(page);
    await sleep(200);
    check((await view(page)).x === released.x, 'the view coasted after a slow release');
  },

  async 'a quick throw coasts about half a second, but not under reduced motion'(page) {
    const throwAndWatch = async () => {
      await page.evaluate(() => window.kalViewer.setView({ bearing: 0, pitch: 0, zoom: 1 }));
      const box = await viewerBox(page);
      await page.mouse.move(box.x - 150, box.y);
      await page.mouse.down();
      await page.mouse.move(box.x + 150, box.y, { steps: 6 });
      await page.mouse.up();
      const released = (await view(page)).bearing;
      await sleep(700);
      const rested = (await view(page)).bearing;
      await sleep(300);
      return [turn(released, rested), turn(rested, (await view(page)).bearing)];
    };
    const [coasted, after] = await throwAndWatch();
    check(coasted < -1 && after === 0, `the throw coasted ${coasted}°, then ${after}° more`);
    await page.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]);
    try {
      const [reduced] = await throwAndWatch();
      check(reduced === 0, `under reduced motion the view coasted ${reduced}°`);
    } finally {
      await page.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'no-preference' }]);
    }
  },

  async 'views round-trip exactly, omitted fields stay (a zoom keeps the direction), a clamped view is returned as taken'(
    page,
  ) {
    const result = await page.evaluate(() => {
      const v = window.kalViewer;
      v.setView({ bearing: 123.4, pitch: 12.5, zoom: 1.7 });
      const first = v.view;
      for (let i = 0; i < 100; i++) v.setView(v.view);
      const last = v.view;
      v.setView({ bearing: 200 });
      const kept = v.view;
      const zoomed = v.setView({ zoom: 2.5 });
      const clamped = v.setView({ zoom: 0.05 });
      return { first, last, kept, zoomed, clamped, now: v.view, bad: v.setView({ bearing: NaN }) };
    });
    const { first, last, kept, zoomed, clamped, now } = result;
    check(
      ['bearing', 'pitch', 'zoom', 'x', 'y', 'z'].every((f) => first[f] === last[f]),
      `100 round trips moved ${JSON.stringify(first)} to ${JSON.stringify(last)}`,
    );
    check(
      Math.abs(first.bearing - 123.4) < 0.2 && Math.abs(first.pitch - 12.5) < 0.2 && Math.abs(first.zoom - 1.7) < 0.01,
      `asked for 123.4°, 12.5°, 1.7x; got ${JSON.stringify(first)}`,
    );
    check(
      Math.abs(kept.bearing - 200) < 0.2 && kept.pitch === first.pitch && kept.zoom === first.zoom,
      `after a bearing alone: ${JSON.stringify(kept)}`,
    );
    check(
      Math.abs(zoomed.pitch - kept.pitch) < 0.05 && Math.abs(zoomed.bearing - kept.bearing) < 0.05,
      `zooming in moved the view from ${JSON.stringify(kept)} to ${JSON.stringify(zoomed)}`,
    );
    check(
      clamped && clamped.zoom > 0.05 && clamped.zoom === now.zoom,
      `a zoom of 0.05 returned ${JSON.stringify(clamped)}`,
    );
    check(result.bad === false, 'a bearing of NaN was taken');
  },

  async 'keys: + and = zoom in steps, - zooms out, Home returns, Escape hides the tooltip, f goes fullscreen'(page) {
    await page.evaluate(() => {
      window.kalViewer.setView({ bearing: 0, pitch: 0, zoom: 1 });
      window.kalViewer.canvas.focus();
    });
    const zooms = [];
    for (const key of ['+', '=', '-']) {
      await page.keyboard.press(key);
      zooms.push((await view(page)).zoom);
    }
    check(
      zooms[0] > 1.2 && zooms[1] > zooms[0] * 1.2 && Math.abs(zooms[2] - zooms[0]) < 0.02,
      `zooms after +, =, -: ${zooms.join(', ')}`,
    );
    const home = await page.evaluate(() => window.kalViewer.startView);
    await page.keyboard.press('Home');
    const back = await view(page);
    check(back.x === home.x && back.y === home.y && back.z === home.z, `Home went to ${JSON.stringify(back)}`);
    await page.evaluate(() => window.kalViewer.overlay.showTooltip('a label', 10, 10));
    await page.keyboard.press('Escape');
    check(
      await page.evaluate(() => getComputedStyle(window.kalViewer.tooltip).display === 'none'),
      'Escape left the tooltip',
    );
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 2000 }).catch(() => {});
    const full = await page.evaluate(async () => {
      const on = document.fullscreenElement !== null;
      if (on) await document.exitFullscreen();
      return on;
    });
    check(full, 'f did not enter fullscreen');
  },

  async 'a drag reports at most one viewchange per animation frame'(page) {
    const box = await viewerBox(page);
    await page.evaluate(() => {
      window.kalCounts = { frames: 0, views: 0, worst: 0, running: true };
      const count = () => {
        const c = window.kalCounts;
        c.worst = Math.max(c.worst, c.views);
        c.views = 0;
        c.frames++;
        if (c.running) requestAnimationFrame(count);
      };
      requestAnimationFrame(count);
      document.getElementById('viewer').addEventListener('viewchange', () => window.kalCounts.views++);
    });
    await page.mouse.move(box.x - 100, box.y);
    await page.mouse.down();
    await page.mouse.move(box.x + 100, box.y + 50, { steps: 40 });
    await page.mouse.up();
    const counts = await page.evaluate(() => {
      window.kalCounts.running = false;
      return window.kalCounts;
    });
    check(counts.worst <= 1, `${counts.worst} viewchange events in one frame`);
  },

  async "frames painted by the render worker equal the main thread's, after a photo's open was overtaken"(page) {
    // The photo's worker would start after its first frame; the 8-bit open overtakes it first.
    await page.evaluate(async () => {
      const v = window.kalViewer,
        overtaken = new Promise((done) =>
          v.host.addEventListener('load', () => done(v.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL')), {
            once: true,
          }),
        );
      await v.openUrl('samples/courtyard.jpg');
      await overtaken;
      v.setView({ bearing: 30, pitch: 10, zoom: 1.2 });
    });
    const box = await viewerBox(page);
    await page.mouse.move(box.x, box.y);
    await page.mouse.down();
    await page.mouse.move(box.x + 90, box.y + 30, { steps: 5 });
    await page.mouse.up();
    const same = await page.evaluate(async () => {
      const v = window.kalViewer,
        pixels = () => v.context.getImageData(0, 0, v.canvas.width, v.canvas.height).data;
      const worker = v.frames !== null,
        until = performance.now() + 20000;
      while (v.motion.active || v.frames?.busy || v.paintedSeq !== v.seq) {
        if (performance.now() > until)
          return `never came to rest: motion ${v.motion.active}, worker busy ${v.frames?.busy}, painted ${v.paintedSeq} of ${v.seq}`;
        await new Promise((done) => requestAnimationFrame(done));
      }
      const painted = pixels();
      v.render();
      const reference = pixels();
      return { worker, equal: painted.every((byte, i) => byte === reference[i]) };
    });
    check(typeof same === 'object', same);
    check(same.worker, 'no render worker ran');
    check(same.equal, "the worker's frame differs from the main thread's render of the same view");
  },

  async "a moving frame at half the resolution fills the canvas, and pointers keep the view's pixels"(page) {
    const got = await page.evaluate(async () => {
      const { viewPoint } = await import('./view_geometry.js');
      const v = window.kalViewer,
        { width, height } = v.session,
        box = v.canvas.getBoundingClientRect();
      const centre = () => viewPoint(v, box.left + box.width / 2, box.top + box.height / 2);
      const before = centre();
      const half = [Math.ceil(width / 2), Math.ceil(height / 2)];
      v.workerFrame({
        seq: v.seq + 1,
        width: half[0],
        height: half[1],
        buffer: new ArrayBuffer(half[0] * half[1] * 4),
        smooth: false,
        shows: [width, height],
      });
      const shown = { canvas: [v.canvas.width, v.canvas.height], box: v.canvas.getBoundingClientRect().width };
      const after = centre();
      v.render(); // the whole frame again
      return { before, after, shown, half, box: box.width };
    });
    check(
      got.shown.canvas.join() === got.half.join() && got.shown.box === got.box,
      `a half frame made the canvas ${got.shown.canvas} at ${got.shown.box} CSS pixels`,
    );
    check(got.before.join() === got.after.join(), `the view's centre moved from ${got.before} to ${got.after}`);
  },

  async 'a held arrow turns at the same angular speed on a narrow and a wide image'(page) {
    const turned = await page.evaluate(async () => {
      // An 8-bit grey BMP of width x height, bottom-up.
      const bmp = (width, height) => {
        const stride = (width + 3) & ~3,
          offset = 14 + 40 + 1024,
          bytes = new Uint8Array(offset + stride * height);
        const data = new DataView(bytes.buffer);
        bytes.set([66, 77]);
        [
          [2, offset + stride * height],
          [10, offset],
          [14, 40],
          [18, width],
          [22, height],
          [34, stride * height],
        ].forEach(([at, v]) => data.setUint32(at, v, true));
        data.setUint16(26, 1, true);
        data.setUint16(28, 8, true);
        for (let i = 0; i < 256; i++) bytes.set([i, i, i, 0], 54 + 4 * i);
        for (let y = 0; y < height; y++)
          for (let x = 0; x < width; x++) bytes[offset + y * stride + x] = (x * 7 + y) & 255;
        return bytes;
      };
      const v = window.kalViewer,
        result = [];
      for (const width of [3000, 12000]) {
        if (!(await v.open(bmp(width, 600)))) return `a ${width}-wide image did not open`;
        const before = v.view.bearing;
        v.motion.pressKey('ArrowRight');
        v.motion.step(0.5);
        v.motion.releaseKey('ArrowRight');
        result.push((v.view.bearing - before + 360) % 360);
      }
      await v.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      return result;
    });
    check(Array.isArray(turned), turned);
    check(
      turned.every((degrees) => Math.abs(degrees - 30) < 0.5),
      `half a second turned ${turned.join('° and ')}°, not 30° each`,
    );
  },

  async 'a drag, auto-rotate and setView together paint once per animation frame; destroy() asks for no frame'(page) {
    const box = await viewerBox(page);
    await page.evaluate(async () => {
      const v = window.kalViewer,
        { AutoRotate } = await import('./autorotate.js');
      v.setView({ bearing: 0, pitch: 0, zoom: 1 });
      // Paints asked for, by the animation frame they fall in; a detached
      // host keeps the drag from stopping the turning.
      const t = (window.kalOverlap = { frame: 0, paints: [], counting: true });
      const count = () => {
        t.frame++;
        if (t.counting) requestAnimationFrame(count);
      };
      requestAnimationFrame(count);
      const spy = (object, name) => {
        const own = object[name].bind(object);
        object[name] = (...args) => {
          t.paints.push(t.frame);
          return own(...args);
        };
      };
      // On the page's thread, where every paint is a render() call.
      [t.frames, v.frames] = [v.frames, null];
      spy(v, 'render');
      const proxy = { host: document.createElement('div'), loop: v.loop, setView: (r) => v.setView(r) };
      Object.defineProperty(proxy, 'view', { get: () => v.view });
      t.rotate = new AutoRotate(proxy, { speed: 90, idle: 0 });
      t.rotate.begin();
      t.timer = setInterval(() => {
        for (let i = 0; i < 4; i++) v.setView({ pitch: i });
      }, 7);
    });
    await page.mouse.move(box.x - 100, box.y);
    await page.mouse.down();
    for (const x of steps(box.x - 100, box.x + 100, 12)) {
      await page.mouse.move(x, box.y + 10);
      await sleep(12);
    }
    await page.mouse.up();
    const overlap = await page.evaluate(async () => {
      const v = window.kalViewer,
        t = window.kalOverlap;
      clearInterval(t.timer);
      const running = t.rotate.running;
      t.rotate.destroy();
      await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
      t.counting = false;
      delete v.render;
      v.frames = t.frames;
      const perFrame = {};
      for (const frame of t.paints) perFrame[frame] = (perFrame[frame] ?? 0) + 1;
      return { running, frames: t.frame, paints: t.paints.length, most: Math.max(...Object.values(perFrame)) };
    });
    check(overlap.running, 'auto-rotate stopped during the drag');
    check(
      overlap.paints >= 10 && overlap.most === 1,
      `${overlap.paints} paints in ${overlap.frames} frames, up to ${overlap.most} in one`,
    );
    const left = await page.evaluate(async () => {
      // Frames asked for and not yet run or cancelled, from here on.
      const asked = new Set(),
        request = window.requestAnimationFrame,
        cancel = window.cancelAnimationFrame;
      window.requestAnimationFrame = (callback) => {
        const id = request((time) => {
          asked.delete(id);
          callback(time);
        });
        asked.add(id);
        return id;
      };
      window.cancelAnimationFrame = (id) => {
        asked.delete(id);
        cancel(id);
      };
      const host = document.createElement('div');
      Object.assign(host.style, { width: '200px', height: '150px' });
      document.body.append(host);
      const viewer = new window.kalViewer.constructor(host, { autoRotate: 90, idle: 0 });
      await viewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      viewer.motion.pressKey('ArrowRight');
      viewer.changed();
      await new Promise((done) => setTimeout(done, 100));
      const moving = asked.size > 0;
      viewer.destroy();
      await new Promise((done) => request(() => request(done)));
      window.requestAnimationFrame = request;
      window.cancelAnimationFrame = cancel;
      host.remove();
      return { moving, left: asked.size };
    });
    check(left.moving && left.left === 0, `${left.left} frames asked for after destroy() (moving: ${left.moving})`);
  },

  async 'destroy() during openUrl leaves no session, element, listener or style'(page) {
    const result = await page.evaluate(async () => {
      const host = document.createElement('div'),
        own = document.createElement('p');
      host.append(own);
      Object.assign(host.style, { width: '200px', height: '150px' });
      document.body.append(host);
      const viewer = new window.kalViewer.constructor(host);
      const opening = viewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      viewer.destroy();
      const opened = await opening,
        reopened = await viewer.open(new Uint8Array(10));
      let threw = '';
      try {
        viewer.setView({ bearing: 1 });
      } catch (error) {
        threw = error.message;
      }
      const state = {
        opened,
        reopened,
        threw,
        session: viewer.session,
        engine: viewer.engine,
        worker: viewer.frames,
        children: [...host.children].map((e) => e.tagName),
        position: host.style.position,
      };
      host.remove();
      return state;
    });
    check(result.opened === false && result.reopened === false, `open resolved ${result.opened}, ${result.reopened}`);
    check(
      result.session === null && result.engine === null && result.worker === null,
      'a session or worker survived destroy()',
    );
    check(
      result.children.join() === 'P' && result.position === '',
      `the host kept ${result.children.join()} and position "${result.position}"`,
    );
    check(/destroyed/.test(result.threw), `setView after destroy() threw "${result.threw}"`);
  },

  async 'with keyboardZoom, mouseZoom and draggable off, keys, wheel, double click and drag leave the view, the wheel scrolls the page, a click picks; friction 0 stops at the release'(
    page,
  ) {
    const box = await page.evaluate(async () => {
      const host = document.createElement('div');
      Object.assign(host.style, { position: 'fixed', left: '0', top: '0', width: '400px', height: '300px', zIndex: 5 });
      document.body.append(host);
      const v = (window.kalOff = new window.kalViewer.constructor(host, {
        keyboardZoom: false,
        mouseZoom: false,
        draggable: false,
        friction: 0,
      }));
      window.kalPicked = [];
      host.addEventListener('hotspot', (event) => window.kalPicked.push(event.detail.label));
      await v.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      v.setView({ bearing: 90, pitch: 0, zoom: 1 }); // the east door in the middle
      v.canvas.focus();
      return { x: 200, y: 150 };
    });
    const off = () => page.evaluate(() => window.kalOff.view);
    const start = await off();
    await page.keyboard.press('+');
    await page.mouse.move(box.x, box.y);
    await page.mouse.click(box.x, box.y, { count: 2 });
    await page.mouse.down();
    await page.mouse.move(box.x + 150, box.y + 40, { steps: 6 });
    await page.mouse.up();
    await page.mouse.wheel({ deltaY: 300 });
    await page.waitForFunction(() => scrollY > 0, { timeout: 2000 }).catch(() => {});
    await settle(page);
    const after = await off(),
      [scrolled, picked] = await page.evaluate(() => [scrollY, window.kalPicked]);
    await page.evaluate(() => window.scrollTo(0, 0));
    check(
      ['x', 'y', 'z'].every((f) => after[f] === start[f]),
      `the view moved from ${JSON.stringify(start)} to ${JSON.stringify(after)}`,
    );
    check(scrolled > 0, 'the wheel did not scroll the page');
    check(picked[0] === 'East door', `the clicks picked ${JSON.stringify(picked)}`);
    // A quick throw, dragging on again: friction 0 does not coast.
    await page.evaluate(() => {
      window.kalOff.draggable = true;
    });
    await page.mouse.move(box.x - 150, box.y);
    await page.mouse.down();
    await page.mouse.move(box.x + 150, box.y, { steps: 6 });
    await page.mouse.up();
    const released = await off();
    await sleep(300);
    const rested = await off();
    await page.evaluate(() => {
      window.kalOff.destroy();
      window.kalOff.host.remove();
    });
    check(released.x !== start.x, 'the drag did not turn once draggable');
    check(rested.x === released.x, `friction 0 coasted from ${released.bearing}° to ${rested.bearing}°`);
  },
};

let viewer;
try {
  viewer = await openViewerPage(buildDir, { width: 800, height: 700 });
} catch (error) {
  report('the input page opens', error);
  process.exit(1);
}
const { page, consoleErrors, close } = viewer;
try {
  // A page taller than the window, so that a scroll would show; touch on.
  await page.setViewport({ width: 800, height: 700, deviceScaleFactor: 1, hasTouch: true });
  await page.evaluate(() => {
    document.body.style.minHeight = '3000px';
    window.scrollTo(0, 0);
  });
  await page.waitForFunction(() => window.kalViewer.view !== null, { timeout: LIMIT_MS });
  // The page opens the true-colour sample; these tests use the 8-bit one.
  await page.evaluate(() => window.kalViewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL'));
  const session = await page.createCDPSession();
  for (const [name, test] of Object.entries(tests)) {
    try {
      await test(page, session);
      report(name);
    } catch (error) {
      report(name, error);
    }
  }
  report('no console errors during input', consoleErrors.length ? new Error(consoleErrors.join(' | ')) : null);
} finally {
  await close();
}
process.exit(results.failures ? 1 : 0);
