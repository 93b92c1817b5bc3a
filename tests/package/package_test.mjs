// The packed npm package as a page author gets it: the tarball installs
// offline into an empty folder, and a page served from there under the
// README's Content-Security-Policy opens a panorama with its element.
//   node package_test.mjs TARBALL WEB_BUILD_DIR
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const { launchBrowser, check, LIMIT_MS } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));

const [tarball, buildDir] = process.argv.slice(2);
const POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'";
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm' };
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
  check(errors.length === 0, errors.join(' | '));
  console.log('pass package: the packed tarball installs offline and its element opens a panorama under the policy');
} catch (error) {
  console.log(`fail package: ${`${error?.message ?? error}`.replace(/\s+/g, ' ').trim()}`);
  process.exitCode = 1;
} finally {
  await browser?.close().catch(() => {});
  server?.close();
  fs.rmSync(folder, { recursive: true, force: true });
}
