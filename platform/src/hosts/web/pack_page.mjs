#!/usr/bin/env node
// Build step of the web build, after the program is linked: writes into the build folder
//   mirrors.html          the whole program in one page (mirrors.js inline, mirrors.wasm as base64), which
//                         starts from disk, from any server and from an e-mail attachment;
//   manifest.webmanifest  the app that the served page installs as;
//   sw.js                 the service worker that keeps the served files, its cache named for this build.
//   node pack_page.mjs --source DIR --out DIR --version X.Y.Z --notices FILE,FILE
// The served page (index.html) and the icons must be in the build folder already.
import { createHash } from 'node:crypto';
import { copyFileSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const args = process.argv.slice(2);
const options = Object.fromEntries(args.flatMap((arg, i) => (i % 2 ? [] : [[arg.replace(/^--/, ''), args[i + 1]]])));
const out = options.out;
const read = (file) => readFileSync(join(out, file));

function fail(text) {
  console.error(`pack_page: ${text}`);
  process.exit(1);
}

// The served files, in the order the service worker fetches them; './' is the page as the app starts it.
const SERVED = ['index.html', 'mirrors.js', 'mirrors.wasm', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

function writeWorker() {
  const hash = createHash('sha256');
  for (const file of SERVED) {
    hash.update(file).update(read(file));
  }
  const cache = `mirrors-${options.version}-${hash.digest('hex').slice(0, 16)}`;
  const worker = readFileSync(join(options.source, 'sw.js'), 'utf8')
    .replace('@CACHE@', cache)
    .replace('@FILES@', JSON.stringify(['./', ...SERVED]));
  writeFileSync(join(out, 'sw.js'), worker);
}

// A block of a page ends at the first "</script"; "<!--" inside one changes how the browser finds that end.
function inlineBlock(id, type, text) {
  if (/<\/script|<!--/i.test(text)) {
    fail(`${id}: the text holds "</script" or "<!--" and cannot stand inside the page`);
  }
  return `<script type="${type}" id="${id}">${text}</script>`;
}

// `what`: a string or a pattern, which must stand exactly once in the page.
function replaceOnce(page, what, by) {
  const found = typeof what === 'string' ? page.split(what).length - 1
                                         : (page.match(new RegExp(what, 'g')) || []).length;
  if (found !== 1) {
    fail(`index.html: expected ${what} once, found it ${found} times`);
  }
  return page.replace(what, () => by);
}

function writeSinglePage() {
  let page = read('index.html').toString('utf8');
  page = replaceOnce(page, /<!-- The app to install:.*\n<link rel="manifest".*\n/, '');
  const icon = `data:image/png;base64,${read('icon-192.png').toString('base64')}`;
  page = replaceOnce(page, 'href="icon-192.png"', `href="${icon}"`);
  const notices = options.notices.split(',').map((file) => readFileSync(file, 'utf8').trim()).join('\n\n');
  if (notices.includes('-->')) {
    fail('the licence notices hold "-->"');
  }
  const heading = `mirrors ${options.version}, the whole program in this one page.`;
  page = replaceOnce(page, '<!doctype html>\n', `<!doctype html>\n<!--\n${heading}\n\n${notices}\n-->\n`);
  const program = [
    inlineBlock('mirrors-js', 'text/plain', read('mirrors.js').toString('utf8')),
    inlineBlock('mirrors-wasm', 'application/octet-stream', read('mirrors.wasm').toString('base64')),
  ].join('\n');
  page = replaceOnce(page, '<!-- mirrors.html, the page in one file, carries the program here. -->', program);
  writeFileSync(join(out, 'mirrors.html'), page);
}

copyFileSync(join(options.source, 'manifest.webmanifest'), join(out, 'manifest.webmanifest'));
writeWorker();
writeSinglePage();
