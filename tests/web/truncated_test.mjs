// Pictures that end early in the web viewer, in headless Chromium: a JPEG and
// a PNG (plain and interlaced) open with their rest blank and one warning, as
// kalrender opens them; and a 24-bit BMP shows byte for byte as kalrender
// renders it. Prints "pass NAME" or "fail NAME: why".
//   node truncated_test.mjs WEB_BUILD_DIR KALRENDER
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const { runSuite, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));
const { checkAgainstKalrender, pngChunk } = await import(new URL('./kalrender_agreement.mjs', import.meta.url));

const [buildDir, kalrender] = process.argv.slice(2);
const temp = fs.mkdtempSync(path.join(os.tmpdir(), 'kaltruncated-'));
const ENDS_EARLY = 'warning: The file ends before the end of its image: the missing part of the picture is left blank.';
const pattern = (x, y) => [(x * 7) & 255, (y * 5) & 255, (x + y) & 255];

// An 8-bit RGB PNG of the pattern, Adam7-interlaced or plain, stored
// uncompressed so that a cut falls where its share of the rows says.
function patternPng(width, height, interlaced) {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, interlaced ? 1 : 0], 8);
  const passes = interlaced
    ? [
        [0, 0, 8, 8],
        [4, 0, 8, 8],
        [0, 4, 4, 8],
        [2, 0, 4, 4],
        [0, 2, 2, 4],
        [1, 0, 2, 2],
        [0, 1, 1, 2],
      ]
    : [[0, 0, 1, 1]];
  const raw = [];
  for (const [x0, y0, dx, dy] of passes) {
    for (let y = y0; y < height && x0 < width; y += dy) {
      raw.push(0);
      for (let x = x0; x < width; x += dx) raw.push(...pattern(x, y));
    }
  }
  const data = zlib.deflateSync(Buffer.from(raw), { level: 0 });
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 13, 10, 26, 10]),
    pngChunk('IHDR', header),
    pngChunk('IDAT', data),
    pngChunk('IEND', Buffer.alloc(0)),
  ]);
}

// A 24-bit BMP of the pattern: rows bottom-up, blue first, padded to 4 bytes.
function patternBmp(width, height) {
  const stride = (width * 3 + 3) & ~3,
    out = Buffer.alloc(54 + stride * height);
  out.write('BM', 0, 'latin1');
  out.writeUInt32LE(out.length, 2);
  out.writeUInt32LE(54, 10);
  out.writeUInt32LE(40, 14);
  out.writeInt32LE(width, 18);
  out.writeInt32LE(height, 22);
  out.writeUInt16LE(1, 26);
  out.writeUInt16LE(24, 28);
  out.writeUInt32LE(stride * height, 34);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) out.set(pattern(x, y).reverse(), 54 + (height - 1 - y) * stride + x * 3);
  }
  return out;
}

// In the page: opens the bytes in the viewer, then decodes them again into
// an open of the module's own to read the rows back, top-down as [r, g, b].
async function openAndRead(page, bytes) {
  return page.evaluate(
    async (data) => {
      const viewer = window.kalViewer,
        events = [];
      const hold = (e) => events.push(`${e.type}: ${e.detail.message}`),
        host = document.getElementById('viewer');
      for (const type of ['error', 'warning']) host.addEventListener(type, hold);
      const opened = await viewer.open(new Uint8Array(data));
      for (const type of ['error', 'warning']) host.removeEventListener(type, hold);
      const { decodeOpening } = await import('/image_input.js');
      const opening = await decodeOpening(viewer.engine, new Uint8Array(data), new Uint8Array(0), () => false);
      try {
        const { width, height } = opening.block,
          pixels = opening.pixels(),
          rows = [];
        // The module keeps its rows top-down.
        for (let y = 0; y < height; y++) {
          const row = [];
          for (let x = 0; x < width; x++) row.push([...pixels.subarray((y * width + x) * 4, (y * width + x) * 4 + 3)]);
          rows.push(row);
        }
        return { opened, events, rows };
      } finally {
        opening.end();
      }
    },
    [...bytes],
  );
}

const tests = {
  async 'a PNG that ends early, interlaced or plain, opens with its rest blank and one warning'(page) {
    for (const interlaced of [true, false]) {
      const png = patternPng(256, 64, interlaced);
      // Three quarters of the data: an interlaced file keeps its even rows
      // (passes 1 to 6) and the upper half of its odd ones (pass 7).
      const got = await openAndRead(page, png.subarray(0, Math.floor(png.length * 0.75)));
      const kind = interlaced ? 'interlaced' : 'plain';
      check(
        got.opened && got.events.join() === ENDS_EARLY,
        `${kind}: opened ${got.opened}, events ${got.events.join(' | ')}`,
      );
      // The first row left blank; every row is the pattern before it, and blank from it on.
      const kept = (y) => got.rows[y].every((rgb, x) => rgb.join() === pattern(x, y).join());
      const blank = (y) => got.rows[y].every((rgb) => rgb.join() === '0,0,0');
      const cut = got.rows.findIndex((_, y) => !kept(y));
      check(cut > 16 && cut < 60 && (!interlaced || cut % 2 === 1), `${kind}: the first row not kept is ${cut}`);
      const wrong = got.rows.findIndex((_, y) => (y < cut || (interlaced && y % 2 === 0) ? !kept(y) : !blank(y)));
      check(wrong < 0, `${kind}: row ${wrong} is wrong`);
    }
  },

  async 'a JPEG that ends early opens with its top in its colours, the rest blank, and one warning'(page) {
    const jpeg = await page.evaluate(async () => {
      const canvas = new OffscreenCanvas(512, 256),
        c = canvas.getContext('2d'),
        image = c.createImageData(512, 256);
      for (let y = 0, i = 0; y < 256; y++) {
        for (let x = 0; x < 512; x++, i += 4) image.data.set([x >> 1, y, 255 - (x >> 1), 255], i);
      }
      c.putImageData(image, 0, 0);
      const blob = await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.95 });
      return [...new Uint8Array(await blob.arrayBuffer())];
    });
    const cut = Buffer.from(jpeg.slice(0, Math.floor(jpeg.length / 2)));
    const got = await openAndRead(page, cut);
    check(got.opened && got.events.join() === ENDS_EARLY, `opened ${got.opened}, events ${got.events.join(' | ')}`);
    const smooth = (x, y) => [x >> 1, y, 255 - (x >> 1)];
    const near = (y) => got.rows[y].every((rgb, x) => rgb.every((v, i) => Math.abs(v - smooth(x, y)[i]) <= 8));
    // kalrender leaves the same grey there: the decoder's own for blocks with no data.
    const grey = (y) => got.rows[y].every((rgb) => rgb.join() === '128,128,128');
    check(near(0) && near(100), 'the top rows are not the picture');
    check(grey(160) && grey(255), 'the bottom rows are not blank');
  },

  async 'a 24-bit BMP opens byte for byte as kalrender renders it'(page) {
    const file = path.join(temp, 'pattern.bmp');
    fs.writeFileSync(file, patternBmp(1200, 300));
    await checkAgainstKalrender(page, kalrender, file);
  },
};

runSuite(buildDir, 'truncated-file tests', tests, { finish: () => fs.rmSync(temp, { recursive: true, force: true }) });
