// True-colour pictures in the web viewer, in headless Chromium: GPano
// coverage, sizes the engine or the memory refuses, small views, the
// warnings of an open, channel order and the smooth frame at rest. Pictures
// are made in the page with a canvas. Prints "pass NAME" or "fail NAME: why".
//   node colour_test.mjs WEB_BUILD_DIR KALRENDER
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const { runSuite, LIMIT_MS, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));
const { checkAgainstKalrender, checkGPanoAgreement } = await import(
  new URL('./kalrender_agreement.mjs', import.meta.url)
);

const [buildDir, kalrender] = process.argv.slice(2);
const samples = path.join(buildDir, 'samples');
const temp = fs.mkdtempSync(path.join(os.tmpdir(), 'kalcolour-'));

// In the page: kalPicture(type, width, height, xmp) makes a picture of a
// diagonal colour pattern (a JPEG with an XMP segment when xmp is given) and
// resolves its bytes; kalEvents collects the viewer's error and warning events.
async function installHelpers(page) {
  await page.evaluate(() => {
    window.kalPicture = async (type, width, height, xmp = null) => {
      const canvas = new OffscreenCanvas(width, height),
        c = canvas.getContext('2d');
      const image = c.createImageData(width, height);
      for (let y = 0, i = 0; y < height; y++) {
        for (let x = 0; x < width; x++, i += 4) image.data.set([(x * 7) & 255, (y * 5) & 255, (x + y) & 255, 255], i);
      }
      c.putImageData(image, 0, 0);
      const bytes = new Uint8Array(await (await canvas.convertToBlob({ type, quality: 0.95 })).arrayBuffer());
      if (!xmp) return bytes;
      const body = new TextEncoder().encode(`http://ns.adobe.com/xap/1.0/\0${xmp}`);
      const segment = new Uint8Array(4 + body.length);
      segment.set([0xff, 0xe1, (body.length + 2) >> 8, (body.length + 2) & 255]);
      segment.set(body, 4);
      const out = new Uint8Array(bytes.length + segment.length);
      out.set(bytes.subarray(0, 2));
      out.set(segment, 2);
      out.set(bytes.subarray(2), 2 + segment.length);
      return out;
    };
    window.kalEvents = [];
    const host = document.getElementById('viewer');
    for (const type of ['error', 'warning'])
      host.addEventListener(type, (e) => window.kalEvents.push(`${type}: ${e.detail.message}`));
    window.kalValue = (code) => window.kalViewer.session.value(code);
  });
}

const takeEvents = (page) => page.evaluate(() => window.kalEvents.splice(0));

function gpanoXmp(fields) {
  const attributes = Object.entries(fields)
    .map(([name, value]) => `GPano:${name}="${value}"`)
    .join(' ');
  return `<?xpacket begin="\uFEFF" id="W5M0MpCehiHzreSzNTczkc9d"?><x:xmpmeta xmlns:x="adobe:ns:meta/">
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 xmlns:GPano="http://ns.google.com/photos/1.0/panorama/" ${attributes}/></rdf:RDF></x:xmpmeta><?xpacket end="w"?>`;
}

