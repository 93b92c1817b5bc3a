// Starts the system's Chromium headless through the DevTools protocol
// (puppeteer-core, which never downloads a browser) and opens the viewer page.
import puppeteer from 'puppeteer-core';
import { execFileSync } from 'node:child_process';
import { startServer } from './serve.mjs';

export const LIMIT_MS = 20000; // every wait is bounded by this

function chromiumPath() {
  if (process.env.KAL_CHROMIUM) return process.env.KAL_CHROMIUM;
  for (const name of ['chromium', 'chromium-browser', 'google-chrome']) {
    try {
      return execFileSync('sh', ['-c', `command -v ${name}`])
        .toString()
        .trim();
    } catch {
      /* try the next name */
    }
  }
  throw new Error('no Chromium found (./kal setup installs it)');
}

// The system's Chromium, headless, as every browser test starts it.
export function launchBrowser() {
  return puppeteer.launch({
    executablePath: chromiumPath(),
    headless: true,
    timeout: LIMIT_MS,
    protocolTimeout: LIMIT_MS * 3,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--force-device-scale-factor=1'],
  });
}

// Opens the page at width x height CSS pixels; resolves
// { browser, page, server, consoleErrors, close }. The sample is open when
// it resolves (or has failed, which the page shows).
// `query` is added to the page's address (e.g. '?bench'); `isolated`: the
// page is cross-origin isolated (two render workers).
export async function openViewerPage(buildDir, { width = 800, height = 700, query = '', isolated = false } = {}) {
  const server = await startServer(buildDir);
  let browser;
  try {
    browser = await launchBrowser();
    const page = await browser.newPage();
    page.setDefaultTimeout(LIMIT_MS);
    const consoleErrors = [];
    page.on('console', (message) => {
      if (message.type() === 'error') consoleErrors.push(message.text());
    });
    page.on('pageerror', (error) => consoleErrors.push(`uncaught: ${error.message}`));
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.goto(server.url + (isolated ? 'isolated/' : '') + query, { waitUntil: 'load' });
    await page.waitForFunction(() => window.kalReady !== undefined);
    await page.evaluate(() => window.kalReady);
    const close = async () => {
      await browser.close().catch(() => {});
      await server.close();
    };
    return { browser, page, server, consoleErrors, close };
  } catch (error) {
    await browser?.close().catch(() => {});
    await server.close();
    throw error;
  }
}

// The suites' result lines: "pass web: NAME" or "fail web: NAME: reason".
export const results = {
  failures: 0,
  report(name, error) {
    if (error) results.failures++;
    const reason = `${error?.message ?? error}`.replace(/\s+/g, ' ').trim();
    console.log(error ? `fail web: ${name}: ${reason}` : `pass web: ${name}`);
  },
};

export function check(condition, message) {
  if (!condition) throw new Error(message);
}

// Opens the viewer page (cross-origin isolated when `isolated`), runs
// `prepare(page)` and then each of `tests` (name to async function of the
// page), a result line each, and a last one for the page's console errors;
// `finish()` runs after the browser closed. Exits with the suite's status.
export async function runSuite(
  buildDir,
  suite,
  tests,
  { prepare = async () => {}, finish = () => {}, isolated = false } = {},
) {
  let viewer;
  try {
    viewer = await openViewerPage(buildDir, { isolated });
  } catch (error) {
    results.report(`the browser starts for the ${suite}`, error);
    finish();
    process.exit(1);
  }
  const { page, consoleErrors, close } = viewer;
  try {
    await prepare(page);
    for (const [name, test] of Object.entries(tests)) {
      try {
        await test(page);
        results.report(name);
      } catch (error) {
        results.report(name, error);
      }
    }
    const errors = consoleErrors.length ? new Error(consoleErrors.join(' | ')) : null;
    results.report(`no console errors in the ${suite}`, errors);
  } finally {
    await close();
    finish();
  }
  process.exit(results.failures ? 1 : 0);
}
