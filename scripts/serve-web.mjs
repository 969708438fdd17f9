#!/usr/bin/env node
// Serves a folder (the web build, build-web/) on 127.0.0.1: the plainest static server, with the content
// type that browsers insist on for WebAssembly.
//   node scripts/serve-web.mjs DIR [PORT]    (PORT 0: any free port)
// Also imported by the web proof and the benchmark: serve(dir, port) resolves to the running server.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
};

export function serve(dir, port = 0) {
  const root = resolve(dir);
  const server = createServer(async (request, response) => {
    let path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    if (path.endsWith('/')) {
      path += 'index.html';
    }
    const file = normalize(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => done(server));
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [dir, port = '8080'] = process.argv.slice(2);
  if (!dir) {
    console.error('usage: serve-web.mjs DIR [PORT]');
    process.exit(2);
  }
  try {
    const server = await serve(dir, Number(port));
    console.log(`mirrors in your browser: http://127.0.0.1:${server.address().port}/  (Ctrl+C stops the server)`);
  } catch (error) {
    console.error(`serve-web: cannot serve on 127.0.0.1:${port}: ${error.message}`);
    process.exit(1);
  }
}
