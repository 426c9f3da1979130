// SPDX-License-Identifier: MIT
// Exports on the page: a wire's trace as the runner's SVG file or as a PNG
// of the window's size, the client area as PNG, and each wire's context
// menu (right click, long press).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { centre, firefox, launch, openPage, runnerPath } from './browser.mjs';

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

const SESSION = 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 1100\n' +
  'press Wire1.cmdPacket(0)\nrun 8000\n';

// The files the runner's `svg` lines write after `script`, by name.
function runnerFiles(script, names) {
  const cwd = mkdtempSync(path.join(tmpdir(), 'linkdemo-exports-'));
  try {
    const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', cwd });
    assert.equal(r.status, 0, r.stderr);
    return names.map((n) => readFileSync(path.join(cwd, n), 'utf8'));
  } finally {
    rmSync(cwd, { recursive: true, force: true });
  }
}

// A page after SESSION whose files are kept rather than downloaded;
// `saved()` returns them as {name, type, text} or {name, type, bytes}.
async function sessionPage(script = SESSION) {
  const { page, problems } = await openPage(browser, { query: '?clock=off' });
  await page.evaluate((s) => {
    window.linkdemo.run(s);
    window.saved = [];
    window.linkdemo.exports.save = (name, type, data) => window.saved.push({ name, type, data });
  }, script);
  const saved = () => page.evaluate(() => Promise.all(window.saved.splice(0).map(async (s) => (typeof s.data === 'string'
    ? { name: s.name, type: s.type, text: s.data }
    : { name: s.name, type: s.type, bytes: [...new Uint8Array(await s.data.arrayBuffer())] }))));
  return { page, problems, saved };
}

// A PNG's width and height from its header.
function pngSize(bytes) {
  const b = Buffer.from(bytes);
  assert.equal(b.subarray(0, 8).toString('hex'), '89504e470d0a1a0a', 'a PNG signature');
  return [b.readUInt32BE(16), b.readUInt32BE(20)];
}

// Through the tool bar: Export ▾ → Export trace…, then the dialog's choices.
async function exportThroughDialog(page, { part, from, to, format = 'svg' }) {
  await page.click('#export-button');
  await page.click('#export-menu [role=menuitem]');
  await page.click(`#export-dialog input[value=${part}]`);
  if (from !== undefined) {
    await page.$eval('#export-dialog input[aria-label="From (s)"]', (e, v) => (e.value = v), from);
    await page.$eval('#export-dialog input[aria-label="To (s)"]', (e, v) => (e.value = v), to);
  }
  await page.click(`#export-dialog input[value=${format}]`);
  await page.click('#export-dialog .export-ok');
  await page.waitForFunction(() => window.saved.length || !document.getElementById('export-dialog')
    || document.querySelector('#export-dialog .export-error').textContent);
}

