// SPDX-License-Identifier: MIT
// What surrounds the demonstration on the page: the explanations' live
// region, accessible names, the event log's CSV and the svg download,
// against the native runner.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { firefox, launch, openPage, runnerPath } from './browser.mjs';

function native(script, cwd) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', cwd, maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return r.stdout;
}

// The runner's output objects under `key`.
function objects(stdout, key) {
  return stdout.split('\n').filter((l) => l.startsWith('{')).map((l) => JSON.parse(l)).filter((j) => key in j)
    .map((j) => j[key]);
}

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

const SESSION = 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 1100\n' +
  'press Wire1.cmdPacket(0)\nrun 8000\n';

async function run(page, script) {
  return page.evaluate((s) => window.linkdemo.run(s), script);
}

// The files the page offers for download, saved into a folder of their own;
// `take()` waits for the next one and returns its text.
async function downloads() {
  const dir = mkdtempSync(path.join(tmpdir(), 'linkdemo-download-'));
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: dir, eventsEnabled: true });
  const names = new Map();
  const done = [];
  let wake = null;
  cdp.on('Browser.downloadWillBegin', (e) => names.set(e.guid, e.suggestedFilename));
  cdp.on('Browser.downloadProgress', (e) => {
    if (e.state !== 'completed') return;
    done.push({ name: names.get(e.guid), text: readFileSync(path.join(dir, e.guid), 'utf8') });
    if (wake) wake();
  });
  return {
    async take() {
      while (!done.length) await new Promise((resolve) => (wake = resolve));
      return done.shift();
    },
    async close() {
      await cdp.detach();
      rmSync(dir, { recursive: true, force: true });
    },
  };
}

