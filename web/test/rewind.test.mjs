// SPDX-License-Identifier: MIT
// Back in the session and Record… on the page, against the native runner.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { after, before, describe, test } from 'node:test';

import { centre, launch, openPage, runnerPath } from './browser.mjs';

function native(script) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return r.stdout;
}

// The session cut at `t`: every line up to t, a `run` passing t ending there
// (the sessions here hold no `step`).
function cut(script, t) {
  let at = 0;
  let out = '';
  for (const line of script.split('\n').filter((l) => l !== '')) {
    const m = /^run (\d+)$/.exec(line);
    if (!m) {
      if (at > t) break;
      out += `${line}\n`;
    } else if (at + Number(m[1]) <= t) {
      out += `${line}\n`;
      at += Number(m[1]);
    } else {
      if (t > at) out += `run ${t - at}\n`;
      break;
    }
  }
  return out;
}

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

// A page at virtual time 0 whose clock moves only by linkdemo.advance.
async function virtualPage() {
  const p = await openPage(browser, { query: '?clock=off' });
  await p.page.evaluate(() => {
    window.linkdemo.advance(0);
    window.linkdemo.clock(true);
  });
  return p;
}

const advance = (page, ms) => page.evaluate((n) => window.linkdemo.advance(n), ms);
const dump = (page) => page.evaluate(() => {
  window.linkdemo.run('dump\n');
  return window.linkdemo.last.stdout;
});
const script = (page) => page.evaluate(() => window.linkdemo.script());

async function click(page, name) {
  const at = await centre(page, name);
  await page.mouse.click(at.x, at.y);
}

describe('back in the session', () => {
  test('Back Five Seconds, Shift+S and the slider reach what the runner reaches with the session cut there',
    async () => {
      const { page, problems } = await virtualPage();
      await page.select('[data-name="LinkDemo.cmbScenario"] select', 'Go-back-N ARQ');
      await click(page, 'LinkDemo.cmdPause');
      await advance(page, 8000);
      await click(page, 'Receiver1.chkRxReady');
      await advance(page, 4000);
      const whole = await script(page);
      await page.click('#back-five');
      // A shortcut: it acts with the focus in the list chosen from.
      await page.keyboard.down('Shift');
      await page.keyboard.press('S');
      await page.keyboard.up('Shift');
      assert.equal(await script(page), cut(whole, 6900));
      // The slider covers the running time in main ticks.
      assert.equal(await page.$eval('#timeline', (e) => e.max), '69');
      await page.$eval('#timeline', (e) => {
        e.value = '50';
        e.dispatchEvent(new Event('change'));
      });
      const back = await script(page);
      assert.equal(back, cut(whole, 5000));
      assert.ok(await dump(page) === native(`${back}dump\n`), 'the page is where the runner is');
      assert.match(await page.$eval('#status', (e) => e.textContent), /^Back at t = 5\.0 s/);
      // Going on from there discards what came after.
      await advance(page, 1000);
      assert.equal(await script(page), back.replace(/run (\d+)\n$/, (_, ms) => `run ${Number(ms) + 1000}\n`));
      assert.deepEqual(problems, []);
      await page.close();
    });
});

describe('Record…', () => {
  test('a recording made with the mouse replays in the runner to the page\'s state; Cancel asks first', async () => {
    const { page, problems } = await virtualPage();
    await page.evaluate(() => {
      window.offerDownload = (name, type, text) => { window.saved = { name, type, text }; };
    });
    await click(page, 'LinkDemo.cmdPause');
    await advance(page, 1100);
    const at = await page.$eval('#record', (e) => {
      const r = e.getBoundingClientRect();
      return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
    });
    await page.mouse.click(at.x, at.y);
    assert.equal(await page.$eval('#record', (e) => e.getAttribute('aria-pressed')), 'true');
    await click(page, 'Wire1.cmdPacket(0)');
    await advance(page, 2200);
    await click(page, 'Receiver1.chkRxReady');
    await advance(page, 3000);
    // Stopped, then cancelled, it asks; kept, the recording goes on.
    await page.mouse.click(at.x, at.y);
    await page.click('#record-no');
    assert.equal(await page.$eval('#record-text', (e) => e.textContent), 'Discard the recording? It has not been saved.');
    await page.click('#record-no');
    assert.equal(await page.$eval('#record', (e) => e.getAttribute('aria-pressed')), 'true');
    await advance(page, 700);
    await page.mouse.click(at.x, at.y);
    await page.click('#record-yes');
    const saved = await page.evaluate(() => window.saved);
    assert.equal(saved.name, 'session.txt');
    assert.match(saved.text, /^# Recorded on the Link Demo page[^\n]*\n/);
    assert.match(saved.text, /\n# Recording starts here; the lines above bring the page to where it was\.\n/);
    assert.ok(native(`${saved.text}dump\n`) === await dump(page), 'the runner ends where the page is');
    assert.equal(await page.$eval('#record', (e) => e.getAttribute('aria-pressed')), 'false');
    assert.deepEqual(problems, []);
    await page.close();
  });
});
