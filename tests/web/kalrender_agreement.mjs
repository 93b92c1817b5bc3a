// The page against kalrender: the browser canvas against kalrender's
// resting frame, byte for byte (one picture file opened in both at the same
// view), and the panorama angle and start heading GPano metadata gives.
// Shared by the browser suites.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const { LIMIT_MS, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));

// Renders `file` with kalrender and in the page's viewer at a 320x240 view,
// bearing 40; fails the check at the first pixel that differs, or (lossy
// files, whose decoders differ by a few levels) when more than 1 % of the
// bytes differ by more than `tolerance`.
export async function checkAgainstKalrender(page, kalrender, file, tolerance = 0) {
  const out = `${file}.native.png`;
  execFileSync(kalrender, [file, '--view', '320x240', '--bearing', '40', '--smooth', '-o', out], {
    stdio: 'pipe',
    timeout: LIMIT_MS,
  });
  const web = await page.evaluate(
    async (data) => {
      const viewer = window.kalViewer;
      if (!(await viewer.open(new Uint8Array(data)))) return null;
      const style = document.getElementById('viewer').style;
      Object.assign(style, { width: '320px', height: '240px' });
      await new Promise((done) => setTimeout(done, 200));
      // kalrender's view: bearing 40, the horizon, zoom 1; at rest.
      viewer.setView({ bearing: 40, pitch: 0, zoom: 1 });
      do await new Promise((done) => requestAnimationFrame(done));
      while (!viewer.smooth);
      await viewer.painted();
      return [...viewer.context.getImageData(0, 0, 320, 240).data];
    },
    [...fs.readFileSync(file)],
  );
  const native = await page.evaluate(
    async (data) => {
      const bitmap = await createImageBitmap(new Blob([new Uint8Array(data)]), {
        colorSpaceConversion: 'none',
        premultiplyAlpha: 'none',
      });
      const c = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
      c.drawImage(bitmap, 0, 0);
      return [...c.getImageData(0, 0, bitmap.width, bitmap.height).data];
    },
    [...fs.readFileSync(out)],
  );
  check(web && web.length === native.length, `sizes ${web?.length} and ${native.length}`);
  if (tolerance) {
    const far = web.filter((byte, i) => Math.abs(byte - native[i]) > tolerance).length;
    check(far <= web.length / 100, `${far} of ${web.length} bytes differ from kalrender's by more than ${tolerance}`);
    return;
  }
  const first = web.findIndex((byte, i) => byte !== native[i]) >> 2;
  check(
    first < 0,
    `the canvas differs from kalrender at pixel ${first}: ` +
      `${web.slice(first * 4, first * 4 + 4)} against ${native.slice(first * 4, first * 4 + 4)}`,
  );
}

const GPANO = 'http://ns.google.com/photos/1.0/panorama/';

// An XMP packet with one description: `bind` its namespace attributes,
// `fields` its attributes, `before` what comes ahead of it in the packet.
function xmpPacket(bind, fields, before = '') {
  return `<?xpacket begin="\uFEFF" id="W5M0MpCehiHzreSzNTczkc9d"?>${before}<x:xmpmeta xmlns:x="adobe:ns:meta/">
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about=""
 ${bind} ${fields}/></rdf:RDF></x:xmpmeta><?xpacket end="w"?>`;
}

// The fields of a 180-degree cylinder, 2048 of 4096 columns from column
// 1024, starting at heading 200, well inside it at any view's field;
// `prefix` names them, `width` is the full width.
const cylinder = (prefix, width = '4096') =>
  [
    `${prefix}:ProjectionType="cylindrical"`,
    `${prefix}:FullPanoWidthPixels="${width}"`,
    `${prefix}:CroppedAreaImageWidthPixels="2048"`,
    `${prefix}:CroppedAreaLeftPixels="1024"`,
    `${prefix}:InitialViewHeadingDegrees="200"`,
  ].join(' ');