describe('exporting a trace', () => {
  test('the whole run and a range are the files the runner\'s svg writes', async () => {
    const { page, problems, saved } = await sessionPage();
    await exportThroughDialog(page, { part: 'whole' });
    await exportThroughDialog(page, { part: 'range', from: '2.5', to: '7' });
    const files = await saved();
    const [whole, range] = runnerFiles(`${SESSION}svg Wire1.Picture1 all.svg all\nsvg Wire1.Picture1 range.svg 2500 7000\n`,
      ['all.svg', 'range.svg']);
    assert.deepEqual(files.map((f) => [f.name, f.type]), [['Wire1.svg', 'image/svg+xml'], ['Wire1.svg', 'image/svg+xml']]);
    assert.ok(files[0].text === whole, 'the whole run is the runner\'s file');
    assert.ok(files[1].text === range, 'the range is the runner\'s file');
    assert.notEqual(whole, range);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a PNG is the SVG at the window\'s scale; a backwards range is refused', async () => {
    const { page, saved } = await sessionPage();
    await exportThroughDialog(page, { part: 'range', from: '5', to: '5' });
    assert.equal(await page.$eval('#export-dialog .export-error', (e) => e.textContent), 'The range must end after it starts.');
    await page.click('#export-dialog .export-cancel');
    await exportThroughDialog(page, { part: 'visible', format: 'png' });
    const [png] = await saved();
    assert.equal(png.name, 'Wire1.png');
    const svg = await page.evaluate(() => JSON.parse(window.linkdemo.model.exportTrace(
      window.linkdemo.exports.wires().wires[0].component, 'visible', 0, 0, 'svg', 1, 'standard')).svg);
    const [w, h] = svg.match(/<svg [^>]*width="([\d.]+)" height="([\d.]+)"/).slice(1).map(Number);
    assert.deepEqual(pngSize(png.bytes), [Math.ceil(w * 2), Math.ceil(h * 2)]);
    if (process.env.LINKDEMO_EXPORTS_OUT) writeFileSync(path.join(process.env.LINKDEMO_EXPORTS_OUT, 'trace.png'), Buffer.from(png.bytes));
    await page.close();
  });
});

test('the window is exported as a PNG of the client area at the screen\'s ratio', async () => {
  const { page, saved, problems } = await sessionPage();
  await page.click('#export-button');
  await page.click('#export-menu [role=menuitem]:nth-child(2)');
  await page.waitForFunction(() => window.saved.length);
  const [file] = await saved();
  assert.equal(file.name, 'linkdemo.png');
  const size = await page.evaluate(() => window.linkdemo.page.binding.size);
  assert.deepEqual(pngSize(file.bytes), size);
  if (process.env.LINKDEMO_EXPORTS_OUT) writeFileSync(path.join(process.env.LINKDEMO_EXPORTS_OUT, 'window.png'), Buffer.from(file.bytes));
  assert.deepEqual(problems, []);
  await page.close();
});

describe('a wire\'s context menu', () => {
  const menu = (page) => page.evaluate(() => {
    const m = document.getElementById('wire-menu');
    if (m.hidden) return null;
    const items = [...m.querySelectorAll('[role=menuitem]')];
    return { items: items.map((i) => i.textContent + (i.getAttribute('aria-disabled') === 'true' ? ' (off)' : '')),
      focused: items.indexOf(document.activeElement) };
  });
  const entries = { items: ['Clear trace', 'Export trace of Wire1\u2026'], focused: 0 };

  test('a right click opens it with the focus on its first entry; Escape closes it, Enter chooses', async () => {
    const { page } = await sessionPage();
    const at = await centre(page, 'Wire1.Picture1');
    const before = await page.evaluate(() => document.activeElement.dataset.name);
    await page.mouse.click(at.x, at.y, { button: 'right' });
    assert.deepEqual(await menu(page), entries);
    await page.keyboard.press('Escape');
    assert.equal(await menu(page), null);
    assert.equal(await page.evaluate(() => document.activeElement.dataset.name), before);
    await page.mouse.click(at.x, at.y, { button: 'right' });
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    assert.equal(await page.$eval('#export-title', (e) => e.textContent), 'Export trace of Wire1');
    await page.close();
  });

  // Firefox over WebDriver BiDi has no touch emulation.
  test('a long press of a finger opens it, and does not also press what it held', { skip: firefox }, async () => {
    const { page } = await sessionPage('choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 1100\n');
    // A touch screen reloads the page, which restores the session before its first frame.
    await page.setViewport({ width: 1200, height: 900, hasTouch: true, isMobile: false });
    await page.waitForFunction(() => window.linkdemo && window.linkdemo.firstFrameMs !== null, { timeout: 20000 });
    const name = await page.$eval('[data-name^="Wire1.cmdPacket"]:not([hidden])', (e) => e.dataset.name);
    const packet = await centre(page, name);
    await page.touchscreen.touchStart(packet.x, packet.y);
    await page.evaluate(() => window.linkdemo.advance(400));
    assert.equal(await menu(page), null);
    await page.evaluate(() => window.linkdemo.advance(200));
    await page.touchscreen.touchEnd();
    assert.deepEqual(await menu(page), entries);
    assert.ok(!(await page.evaluate(() => window.linkdemo.script())).includes(`press ${name}`));
    await page.close();
  });
});
