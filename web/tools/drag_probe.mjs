// The drag half of the web benchmark's page work: a probe in the page that
// times the viewer's paints, worker round trips and animation frames, the
// empty animation-frame loop beside each case, real pointer or touch input
// through the DevTools protocol, and the figures each case prints.

const DRAG_SECONDS = 2; // of drag per case, split between its strokes
const EMPTY_SECONDS = 1; // of the empty loop before each case
const INPUT_MS = 8; // between input events, as a 125 Hz mouse or touch screen gives them
// The goals: the drag's p95 interval at most this times the empty loop's,
// a new view in at least this share of frames; the first frame of a photo
// at most this times the bare decode.
export const GOAL = { p95: 1.1, fresh: 0.9, open: 1.3 };

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
export const median = (list) => [...list].sort((a, b) => a - b)[list.length >> 1];
const quantile = (list, q) => {
  const sorted = [...list].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
};
export const ms = (v) => (v === undefined || Number.isNaN(v) ? '-' : `${v.toFixed(v < 10 ? 2 : 1)} ms`);
export const percent = (v) => `${(100 * v).toFixed(0)} %`;

// In the page: window.kalProbe, which times the viewer's paints (their
// putImageData), the render worker's round trips and the viewchange events,
// and records animation frames between start() and stop(). It wraps the
// viewer's own methods on the instance only; the viewer's code is as shipped.
export function installProbe(page) {
  return page.evaluate(() => {
    const viewer = window.kalViewer;
    if (window.kalProbe?.viewer === viewer) return;
    const probe = {
      viewer,
      recording: false,
      waiting: [], // resolvers of nextPaint()
      reset() {
        Object.assign(this, { ticks: [], stamps: [], paints: [], paintMs: [], trips: [], pitches: [], views: 0 });
      },
      start() {
        this.reset();
        this.recording = true;
        const tick = (time) => {
          if (!this.recording) return;
          this.ticks.push(time);
          this.stamps.push(performance.now());
          this.frameId = requestAnimationFrame(tick);
        };
        this.frameId = requestAnimationFrame(tick);
      },
      stop() {
        this.recording = false;
        cancelAnimationFrame(this.frameId);
        const { ticks, stamps, paints, paintMs, trips, pitches, views } = this;
        return { ticks, stamps, paints, paintMs, trips, pitches, views };
      },
      // Resolves the time the next paint ended.
      nextPaint() {
        return new Promise((done) => this.waiting.push(done));
      },
      // The render worker's frames, timed from the request's post to the
      // frame's arrival; a new worker comes with each photo opened.
      watchWorker() {
        const frames = viewer.frames;
        if (!frames || frames.kalWatched) return Boolean(frames);
        frames.kalWatched = true;
        const worker = frames.worker,
          post = worker.postMessage.bind(worker),
          received = frames.received.bind(frames),
          sent = new Map();
        worker.postMessage = (message, transfer) => {
          if (message.kind === 'frame') sent.set(message.seq, performance.now());
          post(message, transfer);
        };
        frames.received = (data) => {
          const at = sent.get(data.seq);
          sent.delete(data.seq);
          if (at !== undefined && this.recording) this.trips.push(performance.now() - at);
          received(data);
        };
        return true;
      },
    };
    probe.reset();
    const paint = viewer.paint.bind(viewer);
    viewer.paint = (...frame) => {
      const t0 = performance.now();
      paint(...frame);
      const t1 = performance.now();
      probe.lastPaintMs = t1 - t0;
      if (probe.recording) {
        probe.paints.push(t1);
        probe.paintMs.push(t1 - t0);
      }
      const waiting = probe.waiting;
      probe.waiting = [];
      for (const done of waiting) done(t1);
    };
    viewer.host.addEventListener('viewchange', ({ detail }) => {
      if (!probe.recording) return;
      probe.views++;
      probe.pitches.push(detail.pitch);
    });
    window.kalProbe = probe;
  });
}

// In the page: waits until both viewers are at rest with their last frame,
// the resting (filtered) one for a photo, on the canvas.
export function settle(page) {
  return page.evaluate(async () => {
    const frame = () => new Promise((done) => requestAnimationFrame(done));
    const until = performance.now() + 5000;
    for (const viewer of [window.kalViewer, window.kalPlain]) {
      if (!viewer?.session) continue;
      while (performance.now() < until) {
        await viewer.painted();
        const still = !viewer.dirty && !viewer.motion.active && !viewer.input.dragging && !viewer.smoothPending;
        if (still && (viewer.smooth || !viewer.colour) && viewer.paintedSeq === viewer.seq) break;
        await frame();
      }
    }
    await frame();
  });
}

// Interval figures of a recording: the animation frames' intervals, and
// per interval whether a paint landed in it (a new view on the canvas).
function intervals({ ticks, stamps, paints }) {
  const gaps = [],
    fresh = [];
  let p = 0;
  for (let i = 1; i < ticks.length; i++) {
    gaps.push(ticks[i] - ticks[i - 1]);
    while (p < paints.length && paints[p] <= stamps[i - 1]) p++;
    let any = false;
    while (p < paints.length && paints[p] <= stamps[i]) {
      any = true;
      p++;
    }
    fresh.push(any);
  }
  return { gaps, fresh };
}

// The page's thread's busy time so far, in ms: all its tasks, so that work
// the browser defers past a paint (a canvas's raster) counts too.
async function busyMs(page) {
  return (await page.metrics()).TaskDuration * 1000;
}

