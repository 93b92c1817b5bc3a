// A local server for the web viewer: the page and its module from web/, the
// WebAssembly module and the sample panorama from the build folder. Nothing
// else is served.
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

// Maps a request path to a file, or null.
function resolve(buildDir, urlPath) {
  if (urlPath === '/' || urlPath === '/index.html') return path.join(webDir, 'index.html');
  const script = /^\/([a-z_]+\.js)$/.exec(urlPath);
  if (script) return path.join(webDir, script[1]);
  const module = /^\/(kalvoria(_bench)?\.wasm)$/.exec(urlPath);
  if (module) return path.join(buildDir, module[1]);
  const sample = /^\/samples\/([A-Za-z0-9_]+\.(bmp|KAL|jpg|png|webp|avif))$/.exec(urlPath);
  return sample ? path.join(buildDir, 'samples', sample[1]) : null;
}

// Serves on localhost; resolves { url, close }. Port 0 takes a free one.
export function startServer(buildDir, port = 0) {
  const server = http.createServer(async (request, response) => {
    const file = resolve(buildDir, new URL(request.url, 'http://localhost').pathname);
    try {
      if (!file) throw new Error('not served');
      const body = await fs.readFile(file);
      response.writeHead(200, {
        'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
        'Content-Length': body.length,
        'Cache-Control': 'no-store',
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
  console.log(`kal: the web viewer is at ${url} (Ctrl+C stops the server)`);
}
