// Pictures the browser decodes, on their way into the engine's module: the
// format and size from the file's first bytes (checked before anything is
// decoded), and the decoded rows, top-down, copied into the block the
// module hands out for them (the module reads the file's GPano XMP itself).
import { PIXEL_ORDER } from './engine.js';

// Bytes of decoded rows read back from the browser at a time.
const STRIP_BYTES = 1 << 22;
const { BLUE_FIRST, NO_ALPHA } = PIXEL_ORDER;
const FRAME_ORDER = { RGBA: 0, RGBX: NO_ALPHA, BGRA: BLUE_FIRST, BGRX: BLUE_FIRST | NO_ALPHA };

const be16 = (b, i) => (b[i] << 8) | b[i + 1];
const be32 = (b, i) => ((b[i] << 24) | (b[i + 1] << 16) | (b[i + 2] << 8) | b[i + 3]) >>> 0;
const le16 = (b, i) => b[i] | (b[i + 1] << 8);
const le24 = (b, i) => b[i] | (b[i + 1] << 8) | (b[i + 2] << 16);
const ascii = (b, i, n) => String.fromCharCode(...b.subarray(i, i + n));

// The picture format from its first bytes, or null for anything else.
export function pictureFormat(b) {
  if (b.length >= 2 && b[0] === 0x42 && b[1] === 0x4d) return 'bmp';
  if (b.length >= 3 && b[0] === 0xff && b[1] === 0xd8 && b[2] === 0xff) return 'jpeg';
  if (b.length >= 8 && ascii(b, 1, 3) === 'PNG' && b[0] === 0x89) return 'png';
  if (b.length >= 12 && ascii(b, 0, 4) === 'RIFF' && ascii(b, 8, 4) === 'WEBP') return 'webp';
  if (b.length >= 12 && ascii(b, 4, 4) === 'ftyp' && /^(avif|avis|mif1)$/.test(ascii(b, 8, 4))) return 'avif';
  if (b.length >= 10 && ascii(b, 0, 4) === 'GIF8') return 'gif';
  return null;
}

// The JPEG segments before the image data, as [marker, start, length].
function* jpegSegments(b) {
  for (let i = 2; i + 4 <= b.length;) {
    if (b[i] !== 0xff) return;
    const marker = b[i + 1];
    if (marker === 0xff) {
      i++;
      continue;
    }
    if (marker === 0xd9 || marker === 0xda) return;
    const length = be16(b, i + 2);
    if (length < 2) return;
    yield [marker, i + 4, Math.min(length - 2, b.length - i - 4)];
    i += 2 + length;
  }
}

// Every SOF marker but the three that are not frames (DHT, JPG, DAC).
const isJpegFrame = (m) => m >= 0xc0 && m <= 0xcf && m !== 0xc4 && m !== 0xc8 && m !== 0xcc;

// The largest 'ispe' (image spatial extents) property of an AVIF file.
function avifSize(b) {
  let best = null;
  for (let i = 4; i + 16 <= b.length; i++) {
    if (b[i] !== 0x69 || ascii(b, i, 4) !== 'ispe') continue;
    const width = be32(b, i + 8),
      height = be32(b, i + 12);
    if (!best || width * height > best.width * best.height) best = { width, height };
  }
  return best;
}

function webpSize(b) {
  const chunk = ascii(b, 12, 4);
  if (chunk === 'VP8 ' && b.length >= 30) return { width: le16(b, 26) & 0x3fff, height: le16(b, 28) & 0x3fff };
  if (chunk === 'VP8L' && b.length >= 25) {
    return {
      width: 1 + (b[21] | ((b[22] & 0x3f) << 8)),
      height: 1 + ((b[22] >> 6) | (b[23] << 2) | ((b[24] & 0x0f) << 10)),
    };
  }
  if (chunk === 'VP8X' && b.length >= 30) return { width: 1 + le24(b, 24), height: 1 + le24(b, 27) };
  return null;
}

// The size a picture's header claims, or null when it names none.
export function pictureSize(b, format) {
  switch (format) {
    case 'png':
      return b.length >= 24 ? { width: be32(b, 16), height: be32(b, 20) } : null;
    case 'gif':
      return { width: le16(b, 6), height: le16(b, 8) };
    case 'webp':
      return webpSize(b);
    case 'avif':
      return avifSize(b);
    case 'jpeg':
      for (const [marker, start, length] of jpegSegments(b)) {
        if (isJpegFrame(marker) && length >= 5) return { height: be16(b, start + 1), width: be16(b, start + 3) };
      }
      return null;
    default:
      return null;
  }
}

// The samples in a PNG pixel, by colour type.
const PNG_CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };
// Adam7's passes as [first column, first row, column step, row step].
const ADAM7 = [
  [0, 0, 8, 8],
  [4, 0, 8, 8],
  [0, 4, 4, 8],
  [2, 0, 4, 4],
  [0, 2, 2, 4],
  [1, 0, 2, 2],
  [0, 1, 1, 2],
];

const CRC_TABLE = Int32Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c;
});

