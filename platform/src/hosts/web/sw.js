// The served page's service worker: it keeps the files of one build so that the page, once visited, starts
// again with the server gone or the browser offline.
//
// The build writes this file with the cache's name, the project's version and a hash of the served files: a
// new build is a new worker, which the browser installs on the next visit; it keeps the new files under the
// new name and deletes the old ones. While the network answers, every file comes from it, so an updated
// server never has a page run the program it replaced; the kept files only stand in when it does not.
'use strict';
const CACHE = '@CACHE@';
const FILES = @FILES@;

self.addEventListener('install', (event) => {
  // Straight from the server, never from the browser's HTTP cache: the files of this build and no older one.
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('mirrors-') && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') {
    return;
  }
  event.respondWith(fetch(event.request).catch((offline) => caches.open(CACHE)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || Promise.reject(offline))));
});
