// SPDX-License-Identifier: MIT
// The web edition on phones, tablets and laptops (Chromium's device
// emulation), and the session carried by a link and over a reload.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, describe, test } from 'node:test';

import { centre, firefox, launch, openPage, pagePath, runnerPath, sitePath } from './browser.mjs';

const DEVICES = {
  'phone upright': { width: 390, height: 844, touch: true },
  'phone sideways': { width: 844, height: 390, touch: true },
  'tablet sideways': { width: 1180, height: 820, touch: true },
  laptop: { width: 1366, height: 768, touch: false },
};

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

function native(script) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return r.stdout;
}

async function ready(page) {
  await page.waitForFunction(() => window.linkdemo && window.linkdemo.firstFrameMs !== null, { timeout: 20000 });
}

async function onDevice({ width, height, touch }, query = '?clock=off') {
  const page = await browser.newPage();
  await page.setViewport({ width, height, isMobile: touch, hasTouch: touch, deviceScaleFactor: touch ? 2 : 1 });
  await page.goto(pathToFileURL(pagePath).href + query, { waitUntil: 'load' });
  await ready(page);
  return page;
}

async function run(page, script) {
  return page.evaluate((s) => window.linkdemo.run(s), script);
}

describe('fitting the viewport', () => {
  for (const [name, device] of Object.entries(DEVICES)) {
    test(`${name}: the whole client area at the largest scale that fits, from the top`, async () => {
      const page = await onDevice(device);
      const got = await page.evaluate(() => {
        const b = window.linkdemo.page.binding;
        const r = b.root.getBoundingClientRect();
        const v = document.documentElement;
        return { zoom: b.zoom, size: b.size, right: r.right, bottom: r.bottom, top: r.top, scrollY: window.scrollY,
          vw: v.clientWidth, vh: v.clientHeight, hint: !document.getElementById('hint').hidden,
          focus: document.activeElement.dataset.name };
      });
      assert.equal(got.scrollY, 0);
      assert.equal(got.focus, 'LinkDemo.cmdPause');
      assert.ok(got.right <= got.vw && got.bottom <= got.vh, JSON.stringify(got));
      // Touch emulation (a touch screen, a coarse pointer) is the DevTools
      // protocol's: over WebDriver BiDi, Firefox's page sees a mouse.
      if (firefox && device.touch) return page.close();
      // Largest: one side meets the viewport's edge (with a mouse, no more
      // than the demonstration's own size).
      const room = Math.min(got.vw - got.right, got.vh - got.bottom);
      assert.ok(room <= 8 || (!device.touch && got.zoom === 1), JSON.stringify(got));
      assert.equal(got.hint, name === 'phone upright');
      await page.close();
    });
  }

  test('a new device-pixel ratio redraws the traces at the screen\'s resolution', async () => {
    const page = await onDevice(DEVICES.laptop);
    const pixels = () => page.evaluate(() => {
      const c = document.querySelector('[data-name="Wire1.Picture1"]');
      return c.width / c.getBoundingClientRect().width;
    });
    assert.ok(Math.abs((await pixels()) - 1) < 0.01);
    await page.setViewport({ width: 1366, height: 768, deviceScaleFactor: 2 });
    await run(page, 'run 100\n');
    assert.ok(Math.abs((await pixels()) - 2) < 0.01);
    await page.close();
  });

  test('a zoom step holds its scale over a resize; Fit fits again', async () => {
    const page = await onDevice(DEVICES.laptop);
    await page.select('#zoom', '2');
    await page.setViewport({ width: 1000, height: 700 });
    assert.equal(await page.evaluate(() => window.linkdemo.page.binding.zoom), 2);
    await page.click('#fit');
    const r = await page.evaluate(() => window.linkdemo.page.binding.root.getBoundingClientRect().toJSON());
    assert.ok(r.right <= 1000 && r.bottom <= 700 && Math.min(1000 - r.right, 700 - r.bottom) <= 8, JSON.stringify(r));
    await page.close();
  });
});