function pngChunk(type, data) {
  const out = new Uint8Array(12 + data.length),
    view = new DataView(out.buffer);
  view.setUint32(0, data.length);
  out.set(
    [...type].map((ch) => ch.charCodeAt(0)),
    4,
  );
  out.set(data, 8);
  let crc = -1;
  for (const byte of out.subarray(4, 8 + data.length)) crc = CRC_TABLE[(crc ^ byte) & 255] ^ (crc >>> 8);
  view.setUint32(8 + data.length, ~crc >>> 0);
  return out;
}

// The ends of a PNG's filtered rows in its decompressed data, pass by pass.
function pngRowEnds(width, height, bits, interlaced) {
  const ends = [];
  let at = 0;
  for (const [x0, y0, dx, dy] of interlaced ? ADAM7 : [[0, 0, 1, 1]]) {
    const columns = Math.ceil((width - x0) / dx),
      rows = Math.ceil((height - y0) / dy);
    if (columns <= 0 || rows <= 0) continue;
    const rowBytes = 1 + Math.ceil((columns * bits) / 8);
    for (let r = 0; r < rows; r++) ends.push((at += rowBytes));
  }
  return ends;
}

// Inflates up to `limit` bytes of a zlib stream, keeping what came before an
// early end or a fault.
async function inflateSome(data, limit) {
  const stream = new DecompressionStream('deflate'),
    writer = stream.writable.getWriter();
  writer.write(data).catch(() => {});
  writer.close().catch(() => {});
  const reader = stream.readable.getReader(),
    parts = [];
  let got = 0;
  try {
    while (got < limit) {
      const { value, done } = await reader.read();
      if (done) break;
      parts.push(value);
      got += value.length;
    }
  } catch {
    /* the stream ended early: what came is kept */
  }
  reader.cancel().catch(() => {});
  const out = new Uint8Array(Math.min(got, limit));
  for (let at = 0, i = 0; at < out.length; at += parts[i++].length) out.set(parts[i].subarray(0, out.length - at), at);
  return out;
}

// A PNG that ends early made whole: its complete rows kept and every row
// after them zero (blank), or null when its data is all there.
async function wholePng(b) {
  const before = [],
    data = [];
  let ended = false;
  for (let i = 8; i + 8 <= b.length;) {
    const length = be32(b, i),
      type = ascii(b, i + 4, 4),
      body = b.subarray(i + 8, Math.min(b.length, i + 8 + length));
    if (type === 'IEND') {
      ended = true;
      break;
    }
    if (type === 'IDAT') data.push(body);
    else if (!data.length && body.length === length) before.push(b.subarray(i, i + 12 + length));
    i += 12 + length;
  }
  const channels = b.length >= 29 ? PNG_CHANNELS[b[25]] : undefined;
  if (!data.length || !channels) return null;
  const ends = pngRowEnds(be32(b, 16), be32(b, 20), channels * b[24], b[28] === 1);
  const raw = await inflateSome(new Uint8Array(await new Blob(data).arrayBuffer()), ends.at(-1));
  if (raw.length === ends.at(-1) && ended) return null;
  const whole = new Uint8Array(ends.at(-1));
  whole.set(raw.subarray(0, ends.findLast((end) => end <= raw.length) ?? 0));
  const deflated = new Blob([whole]).stream().pipeThrough(new CompressionStream('deflate'));
  const packed = new Uint8Array(await new Response(deflated).arrayBuffer());
  const file = new Blob([b.subarray(0, 8), ...before, pngChunk('IDAT', packed), pngChunk('IEND', [])]);
  return new Uint8Array(await file.arrayBuffer());
}

// A picture that ends early, made whole the way the native decoders read it
// (a JPEG given its end marker, a PNG its missing rows blank), or null.
function wholePicture(b, format) {
  if (format === 'png') return wholePng(b);
  if (format !== 'jpeg' || (b.at(-2) === 0xff && b.at(-1) === 0xd9)) return null;
  const out = new Uint8Array(b.length + 2);
  out.set(b);
  out.set([0xff, 0xd9], b.length);
  return out;
}

// Copies a decoded bitmap into module memory at `pointer`, strip by strip,
// its rows top-down as the module keeps them.
function copyRows(bitmap, memory, pointer) {
  const { width, height } = bitmap;
  const rows = Math.max(1, Math.min(height, Math.floor(STRIP_BYTES / (width * 4))));
  const canvas = new OffscreenCanvas(width, rows);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  context.imageSmoothingEnabled = false;
  for (let y = 0; y < height; y += rows) {
    const count = Math.min(rows, height - y);
    context.clearRect(0, 0, width, rows);
    context.drawImage(bitmap, 0, -y);
    const strip = context.getImageData(0, 0, width, count).data;
    // The view is made afresh: an allocation may have grown the memory.
    new Uint8Array(memory.buffer, pointer + y * width * 4, count * width * 4).set(strip);
  }
}

// Decodes `blob` at width x height (scaled with the browser's filter when
// `scaled`), upright as its Exif orientation says; the caller closes the bitmap.
function decodePicture(blob, width, height, scaled) {
  const options = { imageOrientation: 'from-image', premultiplyAlpha: 'none', colorSpaceConversion: 'none' };
  if (scaled) Object.assign(options, { resizeWidth: width, resizeHeight: height, resizeQuality: 'high' });
  return createImageBitmap(blob, options);
}

