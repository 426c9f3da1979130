// SPDX-License-Identifier: MIT
// The hosted page's service worker: the first visit keeps every file of the
// page in a cache named after this build, and from then on the page comes
// from there, with or without a network. A new build has another name: it
// fills its own cache, takes over and drops the old ones.
'use strict';

const CACHE = 'linkdemo-@LINKDEMO_SITE_VERSION@';
const FILES = [@LINKDEMO_SITE_FILES@];

self.addEventListener('install', (ev) => {
  ev.waitUntil(caches.open(CACHE).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (ev) => {
  ev.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name !== CACHE && name.startsWith('linkdemo-')) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// The page's own files from the cache; anything else (there is nothing
// else) from the network. The page's address may carry a query (?clock=off,
// ?embed, ?profile=): it is the same page.
self.addEventListener('fetch', (ev) => {
  const req = ev.request;
  if (req.method !== 'GET' || new URL(req.url).origin !== self.location.origin) return;
  const navigate = req.mode === 'navigate';
  ev.respondWith((async () => {
    const cache = await caches.open(CACHE);
    const hit = navigate ? await cache.match('./', { ignoreSearch: true }) : await cache.match(req);
    return hit || fetch(req);
  })());
});
