// The web viewer in headless Chromium, driven by real input events through
// the DevTools protocol. Prints one line per test: "pass NAME" or
// "fail NAME: reason".
//   node browser_test.mjs WEB_BUILD_DIR KALRENDER
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

// puppeteer-core lives in web/node_modules, beside the helper that loads it.
const { openViewerPage, LIMIT_MS, results, check } = await import(
  new URL('../../web/tools/browser.mjs', import.meta.url)
);

const [buildDir, kalrender] = process.argv.slice(2);
const samples = path.join(buildDir, 'samples');
const temp = fs.mkdtempSync(path.join(os.tmpdir(), 'kalweb-'));
const { report } = results;

function withLimit(promise, what) {
  let timer;
  const limit = new Promise((_, fail) => {
    timer = setTimeout(() => fail(new Error(`${what} took over ${LIMIT_MS * 2} ms`)), LIMIT_MS * 2);
  });
  return Promise.race([promise, limit]).finally(() => clearTimeout(timer));
}

// The native engine's view through kalrender, as RGBA rows top-down.
function nativeView(image, { bearing, pitch, zoom }, width, height) {
  const out = path.join(temp, 'native.bmp');
  execFileSync(
    kalrender,
    [
      path.join(samples, image),
      '--attribs',
      path.join(samples, 'courtyard.KAL'),
      '--view',
      `${width}x${height}`,
      '--bearing',
      `${bearing}`,
      '--pitch',
      `${pitch}`,
      '--zoom',
      `${zoom}`,
      '-o',
      out,
    ],
    { stdio: 'pipe', timeout: LIMIT_MS },
  );
  const bmp = fs.readFileSync(out);
  const offBits = bmp.readUInt32LE(10),
    headerSize = bmp.readUInt32LE(14);
  const w = bmp.readInt32LE(18),
    h = bmp.readInt32LE(22),
    stride = (w + 3) & ~3;
  check(w === width && h === height && bmp.readUInt16LE(28) === 8, `kalrender wrote a ${w}x${h} image`);
  const rgba = Buffer.alloc(w * h * 4);
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const entry = 14 + headerSize + 4 * bmp[offBits + (h - 1 - y) * stride + x];
      rgba.set([bmp[entry + 2], bmp[entry + 1], bmp[entry], 255], 4 * (y * w + x));
    }
  }
  return rgba;
}

// The canvas once the view asked for is painted: the render loop paints on
// the next animation frame, the worker's frame arrives later.
async function canvasPixels(page) {
  await page.evaluate(() => new Promise((done) => requestAnimationFrame(done)));
  await page.waitForFunction(() => !window.kalViewer.dirty && window.kalViewer.paintedSeq === window.kalViewer.seq, {
    timeout: LIMIT_MS,
  });
  return Buffer.from(
    await page.evaluate(() => {
      const { canvas } = window.kalViewer;
      return Array.from(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data);
    }),
  );
}

// Sizes the viewer's host element and waits for the view to follow.
async function resizeViewer(page, width, height) {
  await page.evaluate(
    (w, h) => Object.assign(document.getElementById('viewer').style, { width: `${w}px`, height: `${h}px` }),
    width,
    height,
  );
  await page.waitForFunction(
    (w, h) => window.kalViewer.canvas.width === w && window.kalViewer.canvas.height === h,
    { timeout: LIMIT_MS },
    width,
    height,
  );
}

// Page coordinates of a view pixel.
async function pagePoint(page, x, y) {
  return page.evaluate(
    (vx, vy) => {
      const { canvas } = window.kalViewer,
        box = canvas.getBoundingClientRect();
      return [box.left + ((vx + 0.5) * box.width) / canvas.width, box.top + ((vy + 0.5) * box.height) / canvas.height];
    },
    x,
    y,
  );
}

