// The packed npm package as a page author gets it: the tarball installs
// offline into an empty folder, and a page served from there under the
// README's Content-Security-Policy opens a panorama with its element; a
// second page builds a three-room tour with hotspots from JavaScript alone.
//   node package_test.mjs TARBALL WEB_BUILD_DIR
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const { launchBrowser, check, LIMIT_MS } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));

const [tarball, buildDir] = process.argv.slice(2);
const POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'";
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
};
const PAGE = {
  'index.html':
    '<!doctype html><meta charset="utf-8"><title>installed</title>' +
    '<kal-viewer src="courtyard.bmp" attribs="courtyard.KAL"></kal-viewer><script type="module" src="page.js"></script>',
  // What happens on the page, for the test to read; the element as the package installs it.
  'page.js': `import './node_modules/kalvoria/element.js';
window.kalSeen = [];
const viewer = document.querySelector('kal-viewer');
viewer.addEventListener('load', () => window.kalSeen.push('load'));
viewer.addEventListener('error', (event) => window.kalSeen.push(\`error: \${event.detail.message}\`));
document.addEventListener('securitypolicyviolation', (event) => window.kalSeen.push(\`blocked \${event.violatedDirective}\`));
`,
  'favicon.ico': '', // the browser asks for one
  'tour.html':
    '<!doctype html><meta charset="utf-8"><title>tour</title>' +
    '<link rel="stylesheet" href="tour.css"><div id="host"></div><script type="module" src="tour.js"></script>',
  'tour.css': '#host { width: 400px; height: 300px; }',
  // Three rooms, each with a hotspot straight ahead leading to the next.
  'tour.js': `import { KalViewer } from './node_modules/kalvoria/kalvoria.js';
const room = (bearing, next) => ({
  src: 'courtyard.bmp',
  view: { bearing, pitch: 0, zoom: 1 },
  hotspots: [{ id: next, heading: bearing, pitch: 0, text: 'To ' + next, scene: next }],
});
window.kalScenes = [];
const host = document.getElementById('host');
host.addEventListener('scenechange', (event) => window.kalScenes.push(event.detail.id));
window.kalTour = new KalViewer(host, {
  crossfade: 0,
  tour: { start: 'hall', scenes: { hall: room(40, 'kitchen'), kitchen: room(130, 'garden'), garden: room(250, 'hall') } },
});
`,
};