// The empty animation-frame loop of the page, at rest: { median, p95,
// frames, busy: the page's thread's ms per frame }.
async function emptyLoop(page) {
  const busy = await busyMs(page);
  await page.evaluate(() => window.kalProbe.start());
  await sleep(EMPTY_SECONDS * 1000);
  const { gaps } = intervals(await page.evaluate(() => window.kalProbe.stop()));
  const spent = (await busyMs(page)) - busy;
  return { median: median(gaps), p95: quantile(gaps, 0.95), frames: gaps.length, busy: spent / gaps.length };
}

// Input as a person gives it, through the DevTools protocol: a mouse's
// left button, or one finger.
export function pointerInput(cdp, touch) {
  if (touch) {
    const point = (x, y) => [{ x, y, id: 1, radiusX: 1, radiusY: 1, force: 1 }];
    return {
      down: (x, y) => cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: point(x, y) }),
      move: (x, y) => cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: point(x, y) }),
      up: () => cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] }),
    };
  }
  const mouse = (type, x, y) =>
    cdp.send('Input.dispatchMouseEvent', {
      type,
      x,
      y,
      button: 'left',
      buttons: type === 'mouseReleased' ? 0 : 1,
      clickCount: 1,
    });
  let last = [0, 0];
  return {
    down: (x, y) => mouse('mousePressed', ...(last = [x, y])),
    move: (x, y) => mouse('mouseMoved', ...(last = [x, y])),
    up: () => mouse('mouseReleased', ...last),
  };
}

// -1 .. 1 .. -1 over each second: a steady back-and-forth.
export const triangle = (seconds) => {
  const phase = (seconds + 0.25) % 1;
  return phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
};

// One drag case: the empty loop, then each stroke (a view to start from and
// the pointer's path over time, in CSS pixels) for its share of the drag's
// time, recording the animation frames. Resolves the figures.
export async function dragCase(page, input, strokes) {
  await settle(page);
  const empty = await emptyLoop(page);
  const all = { gaps: [], fresh: [], views: 0, paints: 0, busy: 0, paintMs: [], trips: [], pitches: [] };
  for (const { view, path: at } of strokes) {
    if (view) await page.evaluate((v) => window.kalViewer.setView(v), view);
    await settle(page);
    const busy = await busyMs(page);
    await page.evaluate(() => window.kalProbe.start());
    await input.down(...at(0));
    const start = Date.now(),
      seconds = DRAG_SECONDS / strokes.length,
      sent = new Set();
    // Every INPUT_MS, not waiting for the browser's answer to each (two at
    // most on their way), so that a slow answer does not thin the input.
    for (let t = 0; t < seconds; t = (Date.now() - start) / 1000) {
      if (sent.size < 2) {
        const move = input.move(...at(t)).finally(() => sent.delete(move));
        sent.add(move);
      }
      await sleep(INPUT_MS);
    }
    await Promise.all(sent);
    const record = await page.evaluate(() => window.kalProbe.stop());
    all.busy += (await busyMs(page)) - busy;
    await input.up();
    const { gaps, fresh } = intervals(record);
    all.gaps.push(...gaps);
    all.fresh.push(...fresh);
    all.views += record.views;
    all.paints += record.paints.length;
    for (const key of ['paintMs', 'trips', 'pitches']) all[key].push(...record[key]);
  }
  await page.evaluate(() => window.kalViewer.motion.stop()); // no throw coasts into the next case
  const frames = all.gaps.length;
  return {
    empty,
    median: median(all.gaps),
    p95: quantile(all.gaps, 0.95),
    frames,
    fresh: all.fresh.filter(Boolean).length / frames,
    asked: Math.min(1, all.views / frames),
    paint: median(all.paintMs),
    // The page's thread's time per painted frame above the empty loop's per animation frame.
    busy: (all.busy - empty.busy * frames) / Math.max(1, all.paints),
    trip: all.trips.length ? median(all.trips) : undefined,
    pitch: all.pitches.length ? [Math.min(...all.pitches), Math.max(...all.pitches)] : null,
  };
}

export const misses = []; // the goals missed, for the summary

// The case's line: the drag's interval beside the empty loop's, the share
// of frames with a new view, and what the frames cost; `goal`: whether the
// goals apply to it.
export function printCase(label, r, goal, render, where = '') {
  const ratio = r.p95 / r.empty.p95;
  let verdict = '';
  if (goal) {
    const missed = [];
    if (ratio > GOAL.p95) missed.push(`p95 ${ratio.toFixed(2)}x > ${GOAL.p95}x`);
    if (r.fresh < GOAL.fresh) missed.push(`new view ${percent(r.fresh)} < ${percent(GOAL.fresh)}`);
    verdict = missed.length ? `  MISSED: ${missed.join(', ')}` : '  goals met';
    if (missed.length) misses.push(`${label}: ${missed.join(', ')}`);
  }
  console.log(
    `  ${label}: interval median ${ms(r.median)} p95 ${ms(r.p95)} | empty loop median ${ms(r.empty.median)} p95 ${ms(r.empty.p95)} | p95 ratio ${ratio.toFixed(2)}x | new view in ${percent(r.fresh)} of ${r.frames} frames (view moved in ${percent(r.asked)})${verdict}`,
  );
  const pitch = r.pitch ? `, pitch ${r.pitch[0].toFixed(0)}..${r.pitch[1].toFixed(0)}°` : '';
  const trip = r.trip === undefined ? '' : `worker round trip ${ms(r.trip)}, `;
  const alone = render === undefined ? '' : `, render alone${where ? ` ${where}` : ''} ${ms(render)}`;
  console.log(
    `      ${trip}paint() ${ms(r.paint)}${alone} (medians)${pitch}; page's thread ${ms(r.busy)} per painted frame above the empty loop`,
  );
}