// Decodes the first frame with the browser's ImageDecoder straight into the
// open's block, in the frame's own pixel order when it has four bytes a pixel
// (a plain copy), else converted to RGBA. Resolves the PixelOrder bits that
// make what it wrote opaque RGBA (none for a picture without alpha, which
// the conversion makes opaque), or null when this way is not open (the
// caller takes another).
async function decodeFrameInto(bytes, type, opening, prepare) {
  if (typeof ImageDecoder !== 'function' || !(await ImageDecoder.isTypeSupported(type))) return null;
  let decoder = null;
  try {
    decoder = new ImageDecoder({ data: bytes, type, colorSpaceConversion: 'none', preferAnimation: false });
    const decoding = decoder.decode({ frameIndex: 0 });
    prepare(opening);
    const { image } = await decoding;
    try {
      const block = opening.block;
      if (image.displayWidth !== block.width || image.displayHeight !== block.height) return null;
      const order = FRAME_ORDER[image.format];
      if (order !== undefined) {
        await image.copyTo(opening.pixels());
        return order | NO_ALPHA;
      }
      await image.copyTo(opening.pixels(), { format: 'RGBA' });
      // Planes of colour alone (a JPEG's I420) convert to opaque pixels.
      return image.format && !image.format.includes('A') ? 0 : NO_ALPHA;
    } finally {
      image.close();
    }
  } catch {
    return null;
  } finally {
    decoder?.close();
  }
}

// An open with a block for a width x height picture, or the module's reason
// thrown; `projection` a PROJECTION code.
function requestBlock(engine, width, height, bytes, text, projection) {
  const opening = engine.colourBlock(width, height, bytes, text, projection);
  if (!opening.pointer) throw new Error('out of memory');
  const block = opening.block;
  if (!block) {
    const message = opening.message;
    opening.end();
    throw new Error(message);
  }
  return { opening, projection, scaled: block.width !== width || block.height !== height };
}

// Decodes `picture` (the file `bytes`, or it made whole) with
// createImageBitmap (scaling with the browser's filter when the block is
// smaller than the picture) and copies the rows in strips. Resolves
// the open that holds them: another one when the decoder turned the picture.
async function decodeBitmapInto(engine, bytes, request, text, picture = bytes) {
  let bitmap,
    { opening } = request;
  const block = opening.block;
  try {
    const decoding = decodePicture(new Blob([picture]), block.width, block.height, request.scaled);
    request.prepare(opening);
    bitmap = await decoding;
  } catch {
    throw new Error('The file is not an image file the browser can decode.');
  }
  try {
    // A picture the decoder turned (its Exif orientation) needs another block.
    if (bitmap.width !== block.width || bitmap.height !== block.height) {
      opening.end();
      request.opening = null;
      const turned = requestBlock(engine, bitmap.width, bitmap.height, bytes, text, request.projection);
      request.opening = opening = turned.opening;
      if (turned.scaled) throw new Error('The turned image is larger than the engine takes.');
    }
    copyRows(bitmap, engine.memory, opening.block.pointer);
    // Any alpha the picture has is dropped: panoramas are opaque.
    opening.arrange(NO_ALPHA);
  } finally {
    bitmap.close();
  }
}

// Decodes a picture into an open of its own. Resolves the open, ready to
// finish, or null when `stale()` says a newer open took over meanwhile (this
// one's block is freed then); throws the reason it cannot open. `projection`:
// a PROJECTION code; `prepare(opening)` runs while the browser decodes, once
// at most (Opening.prepare).
export async function decodeOpening(engine, bytes, text, stale, projection = 0, prepare = () => {}) {
  const format = pictureFormat(bytes);
  const claimed = format && format !== 'bmp' ? pictureSize(bytes, format) : null;
  if (!claimed || !claimed.width || !claimed.height) throw new Error('The file is not an image file.');
  const request = requestBlock(engine, claimed.width, claimed.height, bytes, text, projection);
  let prepared = false;
  request.prepare = (opening) => {
    if (prepared || stale()) return;
    prepared = true;
    prepare(opening);
  };
  // `picture` is the file or, when it ends early, the file made whole.
  const decode = async (picture) => {
    const order = request.scaled
      ? null
      : await decodeFrameInto(picture, `image/${format}`, request.opening, request.prepare);
    if (order !== null && !stale()) request.opening.arrange(order);
    else if (!stale()) await decodeBitmapInto(engine, bytes, request, text, picture);
  };
  try {
    try {
      await decode(bytes);
    } catch (error) {
      // A file that ends early opens with its rest blank, as natively; one
      // the browser cannot decode even so keeps the first reason.
      const whole = request.opening && !stale() ? await wholePicture(bytes, format) : null;
      if (!whole) throw error;
      await decode(whole).catch(() => {
        throw error;
      });
      request.opening?.endsEarly();
    }
  } catch (error) {
    request.opening?.end(); // the module's memory is the page's for good
    throw error;
  }
  if (!stale()) return request.opening;
  request.opening.end();
  return null;
}