describe('touch', () => {
  // Every control a finger hits, with the edit panels open and packets on
  // the wire: a square of 24 glass pixels centred on it takes the tap for
  // it, except where another control lies there. A scroll bar's arrows
  // grow away from its track.
  // Firefox over WebDriver BiDi has no touch emulation: the page sees a mouse.
  test('a tablet sideways gives every target at least 24 x 24 CSS pixels', { skip: firefox }, async () => {
    const page = await onDevice(DEVICES['tablet sideways']);
    await run(page, 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress Transmitter1.cmdEdit\npress Wire1.cmdEdit\n' +
      'press Receiver1.cmdEdit\npress LinkDemo.cmdPause\nrun 2600\n');
    const misses = await page.evaluate(() => {
      const out = [];
      const owner = (el) => el && el.closest('[data-id]');
      const probe = (el, target, xs, ys) => {
        for (const x of xs) {
          for (const y of ys) {
            const hit = document.elementFromPoint(x, y);
            if (hit === target || target.contains(hit)) continue;
            // Where another control lies, or a caption on its own
            // background (drawn over the packets), that takes the tap.
            const other = owner(hit);
            if (other && other !== el && /ld-(button|check|combo|scroll)/.test(other.className)) continue;
            if (other && other.classList.contains('ld-label') && getComputedStyle(other).backgroundColor !== 'rgba(0, 0, 0, 0)') continue;
            out.push(`${el.dataset.name} at ${x.toFixed(0)},${y.toFixed(0)}: ${hit && (hit.dataset.name || hit.className)}`);
          }
        }
      };
      for (const el of document.querySelectorAll('.ld-button, .ld-check, .ld-combo, .ld-scroll')) {
        if (!el.getClientRects().length) continue;
        const r = el.getBoundingClientRect();
        const cx = r.x + r.width / 2;
        const cy = r.y + r.height / 2;
        const half = (size) => Math.max(size, 24) / 2 - 0.5;
        if (!el.classList.contains('ld-scroll')) {
          probe(el, el, [cx - half(r.width), cx, cx + half(r.width)], [cy - half(r.height), cy, cy + half(r.height)]);
          continue;
        }
        const xs = [cx - half(r.width), cx + half(r.width)];
        for (const part of el.querySelectorAll('.ld-up, .ld-down')) {
          const a = part.getBoundingClientRect();
          const inner = a.y + a.height / 2;
          const outer = part.classList.contains('ld-up') ? a.bottom - 23.5 : a.top + 23.5;
          probe(el, part, xs, [inner, outer]);
        }
      }
      return out;
    });
    assert.deepEqual(misses, []);
    await page.close();
  });

  test('a finger drags the trace time bar\'s thumb, as the mouse does', async () => {
    const page = await onDevice(DEVICES['tablet sideways']);
    await run(page, 'press LinkDemo.cmdPause\nrun 30000\n');
    const before = await page.evaluate(() => {
      const el = document.querySelector('[data-name="Wire1.VScroll1"]');
      const t = el.querySelector('.ld-thumb').getBoundingClientRect();
      return { x: t.x + t.width / 2, y: t.y + t.height / 2, value: window.linkdemo.page.binding.state[el.dataset.id].value };
    });
    await page.touchscreen.touchStart(before.x, before.y);
    await page.touchscreen.touchMove(before.x, before.y + 60);
    await page.touchscreen.touchMove(before.x, before.y + 120);
    await page.touchscreen.touchEnd();
    const value = (n) => page.evaluate((name) => {
      const el = document.querySelector(`[data-name="${name}"]`);
      return window.linkdemo.page.binding.state[el.dataset.id].value;
    }, n);
    const after = await value('Wire1.VScroll1');
    assert.notEqual(after, before.value);
    // The page scrolled no further than the bar moved, and the drag went to
    // the model as the mouse's does.
    assert.equal(await page.evaluate(() => window.scrollY), 0);
    assert.match(await page.evaluate(() => window.linkdemo.script()), new RegExp(`scroll Wire1.VScroll1 ${after}\\n`));
    await page.close();
  });

  test('a phone sideways takes taps on a packet, Start, Ready and an Edit panel', async () => {
    const page = await onDevice(DEVICES['phone sideways']);
    await page.select('[data-name="LinkDemo.cmbScenario"] select', 'Stop and Wait');
    const tap = async (name) => {
      const c = await centre(page, name);
      await page.touchscreen.tap(c.x, c.y);
    };
    await tap('LinkDemo.cmdPause');
    await run(page, 'run 1500\n');
    await tap('Wire1.cmdPacket(0)');
    await tap('Receiver1.chkRxReady');
    await tap('Receiver1.cmdEdit');
    const script = await page.evaluate(() => window.linkdemo.script());
    for (const line of ['press LinkDemo.cmdPause', 'press Wire1.cmdPacket(0)', 'press Receiver1.chkRxReady',
      'press Receiver1.cmdEdit']) {
      assert.ok(script.includes(`${line}\n`), `${line} in\n${script}`);
    }
    await page.close();
  });
});

