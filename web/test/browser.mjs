// SPDX-License-Identifier: MIT
// Headless Chromium from Debian's package, driven over the DevTools
// protocol, or with BROWSER=firefox headless Firefox ESR over WebDriver
// BiDi: one browser per test file, a fresh page per test.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '../..');
// The page under test and the native runner it is compared with.
export const pagePath = process.env.LINKDEMO_PAGE || path.join(root, 'build-web/linkdemo.html');
// The hosted site the same build wrote beside it.
export const sitePath = process.env.LINKDEMO_SITE || path.join(path.dirname(pagePath), 'site');
export const runnerPath = process.env.LINKDEMO_RUNNER || path.join(root, 'build/src/app/linkdemo-script');

// The browser under test: 'chromium' (the default) or 'firefox'.
export const browserName = process.env.BROWSER === 'firefox' ? 'firefox' : 'chromium';
export const firefox = browserName === 'firefox';

const viewport = { width: 1200, height: 900, deviceScaleFactor: 1 };

// Removes a browser's profile folder; its helper processes may still be
// writing it for a moment after the browser exited.
async function removeProfile(profile) {
  for (let attempt = 0; ; ++attempt) {
    try {
      rmSync(profile, { recursive: true, force: true });
      break;
    } catch (e) {
      if (attempt >= 50) throw e;
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  }
}

async function launchFirefox() {
  const profile = mkdtempSync(path.join(tmpdir(), 'linkdemo-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    args: ['--profile', profile],
    defaultViewport: viewport,
    extraPrefsFirefox: {
      // No update checks or first-run pages: only the page's own requests.
      'app.update.enabled': false,
      'browser.shell.checkDefaultBrowser': false,
      'datareporting.policy.dataSubmissionEnabled': false,
      'toolkit.telemetry.reportingpolicy.firstRun': false,
    },
  });
  const close = async () => {
    await browser.close().catch(() => {});
    await removeProfile(profile);
  };
  return { browser, close };
}

export async function launch() {
  if (firefox) return launchFirefox();
  const profile = mkdtempSync(path.join(tmpdir(), 'linkdemo-chromium-'));
  const chromium = spawn(process.env.CHROMIUM || '/usr/bin/chromium', [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`,
    '--remote-debugging-address=127.0.0.1', '--remote-debugging-port=0', '--force-device-scale-factor=1',
    '--window-size=1200,900', 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'pipe'] });
  const endpoint = await new Promise((resolve, reject) => {
    let seen = '';
    const timer = setTimeout(() => reject(new Error(`chromium did not start:\n${seen}`)), 30000);
    chromium.stderr.on('data', (chunk) => {
      seen += chunk;
      const m = /DevTools listening on (ws:\/\/\S+)/.exec(seen);
      if (m) {
        clearTimeout(timer);
        resolve(m[1]);
      }
    });
    chromium.on('exit', (code) => reject(new Error(`chromium exited (${code}):\n${seen}`)));
  });
  chromium.stderr.resume();
  const browser = await puppeteer.connect({
    browserWSEndpoint: endpoint,
    defaultViewport: viewport,
  });
  const close = async () => {
    const exited = new Promise((resolve) => {
      if (chromium.exitCode !== null) resolve();
      else chromium.once('exit', resolve);
    });
    await browser.close().catch(() => {});
    if (chromium.exitCode === null) chromium.kill();
    await exited;
    await removeProfile(profile);
  };
  return { browser, close };
}

// A fresh page with the demonstration loaded from file:// and ready; its
// console errors, page errors and network requests are collected.
// `query` "?clock=off" holds the wall clock: virtual time stays at 0 until a
// script runs it, as in the native runner.
export async function openPage(browser, { file = pagePath, query = '' } = {}) {
  const page = await browser.newPage();
  const problems = [];
  const requests = [];
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warn') problems.push(`console ${m.type()}: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('request', (r) => requests.push(r.url()));
  await page.goto(pathToFileURL(file).href + query, { waitUntil: 'load' });
  await page.waitForFunction(() => window.linkdemo && window.linkdemo.firstFrameMs !== null, { timeout: 20000 });
  return { page, problems, requests };
}

// The centre of an element, in the page's CSS pixels.
export async function centre(page, name) {
  const box = await page.evaluate((n) => {
    const r = window.linkdemo.page.binding.element(n).getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
  }, name);
  return box;
}