// Starts collecting viewchange events; the returned function yields them.
async function recordViews(page) {
  await page.evaluate(() => {
    if (!window.kalViews) {
      document.getElementById('viewer').addEventListener('viewchange', (event) => window.kalViews.push(event.detail));
    }
    window.kalViews = [];
  });
  return () => page.evaluate(() => window.kalViews.splice(0));
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

function xSteps(views, start, width) {
  let last = start;
  return views.map((view) => {
    const step = ((((view.x - last) % width) + width + width / 2) % width) - width / 2;
    last = view.x;
    return step;
  });
}

const tests = {
  async 'the canvas equals the native render: uncompressed, RLE8, after a resize'(page) {
    const size = await page.evaluate(() => [window.kalViewer.canvas.width, window.kalViewer.canvas.height]);
    check(size[0] === 640 && size[1] === 480, `the canvas is ${size.join('x')}`);
    // The last view comes after the host element shrank: a new view size.
    const views = [
      ['courtyard.bmp', { bearing: 90, pitch: 40, zoom: 1.5 }, 640, 480],
      ['courtyard_rle8.bmp', { bearing: 300, pitch: -30, zoom: 1 }, 640, 480],
      ['courtyard_rle8.bmp', { bearing: 200, pitch: 10, zoom: 1.2 }, 320, 240],
    ];
    for (const [image, view, width, height] of views) {
      if (image !== 'courtyard.bmp' && width === 640) {
        check(
          await page.evaluate((url) => window.kalViewer.openUrl(url, 'samples/courtyard.KAL'), `samples/${image}`),
          `${image} did not open`,
        );
      }
      await resizeViewer(page, width, height);
      // kalrender takes the pitch as the view centre's offset from the middle
      // row in view pixels, the viewer in degrees above the horizon: at view
      // scale s that is offset * s rows, and h rows up lie atan(h / radius) up.
      // kalrender truncates the zoom's depth, the viewer takes the nearest.
      check(
        await page.evaluate((v) => {
          const viewer = window.kalViewer,
            value = (code) => viewer.session.value(code);
          const radius = value(2),
            z = Math.trunc(radius - radius / v.zoom),
            scale = (radius - z) / radius;
          const degrees = (Math.atan((v.pitch * scale - value(0)) / radius) * 180) / Math.PI;
          return viewer.setView({ bearing: v.bearing, pitch: degrees, zoom: 1 / scale });
        }, view),
        'setView refused the view',
      );
      const web = await canvasPixels(page),
        native = nativeView(image, view, width, height);
      const first = web.findIndex((byte, i) => byte !== native[i]);
      check(
        first < 0 && web.length === native.length,
        `${image} differs from kalrender at pixel ${first >> 2}: ${[...web.subarray(first & ~3, (first & ~3) + 4)]} against ${[...native.subarray(first & ~3, (first & ~3) + 4)]}`,
      );
    }
    await resizeViewer(page, 640, 480);
  },

  async 'a joystick drag turns the view steadily until the release'(page) {
    await page.evaluate(() => {
      window.kalViewer.setView({ bearing: 0, pitch: 0, zoom: 1 });
      window.kalViewer.drag = 'joystick';
    });
    const width = await page.evaluate(() => window.kalViewer.session.value(10));
    const start = await page.evaluate(() => window.kalViewer.view);
    const takeViews = await recordViews(page);
    const [cx, cy] = await pagePoint(page, 320, 240);
    await page.mouse.move(cx, cy);
    await page.mouse.down();
    await page.mouse.move(cx + 200, cy);
    await sleep(600);
    await page.mouse.up();
    const during = await takeViews();
    await sleep(300);
    const after = await takeViews();
    await page.evaluate(() => {
      window.kalViewer.drag = 'grab';
    });
    const steps = xSteps(during, start.x, width).filter((step) => step !== 0);
    check(steps.length >= 5, `only ${steps.length} frames moved the view`);
    check(
      steps.every((step) => step > 0),
      `x steps were ${steps.join(' ')}, not all to the right`,
    );
    check(
      during.every((view) => view.y === start.y && view.z === start.z),
      'a level drag changed the pitch or zoom',
    );
    check(after.length === 0, 'the view moved on after the release');
  },

  async 'held arrow keys turn; the turn stops within 150 ms of the release'(page) {
    const width = await page.evaluate(() => window.kalViewer.session.value(10));
    const start = await page.evaluate(() => {
      window.kalViewer.canvas.focus();
      return window.kalViewer.view;
    });
    const takeViews = await recordViews(page);
    await page.keyboard.down('ArrowRight');
    await sleep(500);
    const held = xSteps(await takeViews(), start.x, width);
    await page.keyboard.up('ArrowRight');
    await sleep(150);
    await takeViews();
    await sleep(300);
    const released = await takeViews();
    check(held.length >= 4 && held.every((step) => step > 0), `steps while held: ${held.join(' ')}`);
    check(released.length === 0, `the view moved ${released.length} times after the release`);
  },

  async 'hovering a door shows its label; a click fires the hotspot event'(page) {
    await page.evaluate(() => window.kalViewer.setView({ bearing: 90 }));
    const index = await page.evaluate(() => window.kalViewer.session.hitTest(320, 240));
    check(index === 1, `the engine finds hotspot ${index} at the middle of the view`);
    await page.evaluate(() => {
      window.kalPicked = [];
      document.getElementById('viewer').addEventListener('hotspot', (event) => window.kalPicked.push(event.detail));
    });
    const [x, y] = await pagePoint(page, 320, 240);
    await page.mouse.move(x - 300, y);
    await page.mouse.move(x, y, { steps: 3 });
    const tip = await page.evaluate(() => {
      // The page's own rule wins over the viewer's styles.
      const element = window.kalViewer.tooltip,
        rule = document.createElement('style');
      rule.textContent = '.kal-tooltip { background: rgb(1, 2, 3); }';
      document.head.append(rule);
      const style = getComputedStyle(element),
        background = style.backgroundColor,
        position = style.position;
      rule.remove();
      return {
        shown: style.display !== 'none',
        text: element.textContent,
        cursor: window.kalViewer.canvas.style.cursor,
        background,
        position,
      };
    });
    check(tip.shown && tip.text === 'East door', `tooltip ${tip.shown ? `"${tip.text}"` : 'hidden'}`);
    check(
      tip.background === 'rgb(1, 2, 3)' && tip.position === 'absolute',
      `tooltip ${tip.background}, ${tip.position}`,
    );
    check(tip.cursor === 'pointer', `cursor ${tip.cursor}`);
    await page.mouse.click(x, y);
    const picked = await page.evaluate(() => window.kalPicked);
    check(
      picked.length === 1 && picked[0].label === 'East door' && picked[0].text === 'The east door: to the garden',
      `hotspot events: ${JSON.stringify(picked)}`,
    );
  },

  async 'Tab reaches the viewer, then its hotspots; Enter picks one'(page) {
    await page.evaluate(() => {
      window.kalViewer.setView({ bearing: 90 });
      document.activeElement?.blur();
      window.kalPicked = [];
    });
    let presses = 0;
    while (presses < 4 && !(await page.evaluate(() => document.activeElement === window.kalViewer.canvas))) {
      await page.keyboard.press('Tab');
      presses++;
    }
    check(presses <= 3 && presses > 0, `the viewer took focus after ${presses} presses of Tab`);
    await page.keyboard.press('Tab');
    const state = await page.evaluate(() => ({
      focused: document.activeElement === window.kalViewer.canvas,
      tip: getComputedStyle(window.kalViewer.tooltip).display !== 'none' ? window.kalViewer.tooltip.textContent : null,
      walked: window.kalViewer.keys.visible.map((spot) => spot.index),
    }));
    check(state.focused && state.tip === 'East door', `after Tab: ${JSON.stringify(state)}`);
    await page.keyboard.press('Enter');
    check(
      (await page.evaluate(() => window.kalPicked.map((h) => h.label))).join() === 'East door',
      'Enter did not pick the East door',
    );
    for (let i = 1; i < state.walked.length; i++) await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    check(
      !(await page.evaluate(() => document.activeElement === window.kalViewer.canvas)),
      'Tab after the last hotspot kept the focus',
    );
  },

  async 'a non-picture shows a message and changes nothing; a cut-short BMP opens with a warning'(page) {
    const cut = path.join(temp, 'cut.bmp'),
      text = path.join(temp, 'notes.bmp');
    fs.writeFileSync(cut, fs.readFileSync(path.join(samples, 'courtyard.bmp')).subarray(0, 5000));
    fs.writeFileSync(text, 'not a picture\n');
    await page.evaluate(() => {
      window.kalErrors = [];
      const host = document.getElementById('viewer');
      host.addEventListener('error', (event) => window.kalErrors.push(event.detail.message));
      host.addEventListener('warning', (event) => window.kalErrors.push(event.detail.message));
    });
    const before = await canvasPixels(page);
    const input = await page.$('#files');
    for (const [file, words] of [
      [text, 'not an image file'],
      [cut, 'ends before the end of its image'],
    ]) {
      await input.uploadFile(file);
      await page.waitForFunction((n) => window.kalErrors.length >= n, { timeout: LIMIT_MS }, file === text ? 1 : 2);
      const shown = await page.evaluate(() => {
        const element = window.kalViewer.message;
        return getComputedStyle(element).display !== 'none' ? element.textContent : '';
      });
      check(shown.includes(words), `message for ${path.basename(file)}: "${shown}"`);
      if (file === text) check(before.equals(await canvasPixels(page)), 'the panorama on show changed');
    }
  },
};

let viewer;
try {
  viewer = await withLimit(openViewerPage(buildDir), 'opening the page');
} catch (error) {
  report('the browser starts and shows the sample', error);
  process.exit(1);
}
const { page, consoleErrors, close } = viewer;
try {
  // The page opens the true-colour sample when there is one; these tests
  // look at the 8-bit one.
  const opened =
    (await page.evaluate(() => window.kalReady)) &&
    (await page.evaluate(() => window.kalViewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL')));
  report('the browser starts and shows the sample', opened ? null : new Error('the sample did not open'));
  for (const [name, test] of Object.entries(tests)) {
    try {
      await withLimit(test(page), name);
      report(name);
    } catch (error) {
      report(name, error);
    }
  }
  report('no console errors', consoleErrors.length ? new Error(consoleErrors.join(' | ')) : null);
} finally {
  await close();
  fs.rmSync(temp, { recursive: true, force: true });
}
process.exit(results.failures ? 1 : 0);
