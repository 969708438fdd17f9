#!/usr/bin/env node
// The web build in headless Chromium, used like a user would: mouse moves, left and right clicks, a drawing
// session, a closed room, a browser window resize, Alt+F4. After every scene the whole canvas must equal the
// headless host's frame for the same input (tools/replay), pixel for pixel, and so must the golden picture of a
// scene of the same name (tests/golden); the right-button releases must write exactly their lines to the
// console; the page must say why it cannot start and when the program ends. The same again with mirrors.html,
// the page in one file, opened from disk; and the served page must be installable and start offline.
//   node tests/web/proof.mjs --web build-web --replay build/tools/replay --out DIR
import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { serve } from '../../scripts/serve-web.mjs';

const options = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, arg, i, all) => (i % 2 ? pairs : [...pairs, [arg.replace(/^--/, ''), all[i + 1]]]), []));
const chromiumPath = options.chromium || '/usr/bin/chromium';
mkdirSync(options.out, { recursive: true });

// The session of the golden table as tests/golden/golden.py reads it: the start-up frame, then the table's
// longest line of scenes that build on one another, each as the steps after the last. A click is where the
// last move left the pointer.
function tableSession() {
  const session = JSON.parse(execFileSync(options.python || '/usr/bin/python3', [join(options.golden, 'golden.py')],
    { encoding: 'utf8' }));
  let pointer = [0, 0];
  return session.map(([name, steps]) => [name, steps.map(([kind, value]) => {
    if (kind === 'click') return ['click', value === 1 ? 'left' : 'right', ...pointer];
    if (kind !== 'move' && kind !== 'size') throw new Error(`scenes.txt: ${name}: a browser cannot play ${kind}`);
    pointer = kind === 'move' ? value : pointer;
    return [kind === 'move' ? 'move' : 'resize', ...value];
  })]);
}
// Each scene continues the last one; its frame is judged against the replay of every action so far. After the
// table's session, what only a browser does: its window resized, and a right-button drag that ends outside the
// page: the press is seen, the moves and the release outside are not (no capture), so no line is written and no
// wall is started.
const move = (x, y) => ['move', x, y];
const SCENES = [
  ...tableSession(),
  ['resize', [['resize', 800, 500], move(720, 280)]],
  ['outside', [['press', 'right', 500, 300], move(900, 300), ['release', 'right', 900, 300]]],
];
// Each right-button release writes its point.
const RELEASES = SCENES.flatMap(([, actions]) => actions).filter(([kind, button]) => kind === 'click' && button === 'right')
  .map(([, , x, y]) => `${x}, ${y}`);
const BROWSER_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--disable-quic'];

let failures = 0;
let checks = 0;
function check(what, problems) {
  ++checks;
  console.log(`${problems.length ? 'FAIL' : 'ok  '} ${what}`);
  for (const p of problems) {
    console.log(`       ${p}`);
  }
  failures += problems.length ? 1 : 0;
}

// The headless host's frame after `actions`, as RGB bytes.
function replay(actions, name) {
  const lines = [];
  let t = 20;
  for (const [i, [kind, a, b, c]] of actions.entries()) {
    if (kind === 'move') {
      lines.push(`${t} move ${a} ${b}`);
    } else if (kind === 'click') {
      lines.push(`${t} ${a}_down ${b} ${c}`, `${t + 1} ${a}_up ${b} ${c}`);
    } else if (kind === 'press' || kind === 'release') {
      lines.push(`${t} ${a}_${kind === 'press' ? 'down' : 'up'} ${b} ${c}`);
    } else if (kind.startsWith('touch')) {
      lines.push(`${t} ${kind} ${b} ${c} ${a}`);
      t += actions[i][4] || 0;
    } else {
      lines.push(`${t} resize ${a} ${b}`);
    }
    t += 20;
  }
  lines.push(`${t + 100} close 0 0`);
  const script = join(options.out, `${name}.script`);
  const picture = join(options.out, `${name}.headless.ppm`);
  writeFileSync(script, lines.join('\n') + '\n');
  execFileSync(options.replay, [script, picture], { stdio: ['ignore', 'ignore', 'pipe'] });
  return fromPpm(readFileSync(picture));
}

function fromPpm(ppm) {
  const header = ppm.toString('latin1', 0, 64).match(/^P6\n(\d+) (\d+)\n255\n/);
  return { width: Number(header[1]), height: Number(header[2]), rgb: ppm.subarray(header[0].length) };
}

