// SPDX-License-Identifier: MIT
// The Lab on the page against the native runner: its figures are the
// runner's `stats` after the same session, a loss typed into it runs as the
// runner's `set loss`, and its plot holds the run's points.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { after, before, describe, test } from 'node:test';

import { launch, openPage, runnerPath } from './browser.mjs';

function native(script) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return r.stdout;
}

function stats(stdout) {
  return stdout.split('\n').filter((l) => l.startsWith('{"stats"')).map((l) => JSON.parse(l).stats).at(-1);
}

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

// The next frame: the plot is drawn once a frame.
const frame = (page) => page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve())));

describe('the Lab', () => {
  test('L opens it live; its figures and plot are the runner\'s stats for the session', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.evaluate(() => window.linkdemo.run('choose LinkDemo.cmbScenario Go-back-N ARQ\nset loss Wire1 0.1'));
    await page.focus('[data-name="LinkDemo.cmdPause"]');
    await page.keyboard.press('l');
    assert.equal(await page.$eval('#lab-toggle', (e) => e.getAttribute('aria-pressed')), 'true');
    await page.evaluate(() => {
      window.linkdemo.run('press LinkDemo.cmdPause');
      window.linkdemo.clock(true);
      window.linkdemo.advance(40000);
    });
    await frame(page);
    const shown = await page.evaluate(() => {
      const cells = {};
      for (const td of document.querySelectorAll('#lab-figures td[data-key]')) cells[td.dataset.key] = td.textContent;
      for (const td of document.querySelectorAll('#lab-figures td[data-theory]')) {
        if (td.textContent) cells[`theory-${td.dataset.theory}`] = td.textContent;
      }
      const data = window.linkdemo.lab.plot.data;
      return { cells, script: window.linkdemo.script(), canvas: !!document.querySelector('#lab-plot canvas'),
        x: data[0], correct: data[1], wrong: data[2] };
    });
    const s = stats(native(`${shown.script}stats\n`));
    assert.ok(s.elapsed > 30000 && s.lost > 0, JSON.stringify(s));
    const fixed = (v, d) => v.toFixed(d);
    const expected = { elapsed: fixed(s.elapsed / 1000, 1), rttEstimate: fixed(s.rttEstimate / 1000, 2),
      retransmitTime: fixed(s.retransmitTime / 1000, 2), goodput: fixed(s.goodput, 3),
      utilisation: fixed(s.utilisation, 3), 'theory-goodput': fixed(s.theoryGoodput, 3),
      'theory-utilisation': fixed(s.theoryUtilisation, 3) };
    for (const key of ['dataSent', 'retransmissions', 'delivered', 'deliveredWrong', 'ignored', 'wrong', 'destroyed',
      'lost', 'routerDrops', 'acksSent', 'acksProcessed', 'rttSamples']) expected[key] = String(s[key]);
    assert.deepEqual(shown.cells, expected);

    assert.ok(shown.canvas);
    const measured = shown.correct.map((c, i) => [shown.x[i], c, shown.wrong[i]]).filter(([, c]) => c !== null);
    assert.ok(measured.length > 50, `${measured.length} points`);
    assert.deepEqual(measured.at(-1), [s.elapsed / 1000, s.delivered - s.deliveredWrong, s.deliveredWrong]);

    // Copy as CSV: the clipboard, or the field to copy from; the same text.
    await page.click('#lab-copy');
    const csv = await page.$eval('#lab-csv', (e) => e.value);
    assert.match(csv, /^scenario,router,.*\n"Go-back-N ARQ",0,/);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a loss typed in runs as the runner\'s set loss', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.evaluate(() => window.linkdemo.run('choose LinkDemo.cmbScenario Selective Repeat ARQ'));
    await page.click('#lab-toggle');
    const type = async (id, text) => {
      await page.click(id, { clickCount: 3 });
      await page.keyboard.type(text);
      await page.keyboard.press('Tab');
    };
    await type('#lab-loss-2', '0.7');  // beyond 0.5: refused
    await type('#lab-loss-1', '0.2');
    const rest = 'press LinkDemo.cmdPause\nrun 30000\ndump Wire1\nstats\n';
    const out = await page.evaluate((s) => window.linkdemo.run(s), rest);
    const expected = native(`choose LinkDemo.cmbScenario Selective Repeat ARQ\nset loss Wire1 0.2\n${rest}`);
    assert.equal(out, expected);
    assert.ok(stats(out).lost > 0);
    assert.equal(await page.$eval('#lab-loss-2', (e) => e.value), '0');
    assert.deepEqual(problems, []);
    await page.close();
  });
});