// XMP that readers once took differently; IGNORED names those whose
// metadata neither reader may take.
const GPANO_VARIANTS = {
  'another prefix': xmpPacket(`xmlns:pano="${GPANO}"`, cylinder('pano')),
  'GPano bound elsewhere': xmpPacket('xmlns:GPano="http://example.com/not/panorama/"', cylinder('GPano')),
  'spaces around values': xmpPacket(`xmlns:GPano="${GPANO}"`, cylinder('GPano').replace(/"([^"]*)"/g, '" $1 "')),
  'a comment first': xmpPacket(
    `xmlns:GPano="${GPANO}"`,
    cylinder('GPano'),
    '<!-- GPano:FullPanoWidthPixels="9000" GPano:InitialViewHeadingDegrees="99" -->',
  ),
  'width 1e308': xmpPacket(`xmlns:GPano="${GPANO}"`, cylinder('GPano', '1e308')),
};
const IGNORED = new Set(['GPano bound elsewhere']);

// A PNG chunk of `type` holding `data`, with its checksum.
export function pngChunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length, 0);
  out.write(type, 4, 'latin1');
  data.copy(out, 8);
  out.writeUInt32BE(zlib.crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
  return out;
}

// `xmp` in a JPEG's APP1 segment behind its start marker, or in a PNG's
// uncompressed iTXt chunk behind its header chunk.
function withXmp(picture, xmp) {
  const text = Buffer.from(xmp, 'utf8');
  if (picture[0] === 0xff) {
    const body = Buffer.concat([Buffer.from('http://ns.adobe.com/xap/1.0/\0', 'latin1'), text]);
    const head = Buffer.from([0xff, 0xe1, (body.length + 2) >> 8, (body.length + 2) & 255]);
    return Buffer.concat([picture.subarray(0, 2), head, body, picture.subarray(2)]);
  }
  const chunk = pngChunk('iTXt', Buffer.concat([Buffer.from('XML:com.adobe.xmp\0\0\0\0\0', 'latin1'), text]));
  return Buffer.concat([picture.subarray(0, 33), chunk, picture.subarray(33)]);
}

// What kalrender and the page make of `bytes` (written to `file`): the
// panorama angle and the heading the view starts at, or null.
async function openedIn(page, kalrender, file, bytes) {
  fs.writeFileSync(file, bytes);
  const said = execFileSync(kalrender, [file, '--view', '64x48', '-o', `${file}.bmp`], {
    stdio: 'pipe',
    timeout: LIMIT_MS,
  }).toString();
  const words = said.match(/a (\S+)-degree .*?(?:heading|bearing) (-?[\d.]+)/);
  const web = await page.evaluate(
    async (data) => {
      const viewer = window.kalViewer,
        host = document.getElementById('viewer');
      const loaded = new Promise((done) =>
        host.addEventListener('load', () => done(viewer.view.bearing), { once: true }),
      );
      if (!(await viewer.open(new Uint8Array(data)))) return null;
      return { angle: viewer.session.value(1), heading: await loaded };
    },
    [...bytes],
  );
  return { native: words && { angle: Number(words[1]), heading: Number(words[2]) }, web };
}

const turn = (a, b) => Math.abs(((((a - b) % 360) + 540) % 360) - 180);
const same = (a, b) => a && b && Math.abs(a.angle - b.angle) <= 0.5 && turn(a.heading, b.heading) <= 0.5;

// Each variant of GPANO_VARIANTS in each of `pictures` (name to JPEG or PNG
// bytes of 2048 x 512), opened by kalrender and by the page: the same
// panorama angle and start heading, within half a degree. A variant whose
// metadata is to be ignored opens in both as the bare picture does. Files
// go to `dir`.
export async function checkGPanoAgreement(page, kalrender, dir, pictures) {
  const differ = [];
  let count = 0;
  for (const [kind, picture] of Object.entries(pictures)) {
    const file = () => path.join(dir, `gpano-${count++}.${kind}`);
    const plain = await openedIn(page, kalrender, file(), picture);
    for (const [variant, xmp] of Object.entries(GPANO_VARIANTS)) {
      const got = await openedIn(page, kalrender, file(), withXmp(picture, xmp));
      const agree = same(got.native, got.web) && (!IGNORED.has(variant) || same(got.native, plain.native));
      if (!agree)
        differ.push(
          `${variant} (${kind}): kalrender ${JSON.stringify(got.native)}, the page ${JSON.stringify(got.web)}`,
        );
    }
  }
  check(differ.length === 0, differ.join(' | '));
}
