// Pictures the browser decodes, on their way into the engine's module: the
// format and size from the file's first bytes (checked before anything is
// decoded), and the decoded rows, bottom-up, copied into the block the
// module hands out for them (the module reads the file's GPano XMP itself).

// Bytes of decoded rows read back from the browser at a time.
const STRIP_BYTES = 1 << 22;
// How decoded rows lie in a block (kalweb::PixelOrder).
const ROWS_TOP_DOWN = 1, BLUE_FIRST = 2, NO_ALPHA = 4;
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
    if (marker === 0xff) { i++; continue; }
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
    const width = be32(b, i + 8), height = be32(b, i + 12);
    if (!best || width * height > best.width * best.height) best = { width, height };
  }
  return best;
}

function webpSize(b) {
  const chunk = ascii(b, 12, 4);
  if (chunk === 'VP8 ' && b.length >= 30) return { width: le16(b, 26) & 0x3fff, height: le16(b, 28) & 0x3fff };
  if (chunk === 'VP8L' && b.length >= 25) {
    return { width: 1 + (b[21] | ((b[22] & 0x3f) << 8)), height: 1 + ((b[22] >> 6) | (b[23] << 2) | ((b[24] & 0x0f) << 10)) };
  }
  if (chunk === 'VP8X' && b.length >= 30) return { width: 1 + le24(b, 24), height: 1 + le24(b, 27) };
  return null;
}

// The size a picture's header claims, or null when it names none.
export function pictureSize(b, format) {
  switch (format) {
    case 'png': return b.length >= 24 ? { width: be32(b, 16), height: be32(b, 20) } : null;
    case 'gif': return { width: le16(b, 6), height: le16(b, 8) };
    case 'webp': return webpSize(b);
    case 'avif': return avifSize(b);
    case 'jpeg':
      for (const [marker, start, length] of jpegSegments(b)) {
        if (isJpegFrame(marker) && length >= 5) return { height: be16(b, start + 1), width: be16(b, start + 3) };
      }
      return null;
    default: return null;
  }
}

// Copies a decoded bitmap into module memory at `pointer`, strip by strip:
// it is already flipped, so its rows come in the module's bottom-up order.
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
// `scaled`), rows flipped to bottom-up; the caller closes the bitmap.
export function decodePicture(blob, width, height, scaled) {
  const options = { imageOrientation: 'flipY', premultiplyAlpha: 'none', colorSpaceConversion: 'none' };
  if (scaled) Object.assign(options, { resizeWidth: width, resizeHeight: height, resizeQuality: 'high' });
  return createImageBitmap(blob, options);
}

// Decodes the first frame with the browser's ImageDecoder straight into the
// block, in the frame's own pixel order when it has four bytes a pixel (a
// plain copy), else converted to RGBA. Resolves the PixelOrder bits of what
// it wrote, or null when this way is not open (the caller takes another).
async function decodeFrameInto(bytes, type, memory, block) {
  if (typeof ImageDecoder !== 'function' || !(await ImageDecoder.isTypeSupported(type))) return null;
  let decoder = null;
  try {
    decoder = new ImageDecoder({ data: bytes, type, colorSpaceConversion: 'none', preferAnimation: false });
    const { image } = await decoder.decode({ frameIndex: 0 });
    try {
      if (image.displayWidth !== block.width || image.displayHeight !== block.height) return null;
      // The view is made after the decode: an allocation may have grown the memory.
      const target = new Uint8Array(memory.buffer, block.pointer, block.width * block.height * 4);
      const order = FRAME_ORDER[image.format];
      if (order !== undefined) {
        await image.copyTo(target);
        return ROWS_TOP_DOWN | order;
      }
      await image.copyTo(target, { format: 'RGBA' });
      return ROWS_TOP_DOWN;
    } finally {
      image.close();
    }
  } catch {
    return null;
  } finally {
    decoder?.close();
  }
}

// Asks the module for a block for a width x height picture; resolves its
// pointer and the size to decode at, or throws the module's reason.
function requestBlock(engine, width, height, bytes, text) {
  const x = engine.x;
  const pointer = engine.withBlocks([text, bytes], (t, f) => x.kalweb_colourBlock(width, height, f, bytes.length, t, text.length));
  if (!pointer) throw new Error(engine.string(x.kalweb_error()));
  const [fitWidth, fitHeight] = engine.ints(x.kalweb_colourSize(), 2);
  return { pointer, width: fitWidth, height: fitHeight, scaled: fitWidth !== width || fitHeight !== height };
}

// Decodes with createImageBitmap (scaling with the browser's filter when the
// block is smaller than the picture) and copies the rows in strips.
async function decodeBitmapInto(engine, bytes, block, text) {
  let bitmap;
  try {
    bitmap = await decodePicture(new Blob([bytes]), block.width, block.height, block.scaled);
  } catch {
    throw new Error('The file is not an image file the browser can decode.');
  }
  try {
    // A picture the decoder turned (its Exif orientation) needs another block.
    if (bitmap.width !== block.width || bitmap.height !== block.height) {
      block = requestBlock(engine, bitmap.width, bitmap.height, bytes, text);
      if (block.scaled) throw new Error('The turned image is larger than the engine takes.');
    }
    copyRows(bitmap, engine.x.memory, block.pointer);
    return block;
  } finally {
    bitmap.close();
  }
}

// Opens a decodable picture: a new session of the view size `size()` gives,
// or the image of `session`. Resolves the session; throws the reason.
export async function openPicture(engine, bytes, text, session, size) {
  const format = pictureFormat(bytes);
  const claimed = format && format !== 'bmp' ? pictureSize(bytes, format) : null;
  if (!claimed || !claimed.width || !claimed.height) throw new Error('The file is not an image file.');
  let block = requestBlock(engine, claimed.width, claimed.height, bytes, text);
  try {
    const order = block.scaled ? null : await decodeFrameInto(bytes, `image/${format}`, engine.x.memory, block);
    if (order !== null) engine.x.kalweb_arrangeColour(order);
    else block = await decodeBitmapInto(engine, bytes, block, text);
  } catch (error) {
    engine.x.kalweb_dropColour();  // the module's memory is the page's for good
    throw error;
  }
  const x = engine.x;
  if (session) {
    if (!x.kalweb_replaceColour(session)) throw new Error(engine.string(x.kalweb_error()));
    return session;
  }
  const [width, height] = size();
  const created = x.kalweb_createColour(width, height);
  if (!created) throw new Error(engine.string(x.kalweb_error()));
  return created;
}
