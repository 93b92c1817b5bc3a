// What a page author gets around the viewer, in headless Chromium with real
// input through the DevTools protocol: fullscreen, auto-rotate, deep links,
// tours, device orientation, messages, loading, accessibility, the element,
// and the package with its type declarations.
//   node page_test.mjs WEB_BUILD_DIR KALRENDER
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const { openViewerPage, LIMIT_MS, results, check } = await import(
  new URL('../../web/tools/browser.mjs', import.meta.url)
);

const [buildDir] = process.argv.slice(2);
const webDir = fileURLToPath(new URL('../../web/', import.meta.url));
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const { report } = results;

const near = (a, b, within) => Math.abs(((((a - b) % 360) + 540) % 360) - 180) <= within;
const PHONE = {
  viewport: { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true },
  userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile',
};

// In the page: attribute files made from the sample's, as blob URLs, and a
// new viewer in a host of its own whose events are recorded.
function pageHelpers() {
  window.kalAttribs = async (edit) => {
    const text = await (await fetch('samples/courtyard.KAL')).text();
    return URL.createObjectURL(new Blob([edit(text)]));
  };
  window.kalMake = async (options, width = 400, height = 300) => {
    const { KalViewer } = await import('./kalvoria.js');
    const host = document.createElement('div');
    Object.assign(host.style, { width: `${width}px`, height: `${height}px` });
    document.body.prepend(host);
    const viewer = new KalViewer(host, options);
    window.kalEvents = [];
    for (const type of ['viewchange', 'scenechange', 'load', 'error', 'progress', 'zoomchange', 'fullscreenchange']) {
      host.addEventListener(type, (event) =>
        window.kalEvents.push({ type, detail: event.detail, at: performance.now() }),
      );
    }
    window.kalFades = 0; // crossfade stills laid over the picture
    new MutationObserver((records) =>
      records.forEach((r) =>
        r.addedNodes.forEach((n) => {
          window.kalFades += n.classList?.contains('kal-fade') ? 1 : 0;
        }),
      ),
    ).observe(host, { childList: true });
    window.kalTest = viewer;
    return true;
  };
  // A tour of two scenes: the courtyard's east door leads to the garden,
  // whose west door leads back.
  window.kalTour = async (extra) => ({
    ...extra,
    tour: {
      start: 'yard',
      scenes: {
        yard: {
          src: 'samples/courtyard.bmp',
          attribs: await window.kalAttribs((t) =>
            t.replace('The east door: to the garden', 'scene:garden To the garden'),
          ),
          view: { bearing: 0 },
        },
        garden: {
          src: 'samples/courtyard_rle8.bmp',
          attribs: await window.kalAttribs((t) => t.replace('The west door: to the hall', 'scene:yard')),
          view: { bearing: 270 },
        },
      },
    },
  });
}

