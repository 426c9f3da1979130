// SPDX-License-Identifier: MIT
// The web edition in a real browser: start-up, the console runner against
// the native runner, real mouse and keyboard input, and geometry.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { centre, firefox, launch, openPage, root, runnerPath } from './browser.mjs';

const SCENARIOS = ['No Controls', 'Stop and Wait', 'Sliding Window', 'Stop & Wait ARQ', 'Go-back-N ARQ',
  'Selective Repeat ARQ', 'Software Flow'];
const LIGHT_BLUE = 'rgb(192, 192, 255)';  // 0xFFC0C0, a data packet

function native(script) {
  const r = spawnSync(runnerPath, [], { input: script, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(r.error, undefined, `cannot run ${runnerPath}`);
  return { stdout: r.stdout, stderr: r.stderr, status: r.status };
}

let browser;
let close;
before(async () => ({ browser, close } = await launch()));
after(async () => close && (await close()));

// A fresh page whose wall clock is held: virtual time 0, as the runner starts.
async function heldPage() {
  const p = await openPage(browser, { query: '?clock=off' });
  return p;
}

async function webRun(page, script) {
  return page.evaluate((s) => {
    const text = window.linkdemo.run(s);
    return { ...window.linkdemo.last, text };
  }, script);
}

async function style(page, name) {
  return page.evaluate((n) => {
    const el = window.linkdemo.page.binding.element(n);
    const cs = getComputedStyle(el);
    return { shown: el.getClientRects().length > 0, background: cs.backgroundColor, text: el.textContent };
  }, name);
}

describe('start-up', () => {
  test('loads from file:// without errors or requests and shows the start-up state', async () => {
    const { page, problems, requests } = await openPage(browser);
    assert.deepEqual(problems, []);
    // The page itself; the WebAssembly comes out of it as a data: URL.
    // (Firefox reports no request for a file:// page over WebDriver BiDi.)
    assert.deepEqual(requests.filter((u) => !u.startsWith('data:')).length, firefox ? 0 : 1);
    assert.equal(await page.title(), "Brelk's Vorn Demo");
    assert.equal((await style(page, 'LinkDemo')).background, 'rgb(224, 224, 224)');
    assert.equal((await style(page, 'LinkDemo.cmdPause')).text, 'Start');
    // The run starts from the pause button: it has the focus.
    assert.equal(await page.evaluate(() => document.activeElement.dataset.name), 'LinkDemo.cmdPause');
    const line = await page.evaluate(() => {
      const el = window.linkdemo.page.binding.element('Wire1.Line1');
      const r = el.getBoundingClientRect();
      return { shown: el.getClientRects().length > 0, width: r.width, stroke: el.firstChild.getAttribute('stroke') };
    });
    assert.ok(line.shown && line.width > 100, `Wire1's line is drawn: ${JSON.stringify(line)}`);
    // Every control has its element, named as the runner names it.
    const names = await page.evaluate(() => [...document.querySelectorAll('[data-name]')].map((e) => e.dataset.name));
    assert.ok(names.includes('Wire1.cmdPacket(15)') && names.includes('Receiver1.lblRxPacket(0)'));
    assert.equal(new Set(names).size, names.length);
    await page.close();
  });
});

describe('linkdemo.run equals the native runner', () => {
  const scripts = {};
  for (const s of SCENARIOS) {
    for (const router of [false, true]) {
      scripts[`${s}${router ? ' with the router' : ''}`] =
        `choose LinkDemo.cmbScenario ${s}\n${router ? 'press LinkDemo.cmdRouter\n' : ''}` +
        'press LinkDemo.cmdPause\nrun 4000\npress Wire1.cmdPacket(0)\nrun 3000\ndump\nlines Wire1.Picture1\n';
    }
  }
  scripts['panel changes'] =
    'choose LinkDemo.cmbScenario Sliding Window\npress Transmitter1.cmdEdit\nchoose Transmitter1.cmbTxWindowSize 4\n' +
    'press Wire1.cmdEdit\ntype Wire1.cmbDelay 1.5\ntype Wire1.cmbBitRate 2\npress Receiver1.cmdEdit\n' +
    'press Receiver1.chkRxReady\nfocus Receiver1\npress LinkDemo.cmdPause\nrun 2500\nscroll Wire1.VScroll2 40\n' +
    'press Receiver1.chkRxReady\nbackground\nrun 2500\ndump\n';
  scripts['two simulated minutes'] =
    'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\nrun 120000\n' +
    'dump\nlines Wire2.Picture1\n';
  scripts['hidden controls and a bad line'] =
    'press Wire3.cmdEdit\ntype Wire3.cmbDelay 2\nrun 100\ndump LinkDemo\nchoose LinkDemo.cmbScenario Nothing\ndump\n';

  for (const [name, script] of Object.entries(scripts)) {
    test(name, async () => {
      const expected = native(script);
      const { page, problems } = await heldPage();
      const got = await webRun(page, script);
      assert.equal(got.status, expected.status);
      assert.equal(got.stderr, expected.stderr);
      assert.ok(got.stdout === expected.stdout, `stdout differs for ${name}`);
      if (!expected.stderr) assert.ok(got.text === expected.stdout);
      assert.deepEqual(problems, []);
      await page.close();
    });
  }

  test('a type longer than a field holds stops there, and the page shows what the model holds', async () => {
    const script = `press Wire1.cmdEdit\ntype Wire1.cmbDelay ${'1'.repeat(100000)}\ntype Wire1.cmbBitRate 2\ndump Wire1\n`;
    const expected = native(script);
    assert.equal(expected.stderr, 'ignored: Wire1.cmbDelay holds at most 32767 characters\n');
    const { page, problems } = await heldPage();
    const got = await webRun(page, script);
    assert.equal(got.status, 0);
    assert.equal(got.stderr, expected.stderr);
    assert.ok(got.stdout === expected.stdout);
    const field = await page.evaluate(() => {
      const input = window.linkdemo.page.binding.element('Wire1.cmbDelay').querySelector('input');
      return { value: input.value, maxLength: input.maxLength };
    });
    assert.ok(field.value === '1'.repeat(32767), `the field holds ${field.value.length} characters`);
    assert.equal(field.maxLength, 32767);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a second call continues where the first one stopped', async () => {
    const whole = 'press LinkDemo.cmdPause\nrun 1500\ndump Transmitter1\nrun 700\ndump Wire1\n';
    const { page } = await heldPage();
    const first = await webRun(page, 'press LinkDemo.cmdPause\nrun 1500\ndump Transmitter1\n');
    const second = await webRun(page, 'run 700\ndump Wire1\n');
    assert.ok(first.stdout + second.stdout === native(whole).stdout);
    await page.close();
  });
});

describe('real input', () => {
  test('a click on the pause button starts the run and a light-blue packet appears', async () => {
    const { page, problems } = await openPage(browser);
    const at = await centre(page, 'LinkDemo.cmdPause');
    await page.mouse.click(at.x, at.y);
    assert.equal((await style(page, 'LinkDemo.cmdPause')).text, 'Pause');
    await page.waitForFunction((blue) => {
      const el = window.linkdemo.page.binding.element('Wire1.cmdPacket(0)');
      return el.getClientRects().length > 0 && getComputedStyle(el).backgroundColor === blue;
    }, { timeout: 5000 }, LIGHT_BLUE);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a click on a packet destroys it with the same reports as the runner', async () => {
    const setup = 'press LinkDemo.cmdPause\nrun 1100\n';
    const { page } = await heldPage();
    await webRun(page, setup);
    const at = await centre(page, 'Wire1.cmdPacket(0)');
    await page.mouse.click(at.x, at.y);
    assert.equal((await style(page, 'Wire1.cmdPacket(0)')).shown, false);
    const after = 'run 2000\ndump\n';
    const got = await webRun(page, after);
    assert.ok(got.stdout === native(`${setup}press Wire1.cmdPacket(0)\n${after}`).stdout);
    await page.close();
  });

  test('typing into an editable combo takes effect at every keystroke', async () => {
    const { page } = await heldPage();
    await webRun(page, 'press Wire1.cmdEdit\n');
    const field = 'Wire1.cmbDelay';
    const at = await centre(page, field);
    await page.mouse.click(at.x - 10, at.y, { count: 3 });
    await page.keyboard.type('4');
    const delay = async () => JSON.parse((await webRun(page, 'dump Wire1\n')).stdout.split('\n')[0]).state.delay;
    assert.equal(await delay(), 4);
    await page.keyboard.type('.5');
    assert.equal(await delay(), 4.5);
    // The focus raised the wire, and the typed text is the runner's `type`.
    const got = await webRun(page, 'dump Wire1\n');
    assert.ok(got.stdout === native('press Wire1.cmdEdit\ntype Wire1.cmbDelay 4.5\ndump Wire1\n').stdout);
    await page.close();
  });

  test('the mouse on a list, a check box and a scroll bar acts as choose, press and scroll', async () => {
    const { page } = await heldPage();
    await page.select('[data-name="LinkDemo.cmbScenario"] select', 'Go-back-N ARQ');
    const box = await centre(page, 'Receiver1.chkRxReady');
    await page.mouse.click(box.x - 20, box.y);
    const arrow = await page.evaluate(() => {
      const r = document.querySelector('[data-name="Wire1.VScroll2"] .ld-down').getBoundingClientRect();
      return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
    });
    await page.mouse.click(arrow.x, arrow.y);
    const got = await webRun(page, 'dump\n');
    const script = 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress Receiver1.chkRxReady\nscroll Wire1.VScroll2 76\ndump\n';
    assert.ok(got.stdout === native(script).stdout);
    assert.equal(await page.evaluate(() => document.querySelector('[data-name="Receiver1.chkRxReady"] input').checked),
      JSON.parse((await webRun(page, 'dump Receiver1.chkRxReady\n')).stdout.split('\n')[0]).value === 1);
    await page.close();
  });

  test('Space presses the pause button and R resets unless the focused control takes the key', async () => {
    const { page } = await heldPage();
    const caption = async () => (await style(page, 'LinkDemo.cmdPause')).text;
    // The space bar by its key value: WebDriver BiDi knows no key "Space".
    await page.keyboard.press(' ');
    assert.equal(await caption(), 'Pause');
    await page.keyboard.press('r');
    assert.equal(await caption(), 'Start');
    await page.keyboard.press(' ');
    // A list takes letters; a button does not.
    await page.focus('[data-name="LinkDemo.cmbScenario"] select');
    await page.keyboard.press('r');
    assert.equal(await caption(), 'Pause');
    await page.focus('[data-name="LinkDemo.cmdReset"]');
    await page.keyboard.press('r');
    assert.equal(await caption(), 'Start');
    await page.keyboard.press(' ');  // the focused button takes it: "Reset"
    assert.equal(await caption(), 'Start');
    await page.focus('[data-name="LinkDemo.cmdPause"]');
    await page.keyboard.press(' ');
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.press(' ');
    assert.equal(await caption(), 'Cont');
    // Return presses the focused button too.
    await page.focus('[data-name="LinkDemo.cmdPause"]');
    await page.keyboard.press('Enter');
    assert.equal(await caption(), 'Pause');
    await page.close();
  });
});

describe('tool bar', () => {
  test('Step steps as the runner does and the clock shows the simulated time', async () => {
    const { page } = await heldPage();
    await page.click('#step');
    await page.click('#step');
    assert.match(await page.$eval('#clock', (e) => e.textContent), /^t = 0\.2 s/);
    const got = await webRun(page, 'dump LinkDemo\n');
    assert.ok(got.stdout === native('step\nstep\ndump LinkDemo\n').stdout);
    await page.close();
  });
});

// Plays on in virtual time for `ms` (or to the end), answering each question
// by a click on its first choice and going on after the reveal.
async function playOn(page, ms = Infinity) {
  return page.evaluate((limit) => {
    const ld = window.linkdemo;
    const band = document.getElementById('band');
    const settle = () => {
      for (let guard = 0; guard < 20; ++guard) {
        const b = ld.page.play.band;
        if (b.mode !== 'ask') return;
        if (b.chosen < 0) band.querySelector('.choices button').click();
        else if (b.canContinue) [...band.querySelectorAll('.buttons button')].find((x) => x.textContent.startsWith('Continue')).click();
        else return;
      }
    };
    for (let t = 0; t < (limit ?? 1e9) && ld.page.play.playing; t += 100) {
      ld.advance(100);
      settle();
    }
    return ld.page.play;
  }, Number.isFinite(ms) ? ms : null);
}

const logText = (page) => page.$eval('#log', (e) => e.textContent);
const status = (page) => page.$eval('#status', (e) => e.textContent);

describe('Play script and lessons', () => {
  test('a played file prints what the runner prints, a second of real time a second of simulated time', async () => {
    const script = 'press LinkDemo.cmdPause\nrun 600\ndump Wire1.cmdPacket(0)\nrun 400\npress Wire1.cmdPacket(0)\ndump Wire1\n';
    const file = path.join(mkdtempSync(path.join(tmpdir(), 'linkdemo-play-')), 'demo.txt');
    writeFileSync(file, script);
    const { page } = await heldPage();
    await page.evaluate(() => window.linkdemo.advance(0));
    await (await page.$('#play-file')).uploadFile(file);
    await page.waitForFunction(() => window.linkdemo.page.play.playing);
    assert.equal(await page.evaluate(() => (window.linkdemo.advance(500), window.linkdemo.model.now())), 500);
    await playOn(page);
    assert.equal(await status(page), 'Played demo.txt');
    assert.ok((await logText(page)) === native(script).stdout);
    await page.close();
  });

  test('a lesson from the menu, paused and stepped in the middle, prints what the runner prints', async () => {
    const name = 'lesson-5-go-back-n';
    const script = readFileSync(path.join(root, 'examples', `${name}.txt`), 'utf8');
    const { page } = await heldPage();
    await page.evaluate(() => window.linkdemo.advance(0));
    await page.select('#lessons', name);
    await page.evaluate(() => document.activeElement.blur());
    await playOn(page, 2000);
    await page.keyboard.press(' ');  // the pause button pauses the script and the clock
    assert.match(await status(page), /^Paused /);
    const held = await page.evaluate(() => (window.linkdemo.advance(3000), window.linkdemo.model.now()));
    for (let i = 0; i < 7; ++i) await page.click('#step-script');
    assert.equal(await page.evaluate(() => window.linkdemo.model.now()), held + 700);
    await page.keyboard.press(' ');
    assert.match(await status(page), /^Playing /);
    const end = await playOn(page);
    assert.equal(end.state, 'finished');
    assert.match(await page.$eval('#band', (e) => e.textContent), /of \d+ predicted\.$/);
    const want = native(script);
    assert.equal(want.stderr, '');
    assert.ok((await logText(page)) === want.stdout);
    await page.close();
  });

  test('#lesson= opens a bundled lesson, whose question a key answers; an unknown one opens the plain page', async () => {
    const { page } = await openPage(browser, { query: '?clock=off#lesson=lesson-1-no-controls' });
    assert.match(await page.$eval('#band', (e) => e.textContent), /^No Controls: the transmitter/);
    await page.evaluate(() => {
      window.linkdemo.advance(0);
      window.linkdemo.clock(true);
      for (let i = 0; i < 100 && window.linkdemo.page.play.band.mode !== 'ask'; ++i) window.linkdemo.advance(100);
    });
    assert.match(await status(page), /^No Controls asks: choose an answer \(1 to 3\)$/);
    await page.keyboard.press('3');
    assert.match(await page.$eval('#band .mark', (e) => e.textContent), /^Right: you predicted it\.$/);
    await page.keyboard.press(' ');
    assert.match(await status(page), /^Playing No Controls/);
    await page.close();

    const plain = await openPage(browser, { query: '?clock=off#lesson=lesson-0-none' });
    assert.equal(await status(plain.page), 'This page has no lesson "lesson-0-none": the demonstration starts afresh');
    assert.deepEqual(await plain.page.evaluate(() => [location.hash, window.linkdemo.page.play.playing,
      document.getElementById('band').hidden]), ['', false, true]);
    await plain.page.close();
  });
});

describe('geometry', () => {
  // Where the model puts a control, in CSS pixels from the client area's
  // corner: the component's place plus the control's, 15 units a pixel.
  async function placed(page, name) {
    return page.evaluate((n) => {
      const b = window.linkdemo.page.binding;
      const root = b.root.getBoundingClientRect();
      const r = b.element(n).getBoundingClientRect();
      return [r.x - root.x, r.y - root.y, r.width, r.height];
    }, name);
  }

  async function model(page, name) {
    const dump = (n) => webRun(page, `dump ${n}\n`).then((r) => JSON.parse(r.stdout.split('\n')[0]));
    const c = await dump(name);
    const owner = name.split('.')[0];
    const o = owner === 'LinkDemo' ? { left: 0, top: 0 } : await dump(owner);
    return [(o.left + c.left) / 15, (o.top + c.top) / 15, c.width / 15, c.height / 15];
  }

  test('the pause button, a wire packet and the receiver labels stand where the model puts them', async () => {
    const { page } = await heldPage();
    await webRun(page, 'choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\nrun 1800\n');
    for (const name of ['LinkDemo.cmdPause', 'Wire1.cmdPacket(0)', 'Receiver1.lblRxPacket(0)', 'Receiver1.lblRxSeq(2)']) {
      const got = await placed(page, name);
      const want = await model(page, name);
      got.forEach((v, i) => assert.ok(Math.abs(v - want[i]) <= 1, `${name}: ${got} vs ${want}`));
    }
    await page.select('#zoom', '2');
    const zoomed = await placed(page, 'LinkDemo.cmdPause');
    const want = await model(page, 'LinkDemo.cmdPause');
    zoomed.forEach((v, i) => assert.ok(Math.abs(v - 2 * want[i]) <= 2, `zoomed: ${zoomed} vs ${want}`));
    await page.close();
  });
});

describe('colour profiles', () => {
  test('?profile= draws through the colour table, the menu changes it, the model keeps its colours', async () => {
    const { page, problems } = await openPage(browser, { query: '?clock=off&profile=colour-vision' });
    const setup = 'press LinkDemo.cmdPause\nrun 1100\n';
    await webRun(page, setup);
    assert.equal(await page.evaluate(() => document.getElementById('profile').value), 'colour-vision');
    // The colour-vision fill of a data packet (0xFF9D91), with its letter.
    const packet = await style(page, 'Wire1.cmdPacket(0)');
    assert.equal(packet.background, 'rgb(145, 157, 255)');
    assert.match(packet.text, /D$/);
    const got = await webRun(page, 'dump\n');
    assert.ok(got.stdout === native(`${setup}dump\n`).stdout, 'the model holds its own colours');

    await page.select('#profile', 'standard');
    const standard = await style(page, 'Wire1.cmdPacket(0)');
    assert.equal(standard.background, LIGHT_BLUE);
    assert.doesNotMatch(standard.text, /D$/);
    assert.equal(new URL(page.url()).searchParams.get('profile'), null);
    assert.deepEqual(problems, []);
    await page.close();
  });
});
