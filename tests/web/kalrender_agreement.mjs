// The browser canvas against kalrender's resting frame, byte for byte: one
// picture file opened in both at the same view. Shared by the browser suites.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';

const { LIMIT_MS, check } = await import(new URL('../../web/tools/browser.mjs', import.meta.url));

// Renders `file` with kalrender and in the page's viewer at a 320x240 view,
// bearing 40; fails the check at the first pixel that differs.
export async function checkAgainstKalrender(page, kalrender, file) {
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
  const first = web.findIndex((byte, i) => byte !== native[i]) >> 2;
  check(
    first < 0,
    `the canvas differs from kalrender at pixel ${first}: ` +
      `${web.slice(first * 4, first * 4 + 4)} against ${native.slice(first * 4, first * 4 + 4)}`,
  );
}
