// SPDX-License-Identifier: MIT
// The trace tools on the page: the wheel over a trace, Clear trace over a
// full one, the focus the tool bar keeps, smooth motion and a packet chosen
// from its explanation. Each against the native runner where it prints.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { after, before, describe, test } from 'node:test';

import { centre, launch, openPage, runnerPath } from './browser.mjs';

function native(script) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return r.stdout;
}

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

const GBN = 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\n';
const run = (page, script) => page.evaluate((s) => window.linkdemo.run(s), script);
const focused = (page) => page.evaluate(() => document.activeElement.dataset.name || document.activeElement.id);

// The page's wall clock on virtual time from now on.
async function virtualClock(page) {
  await page.evaluate(() => {
    window.linkdemo.clock(true);
    window.linkdemo.advance(0);
  });
}

describe('trace tools', () => {
  test('the wheel over a trace scrolls it as the runner\'s scroll does, a second a notch', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await run(page, `${GBN}run 20000\n`);
    const at = await centre(page, 'Wire1.Picture1');
    await page.mouse.move(at.x, at.y);
    for (const deltaY of [100, 100, 100, -100]) await page.mouse.wheel({ deltaY });
    const scrolls = [1, 2, 3, 2].map((v) => `focus Wire1\nscroll Wire1.VScroll1 ${v}\n`).join('');
    const want = native(`${GBN}run 20000\n${scrolls}dump Wire1\n`);
    assert.ok((await run(page, 'dump Wire1\n')) === want);
    assert.ok((await page.evaluate(() => window.linkdemo.script())).endsWith(scrolls));
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a full trace offers Clear trace, which starts it afresh on the present as the window does', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await run(page, 'choose LinkDemo.cmbScenario Sliding Window\npress Wire1.cmdEdit\ntype Wire1.cmbBitRate 10\n' +
      'type Wire1.cmbDelay 0.1\npress LinkDemo.cmdPause\nrun 90000\n');
    const notice = () => page.$eval('[data-name="Wire1"] .ld-full', (e) => (e.hidden ? '' : e.textContent));
    assert.equal(await notice(), 'The trace is full (1000 packets).Clear trace');
    await page.click('[data-name="Wire1"] .ld-full button');
    assert.equal(await notice(), '');
    const wire = (await run(page, 'dump Wire1\n')).split('\n').filter(Boolean).map((l) => JSON.parse(l));
    const traces = wire.filter((o) => o.kind === 'trace');
    assert.ok(traces.length < 5, `only the packets in flight are traced on: ${traces.length}`);
    const bar = wire.find((o) => o.name === 'Wire1.VScroll1');
    assert.ok(bar.value > 60, `the present in view: ${JSON.stringify(bar)}`);
    assert.equal(await focused(page), 'LinkDemo.cmdPause');
    assert.match(await page.evaluate(() => window.linkdemo.script()), /# not reproduced: Clear trace of Wire1\n$/);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('the tool bar keeps the client area\'s focus; a click focuses only a field there', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.focus('[data-name="LinkDemo.cmdReset"]');
    for (const id of ['#step', '#follow', '#smooth', '#explain-toggle', '#fit']) await page.click(id);
    await page.select('#pace', '5');
    assert.equal(await focused(page), 'LinkDemo.cmdReset');
    assert.equal(await page.$eval('#follow', (e) => e.getAttribute('aria-pressed')), 'true');
    // A button of the client area presses without the focus; a field takes it.
    await page.click('[data-name="Wire1.cmdEdit"]');
    assert.equal(await focused(page), 'LinkDemo.cmdReset');
    await page.click('[data-name="Wire1.cmbDelay"] input');
    assert.equal(await page.evaluate(() => document.activeElement.closest('[data-name]').dataset.name), 'Wire1.cmbDelay');
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('smooth motion moves the packets between ticks and changes no dump', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await run(page, GBN);
    await page.click('#smooth');
    await virtualClock(page);
    const left = () => page.evaluate(() => {
      const { binding } = window.linkdemo.page;
      const e = binding.element('Wire1.cmdPacket(0)');
      return Math.round((e.getBoundingClientRect().left - e.parentElement.getBoundingClientRect().left) / binding.zoom);
    });
    const seen = [];
    await page.evaluate(() => window.linkdemo.advance(1230));
    for (let i = 0; i < 3; ++i) {
      seen.push(await left());
      await page.evaluate(() => window.linkdemo.advance(30));
    }
    assert.equal(new Set(seen).size, 3, `a packet moves within a tick: ${seen}`);
    assert.equal(await page.evaluate(() => window.linkdemo.model.now()), 1320);
    assert.ok((await run(page, 'dump\n')) === native(`${GBN}run 1320\ndump\n`));
    // Off again: the model's own place.
    await page.click('#smooth');
    const own = JSON.parse((await run(page, 'dump Wire1.cmdPacket(0)\n')).split('\n')[0]);
    assert.equal(await left(), Math.round(own.left / 15));
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a click on an explanation that names a packet chooses it, and so does Enter', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.click('#explain-toggle');
    await run(page, `${GBN}run 1500\n`);
    const item = await page.$('#explain-list li[data-packet="0"][data-ack="0"]');
    assert.ok(item, 'a line names packet 0');
    await item.click();
    const chosen = await page.evaluate(() => [...document.querySelectorAll('.ld-button.chosen')].map((e) => e.dataset.name));
    assert.deepEqual(chosen, ['Wire1.cmdPacket(0)']);
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => document.querySelectorAll('.ld-button.chosen').length), 0);
    await page.focus('#explain-list li[data-packet="0"][data-ack="0"] button');
    await page.keyboard.press('Enter');
    const again = await page.evaluate(() => [...document.querySelectorAll('.ld-button.chosen')].map((e) => e.dataset.name));
    assert.deepEqual(again, ['Wire1.cmdPacket(0)']);
    assert.deepEqual(problems, []);
    await page.close();
  });
});