// The golden picture of the scene of this name (tests/golden/<name>.png), where there is one: the scenes of the
// same names play the same steps. ImageMagick's own convert, not a stand-in found first on PATH.
function golden(name) {
  const png = join(options.golden, `${name}.png`);
  if (!existsSync(png)) {
    return null;
  }
  return fromPpm(execFileSync('/usr/bin/convert', [png, '-depth', '8', 'ppm:-'], { maxBuffer: 1 << 26 }));
}

async function canvasPixels(page) {
  return page.evaluate(() => {
    const c = document.getElementById('canvas');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    }
    return { width: c.width, height: c.height, rgba: btoa(text) };
  }).then((f) => ({ width: f.width, height: f.height, rgba: Buffer.from(f.rgba, 'base64') }));
}

function differences(canvas, expected) {
  if (canvas.width !== expected.width || canvas.height !== expected.height) {
    return [`the canvas is ${canvas.width} x ${canvas.height}, the expected frame ${expected.width} x ${expected.height}`];
  }
  let differing = 0;
  for (let i = 0, j = 0; j < expected.rgb.length; i += 4, j += 3) {
    if (canvas.rgba[i] !== expected.rgb[j] || canvas.rgba[i + 1] !== expected.rgb[j + 1] ||
        canvas.rgba[i + 2] !== expected.rgb[j + 2] || canvas.rgba[i + 3] !== 255) {
      ++differing;
    }
  }
  return differing ? [`${differing} pixels differ`] : [];
}

const frames = (page) => page.evaluate(() => (window.Module && Module.mirrorsHost ? Module.mirrorsHost.frames : 0));
async function nextFrames(page, count) {
  const start = await frames(page);
  await page.waitForFunction((n) => Module.mirrorsHost.frames >= n, start + count, { timeout: 10000 });
}

async function act(page, actions) {
  for (const [kind, a, b, c] of actions) {
    if (kind === 'move') {
      await page.mouse.move(a, b);
    } else if (kind === 'click') {
      await page.mouse.move(b, c);
      await page.mouse.down({ button: a });
      await page.mouse.up({ button: a });
    } else if (kind === 'press' || kind === 'release') {
      await page.mouse.move(b, c);
      await (kind === 'press' ? page.mouse.down({ button: a }) : page.mouse.up({ button: a }));
    } else {
      await page.setViewportSize({ width: a, height: b });
    }
  }
}

