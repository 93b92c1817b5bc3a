// The web benchmark's two-worker part: a photo dragged on a page that is not
// cross-origin isolated (one render worker) and on one that is (the render
// worker and its helper share each frame), in pages of their own that
// alternate, so that a busy moment of the machine hits both sides.
import { openViewerPage } from './browser.mjs';
import { makeJpeg, resize } from './bench_page.mjs';
import { dragCase, installProbe, median, ms, percent, pointerInput, settle, triangle } from './drag_probe.mjs';

const ROUNDS = 3;
const PHOTO = { name: 'sphere', width: 4096, height: 2048 };
const SCREENS = [
  [1920, 1080],
  [3840, 2160],
];
const WAYS = ['horizontal', 'vertical'];

// In the page: the photo open in the render worker, its frames counted by
// how many workers drew them and at what share of the view's width.
async function openPhoto(page, isolated) {
  await makeJpeg(page, PHOTO.width, PHOTO.height, PHOTO.name);
  await installProbe(page);
  const ok = await page.evaluate(async (name) => {
    const viewer = window.kalViewer;
    if (!(await viewer.open(window.kalJpegs[name])) || !window.kalProbe.watchWorker()) return false;
    const frames = viewer.frames,
      received = frames.received.bind(frames);
    window.kalShares = { two: 0, frames: 0, scale: 0, renders: [] };
    frames.received = (data) => {
      const count = window.kalShares;
      if (data.kind === 'frame' && window.kalProbe.recording) count.renders.push(data.renderMs);
      if (data.kind === 'frame' && window.kalProbe.recording && !data.smooth) {
        count.frames++;
        count.two += data.shares === 2 ? 1 : 0;
        count.scale += data.width / data.shows[0];
      }
      received(data);
    };
    return !viewer.session.hasPixels;
  }, PHOTO.name);
  if (!ok) throw new Error('the photo is not rendered in the worker');
  if (isolated && !(await page.evaluate(() => crossOriginIsolated))) throw new Error('the page is not isolated');
  await settle(page);
}

// One drag at one screen; resolves { trip, render, fresh, two, scale }: the
// medians of the round trip and of the render in the worker, the share of
// frames with a new view, of moving frames two workers drew, and of the
// view's width the moving frames had.
async function dragAt(page, input, [w, h], way) {
  await page.setViewport({ width: w, height: h, deviceScaleFactor: 1 });
  await resize(page, w, h);
  const start = { bearing: 0, pitch: 0, hfov: 90 };
  const path =
    way === 'horizontal'
      ? (t) => [w / 2 + 0.35 * w * triangle(t), h / 2]
      : (t) => [w / 2, h / 2 + 0.3 * h * triangle(t)];
  await page.evaluate(() => Object.assign(window.kalShares, { two: 0, frames: 0, scale: 0, renders: [] }));
  const r = await dragCase(page, input, [{ view: start, path }]);
  const count = await page.evaluate(() => window.kalShares);
  return {
    trip: r.trip,
    render: median(count.renders),
    fresh: r.fresh,
    two: count.two / Math.max(1, count.frames),
    scale: count.scale / Math.max(1, count.frames),
  };
}

// In the page: `count` resting (filtered, always whole) frames asked of the
// render worker one after another, each turned on from the last (`tilt`:
// up and down by a degree, so that each needs a new table); the medians of
// { trip: ms from the request to the frame's arrival, render: ms of it in the worker }.
function restingFrames(page, tilt, count = 15) {
  return page.evaluate(
    async (pitch, n) => {
      const viewer = window.kalViewer,
        probe = window.kalProbe,
        base = viewer.view;
      window.kalShares.renders = [];
      probe.start();
      for (let i = 0; i < n; i++) {
        viewer.session.putAngles(base.bearing + (pitch ? 0 : 2 * i), base.pitch + (pitch ? i % 2 : 0), NaN, base.hfov);
        const painted = probe.nextPaint();
        viewer.render(true);
        await painted;
        await new Promise((done) => requestAnimationFrame(done));
      }
      const { trips } = probe.stop(),
        mid = (list) => list.sort((a, b) => a - b)[list.length >> 1];
      viewer.changed();
      return { trip: mid(trips), render: mid(window.kalShares.renders) };
    },
    tilt,
    count,
  );
}

async function variant(buildDir, isolated, results) {
  const { page, close } = await openViewerPage(buildDir, { width: 1280, height: 720, query: '?bench', isolated });
  try {
    await openPhoto(page, isolated);
    const cdp = await page.createCDPSession();
    const input = pointerInput(cdp, false);
    for (const screen of SCREENS) {
      for (const way of WAYS) {
        const key = `${screen.join('x')} ${way}`;
        results[key] ??= { one: [], two: [] };
        results[key][isolated ? 'two' : 'one'].push(await dragAt(page, input, screen, way));
      }
      await settle(page);
      for (const pitch of [false, true]) {
        const key = `${screen.join('x')} resting frames, ${pitch ? 'a new pitch (new table) each' : 'turned (same table)'}`;
        results[key] ??= { one: [], two: [] };
        results[key][isolated ? 'two' : 'one'].push(await restingFrames(page, pitch));
      }
    }
    await cdp.detach();
  } finally {
    await close();
  }
}

export async function twoWorkerDrags(buildDir) {
  console.log(
    `photo drag, one render worker against two (a cross-origin isolated page): the ${PHOTO.width}x${PHOTO.height} sphere, mouse, ${ROUNDS} alternating rounds of a page each, medians`,
  );
  const results = {};
  for (let round = 0; round < ROUNDS; round++) {
    for (const isolated of round % 2 ? [true, false] : [false, true]) await variant(buildDir, isolated, results);
  }
  const figure = (runs, key) => median(runs.map((run) => run[key]));
  for (const [key, { one, two }] of Object.entries(results)) {
    const [tripOne, tripTwo] = [figure(one, 'trip'), figure(two, 'trip')];
    const rounds = (runs) => runs.map((run) => run.trip.toFixed(1)).join(' ');
    if (one[0].fresh === undefined) {
      console.log(
        `  ${key}: request to arrival ${ms(tripOne)} one worker, ${ms(tripTwo)} two (${(tripOne / tripTwo).toFixed(2)}x); render in the worker ${ms(figure(one, 'render'))}, ${ms(figure(two, 'render'))}; rounds' round trips (ms) one ${rounds(one)}, two ${rounds(two)}`,
      );
      continue;
    }
    console.log(
      `  ${key}: round trip ${ms(tripOne)} one worker, ${ms(tripTwo)} two (${(tripOne / tripTwo).toFixed(2)}x), render in the worker ${ms(figure(one, 'render'))}, ${ms(figure(two, 'render'))} | new view in ${percent(figure(one, 'fresh'))} of frames, ${percent(figure(two, 'fresh'))} | frame width ${percent(figure(one, 'scale'))} of the view's, ${percent(figure(two, 'scale'))} | ${percent(figure(two, 'two'))} of the isolated page's moving frames drawn by two`,
    );
    console.log(`      each round's round trip (ms): one ${rounds(one)}, two ${rounds(two)}`);
  }
}
