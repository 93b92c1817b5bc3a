// Fetching a panorama's files with progress, within a size limit.

// Larger files would not fit the module's 32-bit memory next to their copy.
export const MAX_FILE_BYTES = 1 << 30;

// Resolves the body of `url` as bytes; `onProgress(loaded, total)` follows
// the download (total 0 when the server does not say). A body over
// `limit` bytes is refused before it is held whole; `signal` aborts.
export async function fetchBytes(url, onProgress = () => {}, limit = MAX_FILE_BYTES, signal = undefined) {
  const response = await fetch(url, { signal });
  if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
  const tooLarge = () => new Error(`${url} is larger than ${limit} bytes`);
  // An encoded body's length is not the length of what arrives.
  const encoded = (response.headers.get('Content-Encoding') ?? 'identity') !== 'identity';
  const total = encoded ? 0 : Number(response.headers.get('Content-Length')) || 0;
  if (total > limit) throw tooLarge();
  if (!response.body) return new Uint8Array(await response.arrayBuffer());
  const reader = response.body.getReader(),
    chunks = [];
  let loaded = 0;
  onProgress(0, total);
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    loaded += value.length;
    if (loaded > limit) {
      reader.cancel().catch(() => {});
      throw tooLarge();
    }
    chunks.push(value);
    onProgress(loaded, total);
  }
  if (chunks.length === 1) return chunks[0];
  const bytes = new Uint8Array(loaded);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.length;
  }
  return bytes;
}