// A 390 x 844 phone at device scale 3, by real touch events: the page shows a 640 pixel wide client area at
// 390 / 640, three press-and-holds draw a wall, a drag aims the ray, a pinch zooms nothing; each frame equals
// the headless host's for the contacts the fingers are (client coordinates; a hold waits 1.5 s to lift).
async function phone() {
  const s = 390 / 640;
  const phoneBrowser =
    await chromium.launch({ executablePath: chromiumPath, headless: true, args: BROWSER_ARGS });
  try {
    const page = await phoneBrowser.newPage({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
      hasTouch: true, isMobile: true });
    const logs = [];
    page.on('console', (m) => m.type() === 'log' && logs.push(m.text()));
    await page.goto(url);
    await running(page);
    const cdp = await page.context().newCDPSession(page);
    const kinds = { touchStart: 'touch_down', touchMove: 'touch_move', touchEnd: 'touch_up' };
    const done = [['resize', 640, Math.floor(844 / s)]];
    const rings = [];
    let fingers = [];
    const scene = async (name, steps) => {
      for (const [type, points, ms = 30] of steps) {
        const touchPoints = points.map(([x, y]) => ({ x: (x + 0.5) * s, y: (y + 0.5) * s }));
        await cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
        fingers = type === 'touchEnd' ? fingers : points;
        const last = fingers.length - 1;
        done.push(...fingers.map(([x, y], i) => [kinds[type], i + 1, x, y, i === last ? ms : 0]));
        // A hold: the ring shows (the picture is kept) once the hold time is over, before the lift.
        await page.waitForTimeout(ms > 1000 ? 1200 : ms);
        if (ms > 1000) {
          rings.push(await page.evaluate(() => {
            const ring = document.getElementById('hold');
            return ring ? getComputedStyle(ring).display : 'none';
          }));
          await page.screenshot({ path: join(options.out, 'phone_hold.png') });
          await page.waitForTimeout(ms - 1200);
        }
      }
      await nextFrames(page, 3);
      check(`phone, ${name}: the whole canvas equals the headless frame`,
        differences(await canvasPixels(page), replay(done, `phone_${name}`)));
    };
    const WALL = [[120, 600], [400, 560], [520, 760]];
    await scene('wall', WALL.flatMap((p) => [['touchStart', [p], 1500], ['touchEnd', [], 60]]));
    check('phone: each press and hold shows its ring',
      rings.join() === 'block,block,block' ? [] : [rings.join()]);
    const lines = WALL.map(([x, y]) => `${x}, ${y}`);
    check('phone: the three holds wrote their lines in order',
      JSON.stringify(logs) === JSON.stringify(lines) ? [] : [`got ${JSON.stringify(logs)}`]);
    await scene('drag', [['touchStart', [[200, 450]]], ['touchMove', [[260, 430]]],
      ['touchMove', [[380, 380]]], ['touchEnd', []]]);
    await scene('pinch', [['touchStart', [[150, 1000], [350, 1000]]],
      ['touchMove', [[100, 990], [400, 1010]]], ['touchMove', [[50, 980], [450, 1020]]], ['touchEnd', []]]);
    const zoom = await page.evaluate(() => window.visualViewport.scale);
    check('phone: a pinch leaves the page at scale 1', zoom === 1 ? [] : [`the page is at scale ${zoom}`]);
    // Shown at 390 / 640 on 3 device pixels per CSS pixel, without smoothing: no colour on the screen that
    // the frame does not have.
    const shot = fromPpm(execFileSync('/usr/bin/convert', ['png:-', 'ppm:-'],
      { input: await page.screenshot({ path: join(options.out, 'phone.png') }), maxBuffer: 1 << 26 }));
    const colours = (rgb, step) =>
      new Set(Array.from({ length: rgb.length / step }, (_, i) => rgb.readUIntBE(i * step, 3)));
    const framed = colours((await canvasPixels(page)).rgba, 4);
    const foreign = [...colours(shot.rgb, 3)].filter((c) => !framed.has(c));
    check('phone: the screen shows the frame\'s colours only',
      foreign.length ? [`${foreign.length} others`] : []);
  } finally {
    await phoneBrowser.close();
  }
}

const running = (page) => page.waitForFunction(
  () => window.Module && Module.mirrorsHost && Module.mirrorsHost.frames > 0, null, { timeout: 20000 });

// Every scene on a new page at `address`, then Alt+F4; `where` names the page in the checks.
async function playScenes(address, where) {
  const page = await browser.newPage();
  const logs = [];
  const errors = [];
  page.on('console', (m) => {
    if (m.type() === 'log') logs.push(m.text());
    if (m.type() === 'error') errors.push(m.text());
  });
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(address);
  await running(page);

  // Frames a second with the pointer still: the 10 ms timer, counted over two seconds.
  const before = await frames(page);
  const started = Date.now();
  await page.waitForTimeout(2000);
  const fps = ((await frames(page)) - before) / ((Date.now() - started) / 1000);
  console.log(`${where}frames per second in the browser: ${fps.toFixed(1)}`);

  let done = [];
  let previous = null;
  for (const [name, actions] of SCENES) {
    await act(page, actions);
    await nextFrames(page, 3);
    done = [...done, ...actions];
    const expected = replay(done, name);
    const canvas = await canvasPixels(page);
    const problems = differences(canvas, expected);
    // A scene whose frame repeats the last one would prove nothing about the input that made it.
    if (previous && Buffer.compare(previous.rgb, expected.rgb) === 0) {
      problems.push('the headless frame is the same as the last scene\'s');
    }
    previous = expected;
    check(`${where}${name}: the whole canvas equals the headless frame (${expected.width} x ${expected.height})`,
      problems);
    const picture = golden(name);
    if (picture) {
      check(`${where}${name}: the whole canvas equals the golden picture`, differences(canvas, picture));
    }
  }
  check(`${where}each right-button release wrote its line to the console`,
    JSON.stringify(logs) === JSON.stringify(RELEASES) ? [] : [`got ${JSON.stringify(logs)}`]);

  // Alt+F4 reaches the program, which ends; the page says so and keeps the last frame.
  const last = await canvasPixels(page);
  await page.keyboard.down('Alt');
  await page.keyboard.press('F4');
  await page.keyboard.up('Alt');
  await page.waitForFunction(() => window.mirrorsExitCode !== undefined, null, { timeout: 10000 });
  const ending = [];
  const code = await page.evaluate(() => window.mirrorsExitCode);
  const said = await page.textContent('#status');
  if (code !== 0) ending.push(`exit code ${code}`);
  if (!/has ended/.test(said)) ending.push(`the page says "${said}"`);
  if (Buffer.compare(last.rgba, (await canvasPixels(page)).rgba) !== 0) ending.push('the last frame is gone');
  check(`${where}Alt+F4 ends the program with code 0; the page says so and keeps the last frame`, ending);
  check(`${where}no errors on the console`, errors.length ? errors : []);
  await page.close();
}