// Serves the folder's files (none above it) on 127.0.0.1 under the policy.
function serve(root) {
  const server = http.createServer((request, response) => {
    const file = path.join(root, path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)));
    const type = TYPES[path.extname(file)] ?? 'application/octet-stream';
    fs.readFile(file.startsWith(root + path.sep) ? file : root, (error, body) => {
      response.writeHead(error ? 404 : 200, { 'Content-Type': type, 'Content-Security-Policy': POLICY });
      response.end(error ? '' : body);
    });
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kal-package-'));
let browser, server;
try {
  fs.writeFileSync(path.join(folder, 'package.json'), '{ "name": "installed-page", "private": true }\n');
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error', path.resolve(tarball)], {
    cwd: folder,
    stdio: ['ignore', 'ignore', 'inherit'],
    timeout: 120000,
  });
  const installed = path.join(folder, 'node_modules', 'kalvoria');
  const manifest = JSON.parse(fs.readFileSync(path.join(installed, 'package.json'), 'utf8'));
  const licence = fs.readFileSync(path.join(installed, 'LICENSE'), 'utf8');
  check(manifest.license === 'MIT' && licence.includes('Copyright (c) the Kalvoria authors'), 'no MIT licence shipped');
  check(!manifest.scripts && fs.existsSync(path.join(installed, 'README.md')), 'scripts shipped, or no README');
  // Node resolves the package's entry points through its "exports".
  const resolved = execFileSync(
    process.execPath,
    [
      '--input-type=module',
      '-e',
      "console.log(import.meta.resolve('kalvoria'), import.meta.resolve('kalvoria/element'))",
    ],
    { cwd: folder },
  );
  for (const url of resolved.toString().trim().split(' '))
    check(fs.existsSync(new URL(url)), `${url} is not installed`);

  for (const name of ['courtyard.bmp', 'courtyard.KAL'])
    fs.copyFileSync(path.join(buildDir, 'samples', name), path.join(folder, name));
  for (const [name, text] of Object.entries(PAGE)) fs.writeFileSync(path.join(folder, name), text);
  server = await serve(fs.realpathSync(folder));
  browser = await launchBrowser();
  const page = await browser.newPage();
  const errors = [];
  // A missing file is named by its request; the console's line would not.
  page.on('response', (response) => response.ok() || errors.push(`no ${response.url()}`));
  page.on(
    'console',
    (message) => message.type() === 'error' && !/status of 404/.test(message.text()) && errors.push(message.text()),
  );
  page.on('pageerror', (error) => errors.push(`uncaught: ${error.message}`));
  await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`, { waitUntil: 'load' });
  await page
    .waitForFunction(() => window.kalSeen?.length > 0, { timeout: LIMIT_MS })
    .catch(() => {
      throw new Error(`the page saw no load within ${LIMIT_MS} ms: ${errors.join(' | ')}`);
    });
  const seen = await page.evaluate(() => window.kalSeen);
  check(seen.join() === 'load', `the page saw ${seen.join(', ')}`);
  // The canvas as the screen shows it, counted on a page of no policy: the
  // picture has many colours, a blank canvas one.
  const shot = await (await page.$('kal-viewer canvas')).screenshot({ encoding: 'base64' });
  const blank = await browser.newPage();
  const colours = await blank.evaluate(async (png) => {
    const picture = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
    const context = new OffscreenCanvas(picture.width, picture.height).getContext('2d');
    context.drawImage(picture, 0, 0);
    const pixels = new Uint32Array(context.getImageData(0, 0, picture.width, picture.height).data.buffer);
    return new Set(pixels).size;
  }, shot);
  check(colours > 100, `the canvas shows ${colours} colours`);
  await blank.close(); // a page behind another gets no animation frames
  // The tour: a click on each room's visible hotspot opens the next room.
  await page.goto(`http://127.0.0.1:${server.address().port}/tour.html`, { waitUntil: 'load' });
  for (const next of ['kitchen', 'garden']) {
    // Each room shows its hotspot once painted; a click opens the next.
    const selector = `.kal-hotspot[aria-label="To ${next}"]`;
    const shows = () => page.evaluate((css) => document.querySelector(css)?.style.display === '', selector);
    for (const until = Date.now() + LIMIT_MS; !(await shows());) {
      if (Date.now() > until) throw new Error(`no hotspot to ${next} shows: ${errors.join(' | ')}`);
      await new Promise((done) => setTimeout(done, 50));
    }
    const spot = await page.$(selector);
    await spot.click();
    for (const until = Date.now() + LIMIT_MS; (await page.evaluate(() => window.kalScenes.at(-1))) !== next;) {
      if (Date.now() > until) throw new Error(`the hotspot to ${next} did not open it`);
      await new Promise((done) => setTimeout(done, 50));
    }
  }
  const scenes = await page.evaluate(() => window.kalScenes);
  check(scenes.join() === 'hall,kitchen,garden', `the tour went ${scenes.join(', ')}`);
  check(errors.length === 0, errors.join(' | '));
  console.log(
    'pass package: the packed tarball installs offline, its element opens a panorama under the policy, and a tour of three rooms walks by its hotspots',
  );
} catch (error) {
  console.log(`fail package: ${`${error?.message ?? error}`.replace(/\s+/g, ' ').trim()}`);
  process.exitCode = 1;
} finally {
  await browser?.close().catch(() => {});
  server?.close();
  fs.rmSync(folder, { recursive: true, force: true });
}
