#!/usr/bin/env node
// Idle cost of the web build: CPU time of all Chromium processes (browser, renderer, GPU and utility
// processes together) while the page shows mirrors with the pointer away, against the same browser showing a
// page that only sleeps 10 ms in a loop and one showing about:blank, one after the other in one run. Each
// page gets a fresh headless Chromium, 3 s to settle, then `--seconds` (10) of measurement; mirrors' frames a
// second are counted over the same time.
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

async function measure(name, open) {
  const server = await chromium.launchServer({
    executablePath, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic'],
  });
  const browser = await chromium.connect(server.wsEndpoint());
  try {
    const page = await browser.newPage({ viewport: { width: 1024, height: 640 } });
    await open(page);
    await page.waitForTimeout(3000);
    const pid = server.process().pid;
    const framesBefore = await page.evaluate(() => (window.Module && Module.mirrorsHost ? Module.mirrorsHost.frames : 0));
    const before = treeCpu(pid);
    const start = process.hrtime.bigint();
    await new Promise((done) => setTimeout(done, seconds * 1000));
    const after = treeCpu(pid);
    const elapsed = Number(process.hrtime.bigint() - start) / 1e9;
    const framesAfter = await page.evaluate(() => (window.Module && Module.mirrorsHost ? Module.mirrorsHost.frames : 0));
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
  ];
  const sums = pages.map(() => 0);
  console.log(`CPU of all Chromium processes over ${seconds} s, % of one core:`);
  for (let round = 0; round < rounds; ++round) {
    for (const [i, [name, open]] of pages.entries()) {
      const r = await measure(name, open);
      sums[i] += r.cpu;
      console.log(`  ${r.name.padEnd(38)} ${r.cpu.toFixed(1).padStart(5)} %  (${r.processes} processes)` +
        (r.fps ? `, ${r.fps.toFixed(1)} frames a second` : ''));
    }
  }
  console.log(`mirrors / sleeping page, all rounds: ${(sums[0] / sums[1]).toFixed(2)}`);
} finally {
  site.close();
}