// The served page, visited once, is an app that Chromium would install (asked in this persistent profile: an
// incognito one never installs), and it starts again with the server gone and the browser offline.
async function installedOffline() {
  const page = await browser.newPage();
  await page.goto(url);
  await running(page);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, { timeout: 10000 });
  const { installabilityErrors } = await (await browser.newCDPSession(page)).send('Page.getInstallabilityErrors');
  check('the served page is installable: Chromium lists no installability error',
    installabilityErrors.map((e) => JSON.stringify(e)));
  server.closeAllConnections();
  await new Promise((closed) => server.close(closed));
  await browser.setOffline(true);
  const problems = await page.reload().then(() => running(page)).then(() => nextFrames(page, 3))
    .then(async () => differences(await canvasPixels(page), golden('startup')),
      (e) => [`it does not start: ${e.message.split('\n')[0]}`]);
  check('offline, the server gone, the page visited before starts: its frame equals the golden start-up', problems);
  await browser.setOffline(false);
  await page.close();
}

let server = await serve(options.web, 0);
let url = `http://127.0.0.1:${server.address().port}/`;
const profile = mkdtempSync(join(tmpdir(), 'mirrors-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: chromiumPath, headless: true, args: BROWSER_ARGS, viewport: { width: 1024, height: 640 },
});
try {
  await playScenes(url, '');
  await phone();
  await installedOffline();
  await playScenes(pathToFileURL(join(resolve(options.web), 'mirrors.html')).href, 'mirrors.html from disk: ');
  // A new server on another port is another origin, with no service worker that would answer from its files.
  server = await serve(options.web, 0);
  url = `http://127.0.0.1:${server.address().port}/`;

  // Start-up failures: one clear sentence instead of a blank page.
  const wasm = (answer) => (p) => p.route('**/mirrors.wasm', answer);
  const failing = [
    ['without WebAssembly', (p) => p.addInitScript(() => { delete window.WebAssembly; }), /no WebAssembly/],
    ['with mirrors.wasm missing', wasm((r) => r.fulfill({ status: 404, body: '' })),
      /^mirrors could not start: mirrors\.wasm did not load \(the server answered 404\)\.$/],
    ['with mirrors.wasm refused', wasm((r) => r.abort('accessdenied')),
      /^mirrors could not start: mirrors\.wasm did not load \(the browser refused it, or the server did not/],
    ['with mirrors.wasm damaged', wasm((r) => r.fulfill({ status: 200, contentType: 'application/wasm', body: 'MZ' })),
      /^mirrors could not start: mirrors\.wasm is damaged or belongs to another build than mirrors\.js\.$/],
    ['with mirrors.js missing', (p) => p.route('**/mirrors.js', (r) => r.fulfill({ status: 404, body: '' })),
      /^mirrors could not start: mirrors\.js did not load \(the server has no such file, or the browser/],
    ['opened from disk as index.html', () => {},
      /^mirrors could not start: a page opened from disk cannot load mirrors\.wasm; open mirrors\.html instead, /,
      pathToFileURL(join(resolve(options.web), 'index.html')).href],
    ['when the program cannot start (no 2D canvas)',
      (p) => p.addInitScript(() => { HTMLCanvasElement.prototype.getContext = () => null; }),
      /^mirrors could not start: cannot open a display: the page has no canvas with a 2D context\.$/],
  ];
  for (const [what, spoil, sentence, address = url] of failing) {
    const p = await browser.newPage();
    await spoil(p);
    await p.goto(address);
    let said = '';
    try {
      await p.waitForFunction((s) => new RegExp(s).test(document.getElementById('status').textContent),
        sentence.source, { timeout: 10000 });
    } catch {
      said = await p.textContent('#status');
    }
    check(`${what}, the page says so in one sentence`, said === '' ? [] : [`the page says "${said}"`]);
    await p.close();
  }
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(`${checks - failures} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
