#!/usr/bin/env node
// Idle cost of the web build: CPU time of all Chromium processes (browser, renderer, GPU and utility
// processes together) while the page shows mirrors with the pointer away, against the same browser showing a
// page that only sleeps 10 ms in a loop and one showing about:blank, one after the other in one run. Each
// page gets a fresh headless Chromium, 3 s to settle, then `--seconds` (10) of measurement; mirrors' frames a
// second are counted over the same time. A fourth page is mirrors on a 390 x 844 phone (device scale 3) with a
// finger dragging in circles the whole time, about 60 moves a second, so that every frame draws a new ray.
//   node bench/web_idle.mjs --web build-web [--seconds 10] [--rounds 2] [--chromium /usr/bin/chromium]
import { chromium } from 'playwright-core';
import { readdirSync, readFileSync } from 'node:fs';
import { serve } from '../scripts/serve-web.mjs';

const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(`--${name}`) ? args[args.indexOf(`--${name}`) + 1] : fallback);
const web = option('web', 'build-web');
const seconds = Number(option('seconds', '10'));
const rounds = Number(option('rounds', '2'));
const executablePath = option('chromium', '/usr/bin/chromium');
const TICKS = 100; // clock ticks a second of /proc/<pid>/stat (USER_HZ on Linux)

const SLEEPING_PAGE = '<!doctype html><title>sleeps</title><script>(function tick() { setTimeout(tick, 10); })();</script>';

function processes() {
  const table = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      table.set(Number(name), { parent: Number(fields[1]), cpu: Number(fields[11]) + Number(fields[12]) });
    } catch {
      // gone in between
    }
  }
  return table;
}

// CPU ticks of `root` and all its descendants, by pid.
function treeCpu(root) {
  const table = processes();
  const result = new Map();
  const visit = (pid) => {
    result.set(pid, table.get(pid).cpu);
    for (const [child, p] of table) if (p.parent === pid) visit(child);
  };
  if (table.has(root)) visit(root);
  return result;
}

// A finger down on the phone page, then moving in circles until the returned function lifts it.
async function dragInCircles(page) {
  const cdp = await page.context().newCDPSession(page);
  const point = (a) => [{ x: 195 + 120 * Math.cos(a), y: 500 + 120 * Math.sin(a) }];
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: point(0) });
  let angle = 0;
  let going = true;
  const loop = (async () => {
    while (going) {
      angle += 0.1;
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: point(angle) });
      await new Promise((done) => setTimeout(done, 16));
    }
  })();
  return async () => {
    going = false;
    await loop;
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  };
}

async function measure(name, open, pageOptions = { viewport: { width: 1024, height: 640 } }, during = null) {
  const server = await chromium.launchServer({
    executablePath, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic'],
  });
  const browser = await chromium.connect(server.wsEndpoint());
  try {
    const page = await browser.newPage(pageOptions);
    await open(page);
    await page.waitForTimeout(3000);
    const stop = during ? await during(page) : null;
    const pid = server.process().pid;
    const framesBefore = await page.evaluate(() => (window.Module && Module.mirrorsHost ? Module.mirrorsHost.frames : 0));
    const before = treeCpu(pid);
    const start = process.hrtime.bigint();
    await new Promise((done) => setTimeout(done, seconds * 1000));
    const after = treeCpu(pid);
    const elapsed = Number(process.hrtime.bigint() - start) / 1e9;
    const framesAfter = await page.evaluate(() => (window.Module && Module.mirrorsHost ? Module.mirrorsHost.frames : 0));
    if (stop) await stop();
    let ticks = 0;
    for (const [p, cpu] of after) ticks += cpu - (before.get(p) || 0);
    const cpu = (ticks / TICKS / elapsed) * 100;
    const fps = (framesAfter - framesBefore) / elapsed;
    return { name, cpu, fps, processes: after.size };
  } finally {
    await browser.close();
    await server.close();
  }
}

const site = await serve(web, 0);
const url = `http://127.0.0.1:${site.address().port}/`;
try {
  // The machine's other work comes and goes: the pages take turns, `--rounds` times, and the sums compare.
  const pages = [
    ['mirrors (web build, pointer away)', (p) => p.goto(url)],
    ['a page that sleeps 10 ms in a loop', (p) => p.setContent(SLEEPING_PAGE)],
    ['about:blank', (p) => p.goto('about:blank')],
    ['mirrors (phone, a finger dragging)', (p) => p.goto(url),
      { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, hasTouch: true, isMobile: true }, dragInCircles],
  ];
  const sums = pages.map(() => 0);
  console.log(`CPU of all Chromium processes over ${seconds} s, % of one core:`);
  for (let round = 0; round < rounds; ++round) {
    for (const [i, [name, open, pageOptions, during]] of pages.entries()) {
      const r = await measure(name, open, pageOptions, during);
      sums[i] += r.cpu;
      console.log(`  ${r.name.padEnd(38)} ${r.cpu.toFixed(1).padStart(5)} %  (${r.processes} processes)` +
        (r.fps ? `, ${r.fps.toFixed(1)} frames a second` : ''));
    }
  }
  console.log(`mirrors / sleeping page, all rounds: ${(sums[0] / sums[1]).toFixed(2)}`);
} finally {
  site.close();
}
