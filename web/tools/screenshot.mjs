// Saves a headless screenshot of the viewer page with the sample panorama.
//   node screenshot.mjs BUILD_DIR OUTPUT.png
import { openViewerPage } from './browser.mjs';

const [buildDir, output] = process.argv.slice(2);
const { page, close } = await openViewerPage(buildDir);
try {
  await page.evaluate(() => window.kalViewer.setView({ bearing: 100, pitch: 0, zoom: 1 }));
  await page.screenshot({ path: output });
} finally {
  await close();
}
