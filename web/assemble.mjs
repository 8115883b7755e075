#!/usr/bin/env node
// Assembles the page in one folder that any static server can serve (with
// the headers of serve.mjs): the page's own files from web/src, the engine
// built by cmake/web.cmake, and the pinned libraries from web/node_modules
// (npm ci), each with its licence.  Nothing is loaded from elsewhere, so the
// page works without a network.
//
//   node web/assemble.mjs [--engine DIR] [--out DIR]
//
// --engine: the emscripten build tree (default build-web/wasm); --out: the
// folder to fill (default build-web/site), emptied first.
import fs from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const top = path.join(here, '..');

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at > 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const engine = path.resolve(option('--engine', path.join(top, 'build-web', 'wasm')));
const out = path.resolve(option('--out', path.join(top, 'build-web', 'site')));
const modules = path.join(here, 'node_modules');

function copy(from, to) {
  if (!fs.existsSync(from)) {
    console.error(`assemble.mjs: missing ${from}`);
    process.exit(2);
  }
  fs.mkdirSync(path.dirname(to), {recursive: true});
  fs.cpSync(from, to, {recursive: true});
}

fs.rmSync(out, {recursive: true, force: true});
fs.mkdirSync(out, {recursive: true});

for (const name of fs.readdirSync(path.join(here, 'src')))
  copy(path.join(here, 'src', name), path.join(out, name));

// The engine: the worker that runs the session, the loader, its module and
// the loader of its threads.
for (const name of ['quintar_worker.js', 'quintar-web.js', 'quintar-web.wasm', 'quintar-web.worker.js'])
  copy(path.join(engine, name), path.join(out, 'engine', name));

// chess.js: the page's move rules, SAN and PGN (one ES module).
copy(path.join(modules, 'chess.js', 'dist', 'esm', 'chess.js'), path.join(out, 'vendor', 'chess.js', 'chess.js'));
copy(path.join(modules, 'chess.js', 'LICENSE'), path.join(out, 'vendor', 'chess.js', 'LICENSE'));

// cm-chessboard: the board, its style sheet and the markers' and promotion
// dialog's assets.  Its piece sprites stay out: the page draws its own.
const board = path.join(modules, 'cm-chessboard');
const boardOut = path.join(out, 'vendor', 'cm-chessboard');
copy(path.join(board, 'src'), path.join(boardOut, 'src'));
copy(path.join(board, 'assets', 'chessboard.css'), path.join(boardOut, 'assets', 'chessboard.css'));
copy(path.join(board, 'assets', 'extensions'), path.join(boardOut, 'assets', 'extensions'));
copy(path.join(board, 'LICENSE'), path.join(boardOut, 'LICENSE'));

const versions = ['chess.js', 'cm-chessboard'].map((name) => {
  const manifest = JSON.parse(fs.readFileSync(path.join(modules, name, 'package.json'), 'utf8'));
  return `${name} ${manifest.version} (${manifest.license})`;
});
fs.writeFileSync(path.join(out, 'vendor', 'VERSIONS.txt'), versions.join('\n') + '\n');
console.log(`page assembled in ${out}: ${versions.join(', ')}`);
