// SPDX-License-Identifier: MIT
// Renders the web edition in headless Chromium to a PNG:
//   node web/screenshot.mjs [--profile NAME] OUT.png [SCRIPT]
// after running SCRIPT (the script runner's language) in the page, by default
// Go-back-N ARQ with the router for 25 simulated seconds, in the colour
// profile NAME (?profile=NAME).
import { readFileSync } from 'node:fs';

import { launch, openPage } from './test/browser.mjs';

const args = process.argv.slice(2);
const profile = args[0] === '--profile' ? args.splice(0, 2)[1] : '';
const [out = 'docs/web-screenshot.png', scriptFile] = args;
const script = scriptFile ? readFileSync(scriptFile, 'utf8')
  : 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\nrun 25000\n';
const { browser, close } = await launch();
try {
  const { page } = await openPage(browser, { query: `?clock=off${profile ? `&profile=${encodeURIComponent(profile)}` : ''}` });
  await page.evaluate((s) => window.linkdemo.run(s), script);
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  await (await page.$('#page')).screenshot({ path: out });
  console.log(`wrote ${out}`);
} finally {
  await close();
}
