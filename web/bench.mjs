// SPDX-License-Identifier: MIT
// Figures of the web edition in headless Chromium (printed, never judged):
// the single file's size, page load to the first drawn frame, a main clock
// tick including the DOM update with 16 packets on every wire and full
// traces, and a one-megabyte `type`. The tick is timed on the benchmark's
// build of the page (build-web/bench/linkdemo.html, or LINKDEMO_BENCH_PAGE),
// the one with Module.fillForBenchmark; everything else on the shipped page.
import { statSync } from 'node:fs';
import path from 'node:path';

import { launch, openPage, pagePath, root } from './test/browser.mjs';

const benchPagePath = process.env.LINKDEMO_BENCH_PAGE || path.join(root, 'build-web/bench/linkdemo.html');

const { browser, close } = await launch();
try {
  console.log(`web page ${pagePath}: ${(statSync(pagePath).size / 1e6).toFixed(2)} MB (target 1.5 MB)`);

  const loads = [];
  for (let i = 0; i < 5; ++i) {
    const { page } = await openPage(browser);
    loads.push(await page.evaluate(() => window.linkdemo.firstFrameMs));
    await page.close();
  }
  loads.sort((a, b) => a - b);
  console.log(`web page load to first drawn frame: median ${loads[2].toFixed(0)} ms, worst ${loads[4].toFixed(0)} ms (target 1000 ms)`);

  const { page } = await openPage(browser, { file: benchPagePath, query: '?clock=off' });
  const ticks = await page.evaluate(async () => {
    const { binding } = window.linkdemo.page;
    const model = binding.model;
    Module.fillForBenchmark(model);
    binding.after();
    const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
    await frame();
    const times = [];
    for (let i = 0; i < 40; ++i) {
      const start = performance.now();
      model.advanceTo(model.now() + 100);
      binding.after();
      binding.root.getBoundingClientRect();  // style and layout of the update
      times.push(performance.now() - start);
      await frame();
    }
    return times;
  });
  const mean = ticks.reduce((a, b) => a + b, 0) / ticks.length;
  console.log(`web main tick with the DOM update, 16 packets on each wire, full traces: mean ${mean.toFixed(2)} ms, worst ${Math.max(...ticks).toFixed(2)} ms (target 2 ms)`);
  await page.close();

  // A megabyte of digits typed through the console runner: the field takes
  // 32,767 of them, a keystroke each, and the page follows.
  const { page: typing } = await openPage(browser, { query: '?clock=off' });
  const typed = await typing.evaluate(() => {
    window.linkdemo.run('press Wire1.cmdEdit\n');
    const line = `type Wire1.cmbBitRate ${'1'.repeat(1 << 20)}\n`;
    const start = performance.now();
    window.linkdemo.run(line);
    return performance.now() - start;
  });
  console.log(`web one-megabyte type through linkdemo.run, with the page's update: ${(typed / 1000).toFixed(2)} s`);
  await typing.close();
} finally {
  await close();
}