// A fresh page of the viewer's site (the sample open), with the helpers.
async function freshPage(browser, server, { phone = false, reduced = false, hash = '' } = {}) {
  const page = await browser.newPage();
  opened.push(page);
  page.setDefaultTimeout(LIMIT_MS);
  page.on('pageerror', (error) => pageErrors.push(`uncaught: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') pageErrors.push(message.text());
  });
  if (phone) await page.emulate(PHONE);
  else await page.setViewport({ width: 800, height: 700, deviceScaleFactor: 1 });
  if (reduced) await page.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]);
  await page.goto(`${server.url}${hash}`, { waitUntil: 'load' });
  await page.waitForFunction(() => window.kalReady !== undefined);
  await page.evaluate(() => window.kalReady);
  await page.evaluate(pageHelpers);
  return page;
}

const events = (page, type) => page.evaluate((t) => window.kalEvents.filter((e) => e.type === t), type);
const bearings = async (page) => (await events(page, 'viewchange')).map((e) => e.detail.bearing);

async function centre(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  return [box.x + box.width / 2, box.y + box.height / 2];
}

async function touch(page, [x, y]) {
  const cdp = await page.createCDPSession();
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y, id: 1 }] });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await cdp.detach();
}

const pageErrors = [];
const opened = []; // pages a test opened; closed after it, so that the next test's page is in front

const tests = {
  async 'the corner button and toggleFullscreen() enter and leave fullscreen'({ page }) {
    await page.mouse.click(...(await centre(page, '#viewer .kal-fullscreen')));
    await page.waitForFunction(() => document.fullscreenElement === document.getElementById('viewer'));
    await page.waitForFunction(
      () => window.kalViewer.canvas.width === document.fullscreenElement.clientWidth && innerWidth > 700,
    );
    check(
      (await page.$eval('#viewer .kal-fullscreen', (b) => b.getAttribute('aria-pressed'))) === 'true',
      'the button does not show the state',
    );
    check(
      (await page.evaluate(() => window.kalViewer.toggleFullscreen())) === false,
      'toggleFullscreen() did not leave',
    );
    await page.waitForFunction(() => window.kalViewer.canvas.width === 640);
    check(
      (await page.$eval('#viewer .kal-fullscreen', (b) => b.getAttribute('aria-pressed'))) === 'false',
      'the button still shows fullscreen',
    );
  },

  async 'the zoom buttons zoom by mouse and by Tab and Enter, zoomchange fires once per change, fullscreenchange once each way'({
    browser,
    server,
  }) {
    const page = await freshPage(browser, server);
    await page.evaluate(async () => {
      await window.kalMake({ showZoomCtrl: true });
      await window.kalTest.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      window.kalTest.setView({ bearing: 0, pitch: 0, zoom: 1 });
    });
    const zooms = async (count) => {
      await page
        .waitForFunction((n) => window.kalEvents.filter((e) => e.type === 'zoomchange').length >= n, {}, count)
        .catch(() => {});
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
      return (await events(page, 'zoomchange')).map((e) => e.detail);
    };
    await page.waitForFunction(() => window.kalEvents.some((e) => e.type === 'zoomchange' && e.detail === 1));
    const before = (await events(page, 'zoomchange')).length;
    await page.mouse.click(...(await centre(page, '.kal-zoom-in')));
    await page.evaluate(() => window.kalTest.setView({ bearing: 40 })); // no zoom change
    await page.focus('canvas.kal-view');
    for (let i = 0; i < 12 && !(await page.evaluate(() => document.activeElement.matches('.kal-zoom-in'))); i++)
      await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    await zooms(before + 2); // zoomchange reports once a frame: a zoom and its undo in one frame are no change
    await page.keyboard.press('Tab');
    await page.keyboard.press(' ');
    const seen = (await zooms(before + 3)).slice(before),
      now = await page.evaluate(() => window.kalTest.view.zoom);
    const want = [1.25, 1.5625, 1.25];
    check(
      seen.length === 3 && seen.every((z, i) => Math.abs(z - want[i]) < 0.02) && seen[2] === now,
      `zoomchange details ${seen.join(', ')} (the view's zoom ${now})`,
    );
    const labels = await page.$$eval('.kal-zoom-in, .kal-zoom-out', (b) => b.map((e) => e.getAttribute('aria-label')));
    check(labels.join() === 'Zoom in,Zoom out', `labels ${labels}`);
    await page.evaluate(() => window.kalTest.host.querySelector('.kal-fullscreen').click());
    await page.waitForFunction(() => document.fullscreenElement === window.kalTest.host);
    await page.evaluate(() => window.kalTest.toggleFullscreen());
    await page
      .waitForFunction(() => window.kalEvents.filter((e) => e.type === 'fullscreenchange').length >= 2, {
        timeout: 2000,
      })
      .catch(() => {});
    await sleep(100);
    const changes = (await events(page, 'fullscreenchange')).map((e) => JSON.stringify(e.detail));
    check(
      changes.join() === '{"fullscreen":true},{"fullscreen":false}',
      `fullscreenchange details ${changes.join(' ')}`,
    );
  },

  async 'the element takes its tour from a tour attribute or a script child; a preview shows until the panorama paints'({
    browser,
    server,
  }) {
    const page = await freshPage(browser, server);
    await page.evaluate(async () => {
      await import('./element.js');
      const tour = (start) =>
        JSON.stringify({
          start,
          scenes: {
            yard: { src: 'samples/courtyard.bmp' },
            garden: { src: 'samples/courtyard_rle8.bmp', view: { bearing: 270 } },
          },
        });
      const made = ['by-attribute', 'by-script', 'broken'].map((id) =>
        Object.assign(document.createElement('kal-viewer'), { id }),
      );
      made[0].setAttribute('tour', tour('garden'));
      const script = Object.assign(document.createElement('script'), { type: 'application/json' });
      script.textContent = tour('yard');
      made[1].append(script);
      made[2].setAttribute('tour', '{"scenes": ');
      document.body.prepend(...made);
    });
    await page
      .waitForFunction(() => {
        const [a, b] = ['by-attribute', 'by-script'].map((id) => document.getElementById(id).viewer);
        return a.scene === 'garden' && Math.abs(a.view.bearing - 270) < 1 && b.scene === 'yard';
      })
      .catch(() => {
        throw new Error('the tours did not open their start scenes');
      });
    const refusal = await page.evaluate(() => {
      const { message } = document.getElementById('broken').viewer;
      return message.hidden ? null : message.textContent;
    });
    check(/Cannot read the tour/.test(refusal), `a broken tour said ${refusal}`);
    await page.evaluate(() => window.kalMake({ preview: 'samples/courtyard_180.jpg' }, 320, 240));
    await page.waitForFunction(() => window.kalTest.host.querySelector('.kal-preview')?.naturalWidth > 0);
    const host = await page.evaluateHandle(() => window.kalTest.host);
    const shown = await host.screenshot(),
      box = await page.evaluate(() => {
        const preview = window.kalTest.host.querySelector('.kal-preview');
        preview.style.visibility = 'hidden';
        return [preview.clientWidth, preview.clientHeight];
      });
    check(!shown.equals(await host.screenshot()), 'the preview does not show');
    check(box.join() === '320,240', `the preview is ${box.join(' x ')}, not stretched over the view`);
    await page.evaluate(() => window.kalTest.openUrl('samples/courtyard.bmp'));
    check(
      await page.evaluate(() => !window.kalTest.host.querySelector('.kal-preview')),
      'the preview stayed over the panorama',
    );
  },

  async 'crossfade sets how long the fade between scenes lasts, 0 none; bad options throw and leave the host empty'({
    browser,
    server,
  }) {
    const page = await freshPage(browser, server);
    const fade = (crossfade) =>
      page.evaluate(async (ms) => {
        await window.kalMake(await window.kalTour({ crossfade: ms }));
        const ok = await window.kalTest.openScene('garden');
        const still = window.kalTest.host.querySelector(':scope > .kal-fade');
        return { ok, fades: window.kalFades, ms: still?.getAnimations()[0]?.effect.getTiming().duration ?? null };
      }, crossfade);
    const long = await fade(900),
      none = await fade(0);
    check(long.ok && long.fades === 1 && long.ms === 900, `crossfade 900: ${JSON.stringify(long)}`);
    check(none.ok && none.fades === 0, `crossfade 0: ${JSON.stringify(none)}`);
    const refused = await page.evaluate(async () => {
      const { KalViewer } = await import('./kalvoria.js');
      return [
        { friction: 2 },
        { crossfade: -1 },
        { tour: { scenes: {} } },
        { preview: 3 },
        { hotspots: [{ id: 'a', heading: 0, pitch: 0 }] },
      ].map((options) => {
        const host = document.createElement('div');
        try {
          new KalViewer(host, options);
          return 'taken';
        } catch (error) {
          return error instanceof TypeError && !host.childNodes.length && !host.style.position
            ? 'refused'
            : 'left work';
        }
      });
    });
    check(
      refused.every((r) => r === 'refused'),
      `bad options: ${refused.join(', ')}`,
    );
  },

  async "auto-rotate turns, turns back at a partial panorama's edge, stops on a touch"({ browser, server }) {
    const page = await freshPage(browser, server, { phone: true });
    await page.evaluate(async () => {
      await window.kalMake({ autoRotate: 150, idle: 0.8 });
      const half = await window.kalAttribs((t) => t.replace('angle(360)', 'angle(180)'));
      await window.kalTest.openUrl('samples/courtyard.bmp', half);
    });
    await page
      .waitForFunction(
        () => {
          const b = window.kalEvents.filter((e) => e.type === 'viewchange').map((e) => e.detail.bearing);
          const steps = b
            .slice(1)
            .map((v, i) => Math.sign(((v - b[i] + 540) % 360) - 180))
            .filter((s) => s);
          return steps.includes(1) && steps.includes(-1);
        },
        { timeout: 6000 },
      )
      .catch(() => {});
    const seen = await bearings(page);
    const steps = seen
      .slice(1)
      .map((v, i) => Math.sign(((v - seen[i] + 540) % 360) - 180))
      .filter((s) => s);
    const turn = steps.findIndex((s, i) => i > 0 && s !== steps[i - 1]);
    check(
      steps[0] === 1 && turn > 0 && steps.slice(turn).every((s) => s === -1),
      `bearings ${seen.map(Math.round).join(' ')}`,
    );
    await touch(page, await centre(page, 'canvas.kal-view'));
    const touched = await page.evaluate(() => performance.now());
    await sleep(500);
    const after = (await events(page, 'viewchange')).filter((e) => e.at > touched + 50);
    check(after.length === 0, `${after.length} view changes after the touch`);
    await page
      .waitForFunction(
        (t) => window.kalEvents.some((e) => e.type === 'viewchange' && e.at > t + 800),
        { timeout: 3000 },
        touched,
      )
      .catch(() => {
        throw new Error('no turning again after the idle time');
      });
    // The page moves the view: turning goes on from there, at that zoom.
    const zoom = await page.evaluate(() => {
      window.kalTest.setView({ bearing: 30, pitch: 0, zoom: 1.4 });
      return window.kalTest.view.zoom;
    });
    await sleep(300);
    const later = await page.evaluate(() => window.kalTest.view);
    check(later.zoom === zoom && !near(later.bearing, 30, 2), `after the page's setView: ${JSON.stringify(later)}`);
  },

  async 'under reduced motion nothing turns on its own and scenes change without a fade'({ browser, server }) {
    const page = await freshPage(browser, server, { reduced: true });
    await page.evaluate(async () => window.kalMake(await window.kalTour({ autoRotate: 150, idle: 0.1 })));
    await page.waitForFunction(() => window.kalTest.scene === 'yard');
    const before = (await bearings(page)).length;
    await sleep(700);
    check((await bearings(page)).length === before, 'the view turned on its own');
    check(await page.evaluate(() => window.kalTest.openScene('garden')), 'the garden did not open');
    check((await page.evaluate(() => window.kalFades)) === 0, 'the scene change faded');
  },

  async 'a tour hotspot opens its scene with a crossfade; Back returns to the view left'({ browser, server }) {
    const page = await freshPage(browser, server);
    await page.evaluate(async () => window.kalMake(await window.kalTour({ deepLink: true }), 640, 480));
    await page.waitForFunction(() => window.kalTest.scene === 'yard');
    await page.evaluate(() => window.kalTest.setView({ bearing: 90, pitch: 0, zoom: 1 }));
    const left = await page.evaluate(() => window.kalTest.view);
    const [x, y] = await centre(page, 'canvas.kal-view');
    await page.mouse.move(x - 100, y);
    await page.mouse.move(x, y, { steps: 3 });
    await page.mouse.click(x, y);
    await page.waitForFunction(() => window.kalTest.scene === 'garden');
    const change = (await events(page, 'scenechange')).at(-1).detail;
    check(change.id === 'garden' && change.previous === 'yard', `scenechange ${JSON.stringify(change)}`);
    check((await page.evaluate(() => window.kalFades)) === 1, 'no crossfade');
    check(await page.evaluate(() => location.hash.includes('scene=garden')), 'the address does not name the garden');
    await page.goBack();
    await page.waitForFunction(() => window.kalTest.scene === 'yard');
    const back = await page.evaluate(() => window.kalTest.view);
    check(near(back.bearing, left.bearing, 0.5), `back at bearing ${back.bearing}, left at ${left.bearing}`);
  },

  async "outlined .KAL rectangles cover what the engine's hit test finds, on an 8-bit and a true-colour panorama"({
    browser,
    server,
  }) {
    const page = await freshPage(browser, server);
    const found = await page.evaluate(async () => {
      await window.kalMake({ outlineHotspots: true });
      const viewer = window.kalTest,
        result = [];
      for (const src of ['samples/courtyard.bmp', 'samples/courtyard.jpg']) {
        await viewer.openUrl(src, 'samples/courtyard.KAL');
        // Facing a door, tilted, so that the rectangle bends.
        for (let b = 0; b < 360 && !viewer.session.visibleHotspots(8).length; b += 20) viewer.setView({ bearing: b });
        viewer.setView({ pitch: 8 });
        await viewer.painted();
        const { canvas, session } = viewer,
          paths = [...viewer.host.querySelectorAll('path.kal-outline')];
        const scale = canvas.clientWidth / canvas.width;
        let agree = 0,
          inside = 0,
          total = 0;
        for (let y = 2; y < canvas.height; y += 6)
          for (let x = 2; x < canvas.width; x += 6) {
            const hit = session.hitTest(x, y);
            const filled = paths.findIndex((p) => p.isPointInFill(new DOMPoint((x + 0.5) * scale, (y + 0.5) * scale)));
            agree += hit === filled ? 1 : 0;
            inside += hit >= 0 ? 1 : 0;
            total++;
          }
        result.push({ src, paths: paths.length, count: viewer.hotspotCount, agree: agree / total, inside });
      }
      return result;
    });
    for (const r of found) {
      check(r.paths === r.count && r.count > 0, `${r.src}: ${r.paths} outlines for ${r.count} hotspots`);
      check(
        r.inside > 20 && r.agree > 0.99,
        `${r.src}: outlines and hit test agree on ${r.agree} of the view (${r.inside} points on a hotspot)`,
      );
    }
  },

  async "hotspots from script stay on their direction's point, hide behind the viewer, open their scene at their view"({
    browser,
    server,
  }) {
    const page = await freshPage(browser, server, { phone: true }); // two device pixels to a CSS pixel
    await page.evaluate(async () => {
      const options = await window.kalTour({
        hotspots: [{ id: 'mine', heading: 200, pitch: 0, text: 'Mine', element: document.createElement('span') }],
      });
      const spot = {
        id: 'gate',
        heading: 30,
        pitch: 5,
        text: 'To the garden',
        scene: 'garden',
        view: { bearing: 123 },
      };
      options.tour.scenes.yard.hotspots = [spot];
      await window.kalMake(options);
      window.kalTest.host.addEventListener('hotspot', (e) =>
        window.kalEvents.push({ type: 'hotspot', detail: e.detail }),
      );
    });
    await page.waitForFunction(() => window.kalTest.scene === 'yard');
    // Resolves once the view on show is painted (the worker's frames come later).
    await page.evaluate(() => {
      window.kalPainted = async () => {
        const viewer = window.kalTest;
        do await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
        while (viewer.dirty || viewer.paintedSeq !== viewer.seq);
      };
    });
    // The image point under the element's centre, read back through the canvas.
    const seen = (bearing) =>
      page.evaluate(async (b) => {
        window.kalTest.setView({ bearing: b, pitch: 5 });
        await window.kalPainted();
        const { canvas, host, session } = window.kalTest,
          element = host.querySelector('.kal-hotspot[aria-label="To the garden"]');
        const box = element.getBoundingClientRect(),
          area = canvas.getBoundingClientRect();
        const x = ((box.x + box.width / 2 - area.x) * canvas.width) / area.width,
          y = ((box.y + box.height / 2 - area.y) * canvas.height) / area.height;
        const centre = [canvas.width / 2, canvas.height / 2];
        return { shown: element.checkVisibility(), at: session.mapPoint(x, y), centre: session.mapPoint(...centre), x };
      }, bearing);
    const ahead = await seen(30),
      turned = await seen(42);
    const off = (a, b) => Math.hypot(a[0] - b[0], a[1] - b[1]);
    check(ahead.shown && off(ahead.at, ahead.centre) < 3, `looking at it: ${JSON.stringify(ahead)}`);
    check(
      turned.shown && turned.x < ahead.x - 20 && off(turned.at, ahead.centre) < 3,
      `turned: ${JSON.stringify(turned)}`,
    );
    check(!(await seen(210)).shown, 'shown behind the viewer');
    await seen(30);
    const tip = await page.evaluate(() => {
      window.kalTest.host.querySelector('.kal-hotspot[aria-label="To the garden"]').focus();
      return !window.kalTest.tooltip.hidden && window.kalTest.tooltip.textContent;
    });
    check(tip === 'To the garden', `the tooltip on focus said ${tip}`);
    await page.touchscreen.tap(...(await centre(page, '.kal-hotspot[aria-label="To the garden"]')));
    await page.waitForFunction(() => window.kalTest.scene === 'garden');
    await page.evaluate(() => window.kalPainted());
    const after = await page.evaluate(() => ({
      picked: window.kalEvents.filter((e) => e.type === 'hotspot').map((e) => e.detail),
      bearing: window.kalTest.view.bearing,
      labels: [...window.kalTest.host.querySelectorAll('.kal-hotspot')].map((e) => e.getAttribute('aria-label')),
    }));
    check(
      JSON.stringify(after.picked) === '[{"id":"gate","text":"To the garden"}]' && near(after.bearing, 123, 0.5),
      `after the tap: ${JSON.stringify(after)}`,
    );
    check(after.labels.join() === 'Mine', `in the garden the hotspots are ${after.labels}`);
    const removed = await page.evaluate(() => [
      window.kalTest.removeHotspot('mine'),
      window.kalTest.host.querySelectorAll('.kal-hotspot').length,
      window.kalTest.removeHotspot('mine'),
    ]);
    check(removed.join() === 'true,0,false', `removeHotspot: ${removed}`);
    const left = await page.evaluate(() => {
      const mark = document.createElement('i');
      window.kalTest.addHotspot({ id: 'late', heading: 123, pitch: 0, text: 'Late', element: mark });
      const placed = mark.parentNode !== null && mark.checkVisibility();
      window.kalTest.destroy();
      return [placed, window.kalTest.host.children.length, mark.attributes.length];
    });
    check(left.join() === 'true,0,0', `added, then destroy(): ${left}`);
  },

  async 'the address reopens the same view'({ browser, server }) {
    const page = await freshPage(browser, server);
    await page.evaluate(() => window.kalMake({ deepLink: true }));
    await page.evaluate(() => window.kalTest.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL'));
    await page.evaluate(() => window.kalTest.setView({ bearing: 123, pitch: 10, zoom: 1.3 }));
    await page.waitForFunction(() => location.hash.includes('view='));
    const [view, hash] = await page.evaluate(() => [window.kalTest.view, location.hash]);
    const again = await freshPage(browser, server, { hash });
    await again.evaluate(() => window.kalMake({ deepLink: true }));
    await again.evaluate(() => window.kalTest.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL'));
    const reopened = await again.evaluate(() => window.kalTest.view);
    check(
      near(reopened.bearing, view.bearing, 0.01) &&
        Math.abs(reopened.pitch - view.pitch) < 0.01 &&
        Math.abs(reopened.zoom - view.zoom) < 0.01,
      `${hash} reopened at ${JSON.stringify(reopened)}, not ${JSON.stringify(view)}`,
    );
  },

  async 'device orientation steers the view once its button is tapped, until a touch'({ browser, server }) {
    const page = await freshPage(browser, server, { phone: true });
    await page.evaluate(async () => {
      await window.kalMake({ deviceOrientation: true });
      await window.kalTest.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
    });
    const cdp = await page.createCDPSession();
    const orient = (alpha) => cdp.send('DeviceOrientation.setDeviceOrientationOverride', { alpha, beta: 90, gamma: 0 });
    await orient(10);
    // Where the browser asks first, a refusal leaves it off and says so.
    await page.evaluate(() => {
      window.DeviceOrientationEvent.requestPermission = async () => window.kalAnswer;
      window.kalAnswer = 'denied';
    });
    await page.touchscreen.tap(...(await centre(page, '.kal-orientation')));
    await page.waitForFunction(() => !window.kalTest.host.querySelector('.kal-message').hidden, { timeout: 2000 });
    check((await page.$eval('.kal-orientation', (b) => b.getAttribute('aria-pressed'))) === 'false', 'refused, yet on');
    await page.evaluate(() => {
      window.kalAnswer = 'granted';
    });
    await page.touchscreen.tap(...(await centre(page, '.kal-orientation')));
    await page
      .waitForFunction(() => document.querySelector('.kal-orientation').getAttribute('aria-pressed') === 'true', {
        timeout: 2000,
      })
      .catch(() => {
        throw new Error('the button did not turn it on');
      });
    // The first reading after that is where the device looks at the start.
    await page.waitForFunction(() => window.kalTest.shell.orientation.reference != null, { timeout: 2000 });
    const start = await page.evaluate(() => window.kalTest.view.bearing);
    await orient(40); // the phone turns 30 degrees to the left
    await page
      .waitForFunction(
        (b) => Math.abs(((window.kalTest.view.bearing - b + 540) % 360) - 180 + 30) < 1.5,
        { timeout: 3000 },
        start,
      )
      .catch(async () => {
        throw new Error(
          `bearing ${await page.evaluate(() => window.kalTest.view.bearing)} after turning from ${start}`,
        );
      });
    await touch(page, await centre(page, 'canvas.kal-view'));
    const held = await page.evaluate(() => window.kalTest.view.bearing);
    await orient(80);
    await sleep(300);
    check((await page.evaluate(() => window.kalTest.view.bearing)) === held, 'the device still steers after a touch');
    await cdp.detach();
  },

  async 'messages close with their button, with Escape, and when the viewer works again'({ page }) {
    const shown = () =>
      page.evaluate(
        () => !window.kalViewer.message.hidden && getComputedStyle(window.kalViewer.message).display !== 'none',
      );
    const openJunk = () => page.evaluate(() => window.kalViewer.open(new TextEncoder().encode('BM junk')));
    await openJunk();
    check(await shown(), 'no message for a broken file');
    await page.mouse.click(...(await centre(page, '#viewer .kal-message-close')));
    check(!(await shown()), 'the close button left the message');
    await openJunk();
    await page.focus('#viewer canvas');
    await page.keyboard.press('Escape');
    check(!(await shown()), 'Escape left the message');
    await openJunk();
    check(
      await page.evaluate(() => window.kalViewer.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL')),
      'the sample did not open',
    );
    check(!(await shown()), 'a successful open left the message');
    await page.evaluate(() => Object.assign(document.getElementById('viewer').style, { width: '1px', height: '1px' }));
    await page.waitForFunction(() => !window.kalViewer.message.hidden);
    await page.evaluate(() =>
      Object.assign(document.getElementById('viewer').style, { width: '640px', height: '480px' }),
    );
    await page
      .waitForFunction(() => window.kalViewer.message.hidden, { timeout: 2000 })
      .catch(() => {
        throw new Error('the size message stayed after the size was good again');
      });
  },

  async 'a viewer whose module cannot load starts quietly; the open that needs it says why'({ browser, server }) {
    const page = await freshPage(browser, server);
    const got = await page.evaluate(async () => {
      const broken = 'data:application/wasm;base64,AGFzbQ=='; // a module's magic, nothing more
      const fetched = [],
        fetch = window.fetch;
      window.fetch = (url, ...rest) => fetched.push(String(url)) && fetch(url, ...rest);
      await window.kalMake({ wasmUrl: broken });
      window.fetch = fetch;
      // The viewer's own compile of it, under way from its start, has failed.
      const { compileModule } = await import('./engine.js');
      await compileModule(broken).catch(() => {});
      const quiet = window.kalEvents.filter((e) => e.type === 'error').length === 0;
      const early = fetched.includes(broken);
      const opened = await window.kalTest.open(await (await fetch('samples/courtyard.bmp')).blob());
      return {
        quiet,
        early,
        opened,
        errors: window.kalEvents.filter((e) => e.type === 'error').map((e) => e.detail.message),
      };
    });
    check(got.early, 'the module was not fetched when the viewer was made');
    check(got.quiet, 'the viewer failed before any open');
    check(
      got.opened === false && got.errors.length === 1 && got.errors[0].startsWith('Cannot open the panorama'),
      `open ${got.opened}, errors ${got.errors.join(' | ')}`,
    );
  },

  async 'the loading indicator shows the download, then the decoding'({ browser, server }) {
    const page = await freshPage(browser, server);
    const size = fs.statSync(path.join(buildDir, 'samples', 'courtyard.bmp')).size;
    const seen = await page.evaluate(async () => {
      await window.kalMake({});
      const seen = [];
      const { host } = window.kalTest,
        box = host.querySelector('.kal-loading');
      host.addEventListener('progress', (e) =>
        queueMicrotask(() => seen.push({ ...e.detail, shown: !box.hidden, text: box.textContent })),
      );
      const ok = await window.kalTest.openUrl('samples/courtyard.bmp');
      seen.push({ done: ok, shown: !box.hidden });
      return seen;
    });
    const fetched = seen.filter((s) => s.phase === 'fetch'),
      decode = seen.findIndex((s) => s.phase === 'decode');
    check(
      fetched.length >= 2 && fetched.every((s, i) => s.shown && (i === 0 || s.loaded >= fetched[i - 1].loaded)),
      `fetch progress ${JSON.stringify(fetched)}`,
    );
    check(
      fetched.at(-1).loaded === size && fetched.at(-1).total === size && /100 %/.test(fetched.at(-1).text),
      `last progress ${JSON.stringify(fetched.at(-1))}`,
    );
    check(
      decode === seen.length - 2 && seen[decode].shown && /Decoding/.test(seen[decode].text),
      `decoding ${JSON.stringify(seen.slice(-2))}`,
    );
    check(seen.at(-1).done && !seen.at(-1).shown, 'the indicator stayed after the open');
  },

  async 'the keyboard focus ring shows, and the Tab walk describes each hotspot'({ page }) {
    await page.evaluate(() => window.kalViewer.setView({ bearing: 90 }));
    await page.focus('#files');
    await page.keyboard.press('Tab');
    const ring = await page.evaluate(
      () =>
        document.activeElement === window.kalViewer.canvas && getComputedStyle(window.kalViewer.canvas).outlineStyle,
    );
    check(ring && ring !== 'none', `focus ring: ${ring}`);
    await page.keyboard.press('Tab');
    const described = await page.evaluate(
      () => document.getElementById(window.kalViewer.canvas.getAttribute('aria-describedby'))?.textContent,
    );
    check(described === 'East door: The east door: to the garden', `description "${described}"`);
    const tree = await page.accessibility.snapshot({ root: await page.$('#viewer canvas') });
    check(tree?.description === described, `the accessibility tree says ${JSON.stringify(tree)}`);
    await page.keyboard.press('Escape');
    await page.evaluate(() => window.kalViewer.canvas.blur());
    check(
      await page.evaluate(() => !window.kalViewer.canvas.hasAttribute('aria-describedby')),
      'the description outlived the walk',
    );
  },

  async 'the element renders from its attributes and follows them'({ page }) {
    await page.evaluate(async () => {
      await import('./element.js');
      document.body.insertAdjacentHTML(
        'afterbegin',
        `<kal-viewer id="element" src="samples/courtyard.bmp" attribs="samples/courtyard.KAL"
        bearing="90" zoom="1.5" style="width: 320px; height: 240px"></kal-viewer>`,
      );
      await window.kalMake({}, 320, 240);
      await window.kalTest.openUrl('samples/courtyard.bmp', 'samples/courtyard.KAL');
      window.kalTest.setView({ bearing: 90, pitch: 0, zoom: 1.5 });
    });
    await page.waitForFunction(() => {
      const view = document.getElementById('element').viewer?.view;
      return view && Math.abs(view.zoom - 1.5) < 0.05;
    });
    // Both paint on their next animation frame.
    await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
    const shot = async (selector) => (await page.$(selector)).screenshot();
    check(
      (await shot('#element canvas')).equals(await shot('canvas.kal-view')),
      'the element differs from a viewer given the same view',
    );
    await page.evaluate(() => document.getElementById('element').setAttribute('bearing', '200'));
    const bearing = await page.evaluate(() => document.getElementById('element').viewer.view.bearing);
    check(near(bearing, 200, 1), `bearing ${bearing} after the attribute said 200`);
    const kept = await page.evaluate(async () => {
      const element = document.getElementById('element');
      element.remove();
      await null;
      await null;
      return element.viewer;
    });
    check(kept === null, 'the removed element kept its viewer');
  },

  async "a page whose policy allows scripts from itself and 'wasm-unsafe-eval' shows the element"({ browser, server }) {
    const page = await browser.newPage();
    opened.push(page);
    const policy = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'";
    const made = {
      'csp.html': [
        'text/html',
        '<!doctype html><body><kal-viewer src="samples/courtyard.bmp" attribs="samples/courtyard.KAL" bearing="45"></kal-viewer><script type="module" src="csp.mjs"></script>',
      ],
      'csp.mjs': [
        'text/javascript',
        "import './element.js'; document.addEventListener('securitypolicyviolation', (e) => console.error(`blocked ${e.violatedDirective}`));",
      ],
    };
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const body = made[new URL(request.url()).pathname.slice(1)];
      if (body)
        request.respond({
          status: 200,
          contentType: body[0],
          headers: { 'Content-Security-Policy': policy },
          body: body[1],
        });
      else request.continue();
    });
    const blocked = [];
    page.on('console', (message) => {
      if (/^blocked|Refused/.test(message.text())) blocked.push(message.text());
    });
    await page.goto(`${server.url}csp.html`);
    await page
      .waitForFunction(() => document.querySelector('kal-viewer').viewer?.view?.bearing > 40, { timeout: 5000 })
      .catch(() => {
        throw new Error(`the element did not open: ${blocked.join(' | ')}`);
      });
    const height = await page.$eval('kal-viewer canvas', (canvas) => canvas.height);
    check(height === 400 && blocked.length === 0, `canvas height ${height}; ${blocked.join(' | ')}`);
  },

  async 'address hashes: junk is ignored, views survive a round trip, other parts are kept'() {
    const { parseHash, formatHash } = await import(new URL('../../web/deep_link.js', import.meta.url));
    for (const junk of [
      '#view=%',
      '#scene=%E0%A4%A&view=a,b,c',
      '#view=,,-1',
      '#view=1e999,NaN,0',
      '#&&=&view',
      '#view=12,3',
    ]) {
      const state = parseHash(junk);
      check(
        Object.values(state.view ?? {}).every(Number.isFinite) && !(state.view?.zoom <= 0),
        `${junk} gave ${JSON.stringify(state)}`,
      );
    }
    const hash = formatHash('#top&view=1,2,3', {
      scene: 'hall & co',
      view: { bearing: -0.0004, pitch: -12.3456, zoom: 2.5 },
    });
    check(hash.includes('view=0,') && hash.endsWith('&top'), `${hash}: bearing not 0, or the page's own part lost`);
    const back = parseHash(hash);
    check(
      back.scene === 'hall & co' && back.view.bearing === 0 && back.view.pitch === -12.346 && back.view.zoom === 2.5,
      `${hash} read back as ${JSON.stringify(back)}`,
    );
  },

  async 'device angles give the heading and pitch of where the phone looks'() {
    const { deviceLook } = await import(new URL('../../web/orientation.js', import.meta.url));
    const cases = [
      // alpha, beta, gamma: heading, pitch
      [
        [0, 90, 0],
        [0, 0],
      ],
      [
        [30, 90, 0],
        [330, 0],
      ],
      [
        [0, 120, 0],
        [0, 30],
      ],
      [
        [0, 0, 0],
        [null, -90],
      ],
      [
        [90, 90, 45],
        [225, 0],
      ],
      [
        [0, 90, -60],
        [60, 0],
      ],
      [
        [0, 60, 0],
        [0, -30],
      ],
    ];
    for (const [[alpha, beta, gamma], [heading, pitch]] of cases) {
      const look = deviceLook({ alpha, beta, gamma });
      check(
        (heading === null || near(look.heading, heading, 1e-6)) && Math.abs(look.pitch - pitch) < 1e-6,
        `(${alpha}, ${beta}, ${gamma}) looks at ${JSON.stringify(look)}`,
      );
    }
  },

  async 'tsc --noEmit accepts the declarations as a page author uses them'() {
    const tsc = fs.existsSync('/usr/bin/tsc') ? '/usr/bin/tsc' : '/usr/share/nodejs/typescript/bin/tsc';
    try {
      execFileSync(
        tsc,
        [
          '--noEmit',
          '--strict',
          '--target',
          'es2022',
          '--module',
          'es2022',
          '--moduleResolution',
          'node',
          '--lib',
          'es2022,dom',
          fileURLToPath(new URL('types_check.ts', import.meta.url)),
        ],
        { stdio: 'pipe', timeout: 120000 },
      );
    } catch (error) {
      throw new Error(`${error.stdout ?? ''}${error.message}`);
    }
  },

  async 'the package ships every module it loads, and the declarations name every export'() {
    const pkg = JSON.parse(fs.readFileSync(path.join(webDir, 'package.json'), 'utf8'));
    check(
      !pkg.private && pkg.name && /^\d+\.\d+\.\d+/.test(pkg.version) && pkg.type === 'module',
      'name, version or type is missing',
    );
    const files = new Set(pkg.files),
      shipped = new Set();
    const follow = (file) => {
      if (shipped.has(file)) return;
      shipped.add(file);
      check(files.has(file), `${file} is loaded but not in "files"`);
      const source = fs.readFileSync(path.join(webDir, file), 'utf8');
      for (const [, name] of source.matchAll(/^import .* from '\.\/([\w.]+)';$/gm)) follow(name);
    };
    const targets = Object.values(pkg.exports).flatMap((t) => (typeof t === 'string' ? [t] : Object.values(t)));
    for (const target of targets) check(files.has(target.replace('./', '')), `export ${target} is not in "files"`);
    for (const entry of ['kalvoria.js', 'element.js']) {
      follow(entry);
      const source = fs.readFileSync(path.join(webDir, entry), 'utf8');
      const types = fs.readFileSync(path.join(webDir, entry.replace('.js', '.d.ts')), 'utf8');
      for (const [, name] of source.matchAll(/^export (?:async )?(?:class|function|const) (\w+)/gm)) {
        check(
          new RegExp(`export declare (class|function|const) ${name}\\b`).test(types),
          `${entry} exports ${name}, its declarations do not`,
        );
      }
    }
  },
};

let site;
try {
  site = await openViewerPage(buildDir);
} catch (error) {
  report('the browser starts for the page tests', error);
  process.exit(1);
}
try {
  const context = { page: site.page, browser: site.browser, server: site.server };
  await site.page.evaluate(pageHelpers);
  for (const [name, test] of Object.entries(tests).filter(([n]) => n.includes(process.env.KAL_ONLY ?? ''))) {
    let timer;
    const limit = new Promise((_, fail) => {
      timer = setTimeout(() => fail(new Error(`took over ${LIMIT_MS * 2} ms`)), LIMIT_MS * 2);
    });
    try {
      await Promise.race([test(context), limit]);
      report(name);
    } catch (error) {
      report(name, error);
    } finally {
      clearTimeout(timer);
      await Promise.all(opened.splice(0).map((page) => page.close().catch(() => {})));
      await site.page.bringToFront();
    }
  }
  const errors = [...site.consoleErrors, ...pageErrors];
  report("no console errors on the page tests' pages", errors.length ? new Error(errors.join(' | ')) : null);
} finally {
  await site.close();
}
process.exit(results.failures ? 1 : 0);
