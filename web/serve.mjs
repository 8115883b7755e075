#!/usr/bin/env node
// Serves the assembled page on 127.0.0.1 only, with the two headers that make
// it cross-origin isolated (Cross-Origin-Opener-Policy and
// Cross-Origin-Embedder-Policy).  Without them a browser gives the page no
// SharedArrayBuffer, and so no WebAssembly threads: the engine's session
// could not block on its input queue nor search on a thread of its own.
//
//   node web/serve.mjs [--root DIR] [--port N]
//
// DIR defaults to build-web/site beside web/; N to 8038, 0 takes any free
// port.  Prints "serving DIR at http://127.0.0.1:PORT/" once it listens.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at > 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const root = path.resolve(option('--root', path.join(here, '..', 'build-web', 'site')));
const port = Number(option('--port', '8038'));

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
  '.txt': 'text/plain; charset=utf-8',
};

const isolation = {
  'Cross-Origin-Opener-Policy': 'same-origin',
  'Cross-Origin-Embedder-Policy': 'require-corp',
  'Cross-Origin-Resource-Policy': 'same-origin',
  'X-Content-Type-Options': 'nosniff',
  'Cache-Control': 'no-cache',
};

function answer(response, status, headers, body) {
  response.writeHead(status, {...isolation, ...headers});
  response.end(body);
}

// The file a request path names inside root, or null for anything outside
// it or not a file (index.html stands for a folder).
function fileFor(urlPath) {
  let name;
  try {
    name = decodeURIComponent(urlPath.split('?')[0]);
  } catch {
    return null;
  }
  const file = path.join(root, path.normalize('/' + name));
  if (file !== root && !file.startsWith(root + path.sep)) return null;
  try {
    const stat = fs.statSync(file);
    if (stat.isDirectory()) return fileFor(path.posix.join(name, 'index.html'));
    return stat.isFile() ? file : null;
  } catch {
    return null;
  }
}

const server = http.createServer((request, response) => {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    answer(response, 405, {'Allow': 'GET, HEAD'}, 'method not allowed\n');
    return;
  }
  const file = fileFor(request.url || '/');
  if (!file) {
    answer(response, 404, {'Content-Type': 'text/plain; charset=utf-8'}, 'not found\n');
    return;
  }
  const type = types[path.extname(file)] || 'application/octet-stream';
  const body = request.method === 'HEAD' ? undefined : fs.readFileSync(file);
  answer(response, 200, {'Content-Type': type}, body);
});

server.listen(port, '127.0.0.1', () => {
  console.log(`serving ${root} at http://127.0.0.1:${server.address().port}/`);
});