describe('a lesson in one link', () => {
  const withClockOff = (link) => link.replace('#', '?clock=off#');

  test('a shared link opens a fresh page at the session\'s end, as the runner plays its script', async () => {
    const { page } = await openPage(browser, { query: '?clock=off' });
    await page.select('[data-name="LinkDemo.cmbScenario"] select', 'Go-back-N ARQ');
    await page.click('[data-name="LinkDemo.cmdPause"]');
    await run(page, 'run 2500\npress Wire1.cmdEdit\n');
    await page.click('[data-name="Wire1.cmbDelay"] input', { count: 3 });
    await page.keyboard.type('1.5');
    await page.click('#step');
    await run(page, 'run 4000\npress Wire1.cmdPacket(0)\nrun 900\ndump Wire1\n');
    const script = await page.evaluate(() => window.linkdemo.script());
    const link = await page.evaluate(() => window.linkdemo.shareLink());
    assert.match(link, /^file:.*linkdemo\.html#session=[A-Za-z0-9_-]+$/);
    assert.match(await page.evaluate(() => window.linkdemo.shareLink('play')), /#play=/);
    const here = await run(page, 'dump\n');
    assert.equal(here, native(`${script}dump\n`));

    const fresh = await browser.newPage();
    await fresh.goto(withClockOff(link), { waitUntil: 'load' });
    await ready(fresh);
    assert.equal(await run(fresh, 'dump\n'), here);
    // It goes on from there as its own session.
    assert.equal(await fresh.evaluate(() => window.linkdemo.script()), script);

    // A reload keeps the session, what was done after opening included.
    await run(fresh, 'press Wire1.cmdPacket(1)\nrun 300\n');
    const before = await run(fresh, 'dump\n');
    await fresh.reload({ waitUntil: 'load' });
    await ready(fresh);
    assert.equal(await run(fresh, 'dump\n'), before);

    // Opened with the clock running, the session waits, paused, until asked.
    const live = await browser.newPage();
    await live.goto(link, { waitUntil: 'load' });
    await ready(live);
    assert.deepEqual(await live.evaluate(() => [window.linkdemo.page.clock.running(),
      document.getElementById('resume').hidden]), [false, false]);
    await live.click('#resume');
    assert.equal(await live.evaluate(() => window.linkdemo.page.clock.running()), true);
    await Promise.all([page.close(), fresh.close(), live.close()]);
  });

  test('a link that does not decode says so and opens the plain page', async () => {
    const page = await browser.newPage();
    await page.goto(`${pathToFileURL(pagePath).href}?clock=off#session=AAAAnot-deflate`, { waitUntil: 'load' });
    await ready(page);
    const got = await page.evaluate(() => [document.getElementById('status').textContent, location.hash,
      window.linkdemo.model.now(), window.linkdemo.script()]);
    assert.match(got[0], /does not hold a session/);
    assert.deepEqual(got.slice(1), ['', 0, '']);
    await page.close();
  });
});

describe('embedding in a course page', () => {
  // The page and a host page from two loopback ports: two origins.
  async function serve(body, type) {
    const server = createServer((req, res) => {
      res.writeHead(200, { 'content-type': type });
      res.end(body);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return { server, origin: `http://127.0.0.1:${server.address().port}` };
  }

  test('?embed fits a frame from another origin, keeps a compact tool bar and takes no focus', async () => {
    const demo = await serve(readFileSync(pagePath), 'text/html');
    const host = await serve(`<!doctype html><input id="notes" autofocus><br>
      <iframe id="f" src="${demo.origin}/linkdemo.html?embed&clock=off" width="640" height="420"></iframe>`,
    'text/html');
    const page = await browser.newPage();
    try {
      await page.goto(`${host.origin}/`, { waitUntil: 'load' });
      const frame = page.frames().find((f) => f.url().startsWith(demo.origin));
      await ready(frame);
      assert.equal(await page.evaluate(() => document.activeElement.id), 'notes');
      const got = await frame.evaluate(() => {
        const shown = [...document.querySelectorAll('#toolbar button, #toolbar select')]
          .filter((e) => e.getClientRects().length).map((e) => e.textContent.trim());
        const r = window.linkdemo.page.binding.root.getBoundingClientRect();
        return { shown, right: r.right, bottom: r.bottom, vw: innerWidth, vh: innerHeight };
      });
      assert.deepEqual(got.shown, ['Step', 'Start/Pause', 'Reset', 'Share']);
      assert.ok(got.right <= got.vw && got.bottom <= got.vh && Math.min(got.vw - got.right, got.vh - got.bottom) <= 8,
        JSON.stringify(got));
      await frame.click('#embed-pause');
      assert.match(await frame.evaluate(() => window.linkdemo.script()), /^press LinkDemo.cmdPause\n/);
    } finally {
      await page.close();
      demo.server.close();
      host.server.close();
    }
  });
});

describe('the hosted site', () => {
  const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json', '.svg': 'image/svg+xml', '.png': 'image/png' };

  // Chromium only: puppeteer's offline mode is a DevTools protocol call
  // with no WebDriver BiDi counterpart.
  test('a page opened once works offline, installable, from its service worker', { skip: firefox }, async () => {
    const served = [];
    const server = createServer((req, res) => {
      const file = path.join(sitePath, new URL(req.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
      served.push(req.url);
      try {
        const body = readFileSync(file);
        res.writeHead(200, { 'content-type': TYPES[path.extname(file)] || 'application/octet-stream' });
        res.end(body);
      } catch (e) {
        res.writeHead(404);
        res.end();
      }
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const origin = `http://127.0.0.1:${server.address().port}`;
    const page = await browser.newPage();
    try {
      await page.goto(`${origin}/?clock=off`, { waitUntil: 'load' });
      await ready(page);
      // Installable: a manifest with a name, a start and icons the browser
      // can fetch.
      const manifest = await page.evaluate(async () => {
        const link = document.querySelector('link[rel=manifest]');
        const m = await (await fetch(link.href)).json();
        const icons = await Promise.all(m.icons.map(async (i) => (await fetch(new URL(i.src, link.href))).ok));
        return { name: m.name, start: m.start_url, display: m.display, icons };
      });
      assert.deepEqual(manifest, { name: 'Link Demo', start: './', display: 'standalone',
        icons: manifest.icons.map(() => true) });
      await page.evaluate(() => navigator.serviceWorker.ready);
      await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 20000 });
      const expected = await run(page, 'press LinkDemo.cmdPause\nrun 3000\ndump Wire1\n');

      // No server and no network: the page comes from the cache, with
      // another query, and the tab's session is restored as after any
      // reload.
      await new Promise((resolve) => server.close(resolve));
      server.closeAllConnections();
      await page.setOfflineMode(true);
      const count = served.length;
      await page.goto(`${origin}/?clock=off&profile=standard`, { waitUntil: 'load' });
      await ready(page);
      assert.equal(served.length, count);
      assert.equal(await run(page, 'dump Wire1\n'), expected);
    } finally {
      await page.setOfflineMode(false).catch(() => {});
      await page.close();
      server.close();
    }
  });
});