const tests = {
  async 'overlapping opens: the last one shows in its own colours, the others resolve false, memory stays'(page) {
    const got = await page.evaluate(async () => {
      const viewer = window.kalViewer;
      // Ten solid pictures of different sizes and colours, PNG and JPEG.
      const pictures = await Promise.all(
        Array.from({ length: 10 }, async (_, i) => {
          const canvas = new OffscreenCanvas(512 + 256 * i, 128 + 64 * (i % 3)),
            c = canvas.getContext('2d');
          c.fillStyle = `rgb(${20 * i}, ${200 - 15 * i}, ${i % 2 ? 40 : 220})`;
          c.fillRect(0, 0, canvas.width, canvas.height);
          return canvas.convertToBlob({ type: i % 2 ? 'image/jpeg' : 'image/png', quality: 1 });
        }),
      );
      const storm = async (count) => {
        const results = await Promise.all(pictures.slice(0, count).map((picture) => viewer.open(picture)));
        viewer.render();
        return { results, pixel: [...viewer.context.getImageData(7, 7, 1, 1).data], width: window.kalValue(10) };
      };
      const two = await storm(2),
        ten = await storm(10),
        before = viewer.engine.memory.buffer.byteLength;
      const again = await storm(10);
      return { two, ten, again, grew: viewer.engine.memory.buffer.byteLength - before };
    });
    const near = (pixel, rgb) => rgb.every((v, i) => Math.abs(pixel[i] - v) <= 3) && pixel[3] === 255;
    check(
      got.two.results.join() === 'false,true' && near(got.two.pixel, [20, 185, 40]) && got.two.width === 768,
      `two opens: ${JSON.stringify(got.two)}`,
    );
    for (const ten of [got.ten, got.again]) {
      check(
        ten.results.at(-1) === true &&
          ten.results.slice(0, -1).every((ok) => ok === false) &&
          near(ten.pixel, [180, 65, 40]) &&
          ten.width === 2816,
        `ten opens: ${JSON.stringify(ten)}`,
      );
    }
    check(got.grew === 0, `the module's memory grew by ${got.grew} bytes over ten more opens`);
    check((await takeEvents(page)).length === 0, 'an event fired');
  },

  async 'a JPEG with GPano fields of a 180-degree panorama opens at 180 degrees; attribute text wins'(page) {
    const xmp = gpanoXmp({
      ProjectionType: 'cylindrical',
      FullPanoWidthPixels: 4096,
      CroppedAreaImageWidthPixels: 2048,
      CroppedAreaLeftPixels: 1024,
      InitialViewHeadingDegrees: 30,
      PoseHeadingDegrees: 0,
    });
    const got = await page.evaluate(async (text) => {
      const viewer = window.kalViewer,
        jpeg = await window.kalPicture('image/jpeg', 2048, 512, text);
      const out = [];
      for (const attribs of [null, 'angle(90)']) {
        out.push((await viewer.open(jpeg, attribs)) && [window.kalValue(1), viewer.view.bearing]);
      }
      out.push((await viewer.open(await window.kalPicture('image/jpeg', 2048, 512))) && [window.kalValue(1)]);
      out.push((await viewer.openUrl('samples/courtyard_180.jpg')) && [window.kalValue(1)]);
      return out;
    }, xmp);
    // Column 0 faces 270 degrees; the view opens at the file's heading, 30.
    check(
      got[0]?.[0] === 180 && Math.abs(got[0][1] - 30) < 1e-6,
      `with GPano: angle and bearing ${JSON.stringify(got[0])}`,
    );
    check(got[1]?.[0] === 90, `with angle(90) as text: ${JSON.stringify(got[1])}`);
    check(got[2]?.[0] === 360, `without XMP: ${JSON.stringify(got[2])}`);
    check(got[3]?.[0] === 180, `the 180-degree sample: ${JSON.stringify(got[3])}`);
    check((await takeEvents(page)).length === 0, 'an event fired');
  },

  async 'a picture wider than the engine takes opens scaled down and says so once'(page) {
    const got = await page.evaluate(async () => {
      const ok = await window.kalViewer.open(await window.kalPicture('image/png', 30000, 64));
      return { ok, width: window.kalValue(10) };
    });
    const events = await takeEvents(page);
    check(got.ok && got.width < 30000 && got.width > 20000, `opened ${got.ok}, ${got.width} pixels wide`);
    check(
      events.length === 1 && events[0].startsWith('warning: ') && events[0].includes('30000 x 64 pixels'),
      `events: ${events.join(' | ')}`,
    );
  },

  async 'huge and hostile pictures fail with their size and cost no memory'(page) {
    const got = await page.evaluate(async () => {
      const viewer = window.kalViewer,
        x = viewer.engine,
        before = x.memory.buffer.byteLength;
      // A PNG signature and header claiming 60000 x 60000 RGB pixels, then nothing.
      const png = new Uint8Array(1024);
      png.set([
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13, 0x49, 0x48, 0x44, 0x52, 0, 0, 0xea, 0x60, 0, 0,
        0xea, 0x60, 8, 2,
      ]);
      const huge = await viewer.open(png);
      // A JPEG whose frame header claims 20000 x 20000, behind enough bytes
      // (seven filler segments) to claim that many pixels.
      const fill = 7 * 65537,
        jpeg = new Uint8Array(2 + fill + 15);
      jpeg.set([0xff, 0xd8]);
      for (let at = 2; at < 2 + fill; at += 65537) jpeg.set([0xff, 0xef, 0xff, 0xff], at);
      jpeg.set([0xff, 0xc0, 0, 11, 8, 0x4e, 0x20, 0x4e, 0x20, 1, 1, 0x11, 0, 0xff, 0xd9], 2 + fill);
      const tooBig = await viewer.open(jpeg);
      const noise = await viewer.open(new TextEncoder().encode('BM this is no picture at all, only words'));
      const broken = await viewer.open(
        new Uint8Array([
          0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13, 0x49, 0x48, 0x44, 0x52, 0, 0, 1, 0, 0, 0, 1, 0,
        ]),
      );
      return { results: [huge, tooBig, noise, broken], grew: x.memory.buffer.byteLength - before };
    });
    const events = await takeEvents(page);
    check(
      got.results.every((ok) => ok === false),
      `opened: ${got.results}`,
    );
    check(got.grew < 10 << 20, `the module's memory grew by ${got.grew} bytes`);
    const expected = [
      'claims 60000 x 60000 pixels',
      'claims 20000 x 20000 pixels',
      'not an image file',
      'damaged PNG file',
    ];
    check(
      events.length === 4 && expected.every((words, i) => events[i].startsWith('error: ') && events[i].includes(words)),
      `events: ${events.join(' | ')}`,
    );
  },

  async 'colours arrive in channel order; at rest the frame is the smooth one'(page) {
    const got = await page.evaluate(async () => {
      const viewer = window.kalViewer,
        canvas = new OffscreenCanvas(1024, 256),
        c = canvas.getContext('2d');
      c.fillStyle = 'rgb(200, 100, 50)';
      c.fillRect(0, 0, 1024, 256);
      const ok = await viewer.open(await canvas.convertToBlob({ type: 'image/png' }));
      viewer.render();
      await viewer.painted();
      const nearest = [...viewer.context.getImageData(5, 5, 1, 1).data];
      await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
      return { ok, nearest, smooth: viewer.smooth, colour: viewer.colour };
    });
    check(got.ok && got.colour, 'the PNG did not open in true colour');
    check(got.nearest.join() === '200,100,50,255', `pixel ${got.nearest}`);
    check(got.smooth === true, 'the frame at rest is not the smooth one');
  },

  async 'a photo: a grab keeps its point within a pixel at every field; 2:1 looks straight up and down; the page bounds and forces the view'(
    page,
  ) {
    const sphere = await page.evaluate(async () => {
      const viewer = window.kalViewer;
      if (!(await viewer.open(await window.kalPicture('image/png', 2048, 1024)))) return null;
      return [
        viewer.setView({ pitch: 90 }).pitch,
        viewer.setView({ pitch: -90 }).pitch,
        viewer.setView({ hfov: 120 }).hfov,
      ];
    });
    check(sphere?.join() === '90,-90,120', `a 2:1 picture's pitches and widest field: ${sphere}`);
    // The image point under `at` (page pixels) and how far in source columns
    // one view pixel reaches there.
    const under = (at) =>
      page.evaluate(([x, y]) => {
        const viewer = window.kalViewer,
          box = viewer.canvas.getBoundingClientRect();
        const vx = x - box.left,
          vy = y - box.top;
        const [a, b] = [viewer.session.mapPoint(vx, vy), viewer.session.mapPoint(vx + 1, vy)];
        return a && b && { point: a, span: Math.hypot(b[0] - a[0], b[1] - a[1]) };
      }, at);
    const box = await page.evaluate(() => {
      const b = window.kalViewer.canvas.getBoundingClientRect();
      return { x: b.left + b.width / 2, y: b.top + b.height / 2 };
    });
    for (const hfov of [100, 30, 4]) {
      await page.evaluate((field) => window.kalViewer.setView({ bearing: 10, pitch: 20, hfov: field }), hfov);
      const from = [box.x - 90, box.y + 30],
        anchor = await under(from);
      await page.mouse.move(...from);
      await page.mouse.down();
      let worst = 0;
      for (const [dx, dy] of [
        [40, -20],
        [120, -50],
      ]) {
        await page.mouse.move(from[0] + dx, from[1] + dy, { steps: 3 });
        const seen = await under([from[0] + dx, from[1] + dy]);
        const across = ((((seen.point[0] - anchor.point[0]) % 2048) + 3072) % 2048) - 1024;
        worst = Math.max(worst, Math.hypot(across, seen.point[1] - anchor.point[1]) / seen.span);
      }
      await page.mouse.up();
      check(worst <= 1, `at a field of ${hfov} degrees the grabbed point strayed ${worst.toFixed(2)} view pixels`);
    }
    // A phone's cropped sphere: 180 degrees of heading about north, 90 of
    // elevation about the horizon; the view stays inside.
    const xmp = gpanoXmp({
      ProjectionType: 'equirectangular',
      FullPanoWidthPixels: 4096,
      FullPanoHeightPixels: 2048,
      CroppedAreaImageWidthPixels: 2048,
      CroppedAreaImageHeightPixels: 1024,
      CroppedAreaLeftPixels: 1024,
      CroppedAreaTopPixels: 512,
    });
    const cropped = await page.evaluate(async (text) => {
      const viewer = window.kalViewer;
      if (!(await viewer.open(await window.kalPicture('image/jpeg', 2048, 1024, text)))) return null;
      return [window.kalValue(1), viewer.setView({ pitch: 80 }).pitch, viewer.setView({ bearing: 180 }).bearing];
    }, xmp);
    const away = cropped && Math.abs(((cropped[2] + 540) % 360) - 180);
    check(
      cropped?.[0] === 180 && cropped[1] < 45 && away > 0 && away < 90,
      `a cropped sphere's angle, highest pitch and heading turned to the back: ${cropped}`,
    );
    const bounded = await page.evaluate(async () => {
      const { KalViewer } = await import('./kalvoria.js');
      const host = document.createElement('div');
      Object.assign(host.style, { width: '320px', height: '240px' });
      document.body.append(host);
      const picture = await window.kalPicture('image/png', 2048, 1024);
      const out = [];
      for (const options of [{ hfov: 40, maxHfov: 50, minPitch: -10, maxPitch: 10 }, { projection: 'cylinder' }]) {
        const viewer = new KalViewer(host, options);
        await viewer.open(picture);
        out.push([viewer.view.hfov, viewer.setView({ pitch: 60 }).pitch, viewer.setView({ hfov: 90 }).hfov]);
        viewer.destroy();
      }
      host.remove();
      return out;
    });
    check(
      Math.abs(bounded[0][0] - 40) < 1e-9 && bounded[0][1] === 10 && bounded[0][2] === 50,
      `hfov 40, maxHfov 50, pitch within 10: ${bounded[0]}`,
    );
    check(bounded[1][1] < 60, `a forced cylinder took pitch ${bounded[1][1]}`);
  },

  async "a photo's frames come from the worker, equal to the page thread's, its pixels only there; destroy during a worker render"(
    page,
  ) {
    const got = await page.evaluate(async () => {
      const { KalViewer } = await import('./kalvoria.js');
      const picture = await window.kalPicture('image/png', 3000, 800);
      const viewers = [true, false].map((worker) => {
        const host = document.createElement('div');
        Object.assign(host.style, { width: '320px', height: '240px' });
        document.body.append(host);
        return new KalViewer(host, { worker });
      });
      for (const viewer of viewers) await viewer.open(picture);
      while (!viewers[0].frames || viewers[0].session.hasPixels) await new Promise((done) => setTimeout(done, 20));
      // The moving frame stays on show: no resting frame follows it here.
      const frames = async (smooth) => {
        const out = [];
        for (const viewer of viewers) {
          viewer.scheduleSmooth = smooth ? KalViewer.prototype.scheduleSmooth : () => {};
          viewer.setView({ bearing: 77.3, pitch: 12.5, hfov: 50 });
          viewer.render(smooth);
          await viewer.painted();
          out.push(viewer.context.getImageData(0, 0, 320, 240).data);
        }
        return out[0].every((byte, i) => byte === out[1][i]);
      };
      const result = { nearest: await frames(false), resting: await frames(true), kept: viewers[0].session.hasPixels };
      viewers[0].setView({ bearing: 10 });
      viewers[0].render(true);
      for (const viewer of viewers) {
        viewer.destroy();
        viewer.host.remove();
      }
      await new Promise((done) => setTimeout(done, 100));
      return result;
    });
    check(got.nearest, "the worker's moving frame differs from the page thread's");
    check(got.resting, "the worker's resting frame differs from the page thread's");
    check(!got.kept, 'the page kept the pixels the worker has');
  },

  async 'a view too small says so, never "too large", and the view comes back when the host grows'(page) {
    await page.evaluate(() => window.kalViewer.openUrl('samples/courtyard.jpg', 'samples/courtyard.KAL'));
    await takeEvents(page);
    const size = (w, h) =>
      page.evaluate(
        (sw, sh) => Object.assign(document.getElementById('viewer').style, { width: `${sw}px`, height: `${sh}px` }),
        w,
        h,
      );
    await size(1, 1);
    await page.waitForFunction(() => window.kalEvents.length > 0, { timeout: LIMIT_MS });
    await size(640, 480);
    await page.waitForFunction(() => window.kalViewer.canvas.width === 640, { timeout: LIMIT_MS });
    const events = await takeEvents(page);
    check(
      events.length === 1 && events[0].includes('too small') && !events[0].includes('too large'),
      `events: ${events.join(' | ')}`,
    );
  },

  async 'a BMP that ends early and a faulty attribute text open with one warning each'(page) {
    const bmp = fs.readFileSync(path.join(samples, 'courtyard.bmp'));
    const cut = [...bmp.subarray(0, 5000)];
    const got = await page.evaluate(async (bytes) => {
      const viewer = window.kalViewer;
      const first = await viewer.open(new Uint8Array(bytes));
      const second = await viewer.open(await window.kalPicture('image/png', 1024, 256), 'angle(180)\nhorizon(4 5)');
      return [first, second, window.kalValue(1)];
    }, cut);
    const events = await takeEvents(page);
    check(got[0] && got[1] && got[2] === 360, `opened: ${got}`);
    check(
      events.length === 2 &&
        events[0].includes('ends before the end of its image') &&
        events[1].includes('line 2, at "5"') &&
        events[1].startsWith('warning: '),
      `events: ${events.join(' | ')}`,
    );
  },

  async 'GPano variants in a JPEG and a PNG give the angle and start heading kalrender gives'(page) {
    const pictures = {};
    for (const [kind, type] of [
      ['jpg', 'image/jpeg'],
      ['png', 'image/png'],
    ]) {
      const bytes = await page.evaluate(async (t) => [...(await window.kalPicture(t, 2048, 512))], type);
      pictures[kind] = Buffer.from(bytes);
    }
    await checkGPanoAgreement(page, kalrender, temp, pictures);
    await takeEvents(page);
  },

  // A phone photo stored sideways with its EXIF orientation (6: turn a
  // quarter clockwise) opens upright in both, as kalrender shows it.
  async 'a JPEG turned by its EXIF orientation opens as kalrender shows it'(page) {
    const bytes = await page.evaluate(async () => {
      const canvas = new OffscreenCanvas(400, 1200),
        c = canvas.getContext('2d');
      const sky = c.createLinearGradient(0, 0, 400, 1200);
      sky.addColorStop(0, '#2a5d9f');
      sky.addColorStop(1, '#d8c9a0');
      c.fillStyle = sky;
      c.fillRect(0, 0, 400, 1200);
      c.fillStyle = '#803020';
      c.fillRect(40, 100, 120, 300); // marks which way is up
      return [
        ...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.95 })).arrayBuffer()),
      ];
    });
    const exif = Buffer.from(
      '457869660000' + '49492a0008000000' + '0100' + '120103000100000006000000' + '00000000',
      'hex',
    );
    const head = Buffer.from([0xff, 0xe1, (exif.length + 2) >> 8, (exif.length + 2) & 255]);
    const jpeg = Buffer.from(bytes),
      file = path.join(temp, 'turned.jpg');
    fs.writeFileSync(file, Buffer.concat([jpeg.subarray(0, 2), head, exif, jpeg.subarray(2)]));
    await checkAgainstKalrender(page, kalrender, file, 6);
  },

  // PNG input byte for byte against kalrender's resting frame.
  async 'a PNG opens byte for byte as kalrender renders it'(page) {
    const png = path.join(temp, 'pattern.png');
    const bytes = await page.evaluate(async () => [...(await window.kalPicture('image/png', 2000, 400))]);
    fs.writeFileSync(png, Buffer.from(bytes));
    await checkAgainstKalrender(page, kalrender, png);
  },
};

runSuite(buildDir, 'colour tests', tests, {
  prepare: installHelpers,
  finish: () => fs.rmSync(temp, { recursive: true, force: true }),
});
