// A local server for the web viewer: the page and its module from web/, the
// WebAssembly module and the sample panorama from the build folder. Nothing
// else is served. Under /isolated/ the same files come with the headers of
// a cross-origin isolated page (shared memory: the two render workers).
import http from 'node:http';
import fs from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const webDir = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.jpg': 'image/jpeg',
  '.png': 'image/png',
  '.webp': 'image/webp',
  '.avif': 'image/avif',
};

// What a page sends to be cross-origin isolated (README.md says so too).
const ISOLATED = { 'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' };

// Maps a request path to a file, or null.
function resolve(buildDir, urlPath) {
  if (urlPath === '/' || urlPath === '/index.html') return path.join(webDir, 'index.html');
  const script = /^\/([a-z_]+\.js)$/.exec(urlPath);
  if (script) return path.join(webDir, script[1]);
  const module = /^\/(kalvoria(_bench|_shared)?\.wasm)$/.exec(urlPath);
  if (module) return path.join(buildDir, module[1]);
  const sample = /^\/samples\/([A-Za-z0-9_]+\.(bmp|KAL|jpg|png|webp|avif))$/.exec(urlPath);
  return sample ? path.join(buildDir, 'samples', sample[1]) : null;
}

// Serves on localhost; resolves { url, close }. Port 0 takes a free one.
export function startServer(buildDir, port = 0) {
  const server = http.createServer(async (request, response) => {
    const wanted = new URL(request.url, 'http://localhost').pathname,
      isolated = wanted.startsWith('/isolated/');
    const file = resolve(buildDir, isolated ? wanted.slice('/isolated'.length) : wanted);
    try {
      if (!file) throw new Error('not served');
      const body = await fs.readFile(file);
      response.writeHead(200, {
        'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
        'Content-Length': body.length,
        'Cache-Control': 'no-store',
        ...(isolated ? ISOLATED : {}),
      });
      response.end(body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () =>
      done({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((closed) => server.close(closed)),
      }),
    );
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [buildDir, port = '8080'] = process.argv.slice(2);
  const { url } = await startServer(path.resolve(buildDir), Number(port));
  console.log(`kal: the web viewer is at ${url}, cross-origin isolated at ${url}isolated/ (Ctrl+C stops the server)`);
}