describe('explanations', () => {
  test('the panel lists the runner\'s sentences, the newest on top and in the live region', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.click('#explain-toggle');
    await run(page, SESSION);
    const said = objects(native(`explain on\n${SESSION}`), 'explain');
    assert.ok(said.length > 5);
    const shown = await page.evaluate(() => ({
      live: document.getElementById('explain-live').textContent,
      role: document.getElementById('explain-live').getAttribute('aria-live'),
      top: document.querySelector('#explain-list li').textContent,
      count: document.querySelectorAll('#explain-list li:not(.afresh)').length,
    }));
    assert.equal(shown.role, 'polite');
    assert.equal(shown.live, said.at(-1).text);
    assert.equal(shown.top, `${(said.at(-1).time / 1000).toFixed(1)} s  ${said.at(-1).text}`);
    assert.equal(shown.count, said.length);
    // Shut, it leaves the page and the explainer stops.
    await page.click('#explain-toggle');
    assert.equal(await page.evaluate(() => document.getElementById('explain-panel')), null);
    assert.equal(await page.evaluate(() => window.linkdemo.model.explaining()), false);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

// Chromium's accessibility tree and its download events come over the
// DevTools protocol, which Firefox's WebDriver BiDi does not offer.
describe('accessible names', { skip: firefox && 'needs the DevTools protocol' }, () => {
  test('every control in the accessibility tree has a name, in the core\'s words', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await run(page, 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\n' +
      'run 4000\npress Transmitter1.cmdEdit\npress Wire1.cmdEdit\npress Receiver1.cmdEdit\npress Queue1.cmdEdit\n');
    await page.click('#explain-toggle');
    await page.click('#events-toggle');
    const cdp = await page.createCDPSession();
    const { nodes } = await cdp.send('Accessibility.getFullAXTree');
    const controls = new Set(['button', 'checkbox', 'combobox', 'ComboBoxSelect', 'ListBox', 'listbox', 'textbox',
      'scrollbar', 'image', 'img', 'menuitem', 'slider']);
    const found = nodes.filter((n) => !n.ignored && controls.has(n.role && n.role.value));
    const unnamed = found.filter((n) => !(n.name && String(n.name.value).trim()))
      .map((n) => `${n.role.value} ${n.backendDOMNodeId}`);
    assert.deepEqual(unnamed, []);
    const names = found.map((n) => String(n.name.value));
    assert.ok(found.length > 40, `${found.length} controls`);
    assert.ok(names.some((s) => /^\d*\( *\d+\) \u2014 Data packet \d+, /.test(s)), 'a packet is named in words');
    for (const name of ['Delay', 'Bit Rate', 'Max Window Size', 'Length', 'Rx Policy']) {
      assert.ok(names.includes(name), `a field or list named ${name}`);
    }
    // The page's tooltips are the same words, written when the pointer
    // comes over a packet (one no Edit panel covers).
    const name = await page.evaluate(() => [...document.querySelectorAll('[data-name*=".cmdPacket("]')].find((e) => {
      const r = e.getBoundingClientRect();
      return r.width > 0 && e.contains(document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2));
    }).dataset.name);
    const packet = `[data-name="${name}"]`;
    await page.hover(packet);
    const title = await page.$eval(packet, (e) => e.title);
    assert.match(title, /^(Data packet|Acknowledgement) .*\. Click to destroy it\.$/);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

describe('downloads', { skip: firefox && 'needs the DevTools protocol' }, () => {
  test('the event log saves as CSV the rows the runner logs', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    const saved = await downloads();
    await page.click('#events-toggle');
    await run(page, SESSION);
    await page.click('#events-save');
    const file = await saved.take();
    assert.equal(file.name, 'events.csv');
    const [head, ...rows] = file.text.trimEnd().split('\n');
    assert.equal(head, 'time_s,from,code,name,to,Number,SequenceNumber,kind');
    const logged = objects(native(`log on\n${SESSION}`), 'event');
    assert.equal(rows.length, logged.length);
    // The log's JSON keeps every sequence number; the CSV leaves the field
    // empty for a packet that shows none (the sources' and Software Flow's).
    let shown = 0;
    rows.forEach((row, i) => {
      const e = logged[i];
      const seq = row.split(',')[6] === '' ? '' : e.SequenceNumber;
      if (seq !== '') ++shown;
      const want = [(e.time / 1000).toFixed(3), e.from, e.code, e.name, e.to ?? '', e.Number, seq, e.kind];
      assert.equal(row, want.join(','), `row ${i}`);
    });
    assert.ok(shown > 0, 'some rows show their sequence number');
    // Filtered, it saves what is shown.
    await page.select('#events-component', 'Receiver1');
    await page.click('#events-save');
    const filtered = (await saved.take()).text.trimEnd().split('\n').slice(1);
    assert.ok(filtered.length > 0 && filtered.length < rows.length);
    assert.ok(filtered.every((r) => /,Receiver1[,.]/.test(r)));
    await saved.close();
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('svg in linkdemo.run offers the runner\'s file as a download and says so', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    const saved = await downloads();
    const script = `${SESSION}svg Wire1.Picture1 trace.svg\n`;
    const text = await run(page, script);
    const file = await saved.take();
    const cwd = mkdtempSync(path.join(tmpdir(), 'linkdemo-svg-'));
    const stdout = native(script, cwd);
    const svg = readFileSync(path.join(cwd, 'trace.svg'), 'utf8');
    rmSync(cwd, { recursive: true, force: true });
    assert.equal(file.name, 'trace.svg');
    assert.ok(file.text === svg, 'the download is the runner\'s file');
    assert.equal(text, `${stdout}{"download": "trace.svg", "bytes": ${Buffer.byteLength(svg)}}\n`);
    assert.match(await page.$eval('#status', (e) => e.textContent), /download: trace\.svg/);
    await saved.close();
    assert.deepEqual(problems, []);
    await page.close();
  });
});

describe('help', () => {
  test('F1 opens Getting started, the Help menu About and the colours; Escape gives the focus back', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off&profile=colour-vision' });
    await page.keyboard.press('F1');
    assert.equal(await page.evaluate(() => document.activeElement.closest('[role=dialog]').id), 'help-guide');
    assert.match(await page.$eval('#help-guide', (e) => e.textContent), /The seven scenarios/);
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.name), 'LinkDemo.cmdPause');

    await page.click('#help-button');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('Enter');
    const about = await page.$eval('#help-about', (e) => e.textContent);
    assert.match(about, /Version \d+\.\d+/);
    assert.match(about, /MIT licence/);
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'help-button');

    await page.click('#help-button');
    await page.click('[data-help=colours]');
    // A data packet in the colour-vision profile: its drawn fill and letter.
    const data = await page.$eval('#help-colours .swatch', (e) => [getComputedStyle(e).backgroundColor, e.textContent]);
    assert.deepEqual(data, ['rgb(145, 157, 255)', 'D']);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('Keyboard lists the table\'s keys the page has; ] then Delete destroys a packet as a click does', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off' });
    await page.click('#help-button');
    await page.click('[data-help=keys]');
    const listed = await page.$$eval('#help-keys .key-table kbd', (ks) => ks.map((k) => k.textContent));
    const table = await page.evaluate(() => JSON.parse(Module.keyTable()).map((r) => r.keys));
    // In the table's order, without the window's zoom.
    assert.deepEqual(listed, table.filter((k) => listed.includes(k)));
    for (const k of ['Space', 'F', '] / [', 'Delete', 'Escape', 'L', 'F1']) assert.ok(listed.includes(k), k);
    assert.ok(!listed.some((k) => k.startsWith('Ctrl+')), listed.join(', '));
    // The page's Lab is a panel that L opens and closes.
    assert.match(await page.$eval('#help-keys .key-table', (t) => t.textContent), /LOpen or close the Lab/);
    await page.keyboard.press('Escape');

    await run(page, 'press LinkDemo.cmdPause\nrun 1100\n');
    await page.keyboard.press(']');
    const chosen = await page.evaluate(() => document.querySelector('#stage .chosen')?.dataset.name);
    assert.match(chosen, /^Wire1\.cmdPacket\(\d+\)$/);
    await page.keyboard.press('Delete');
    assert.equal(await page.evaluate(() => document.querySelectorAll('#stage .chosen').length), 0);
    const script = await page.evaluate(() => window.linkdemo.script());
    assert.ok(script.includes(`press ${chosen}\n`), script);
    assert.equal(await run(page, 'dump\n'), native(`press LinkDemo.cmdPause\nrun 1100\npress ${chosen}\ndump\n`));
    assert.deepEqual(problems, []);
    await page.close();
  });
});
