// The page in Debian's chromium, headless, driven by playwright-core, served
// by serve.mjs on 127.0.0.1 (node --test web/test/).  Every wait is on an
// event of the page, with generous bounds, so a slow or busy machine only
// makes the tests take longer.  Each test keeps a screenshot of its end.
// Environment: QUIN_WEB_SITE (the assembled page), QUIN_WEB_ARTEFACTS (the
// screenshots), QUINTAR_REFERENCE (the x86-64 program the worker's UCI
// answers must equal), CHROMIUM (the browser).
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import {after, before, test} from 'node:test';
import {fileURLToPath} from 'node:url';

import {Chess} from 'chess.js';
import {chromium} from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const top = path.join(here, '..', '..');
const site = process.env.QUIN_WEB_SITE || path.join(top, 'build-web', 'site');
const artefacts = process.env.QUIN_WEB_ARTEFACTS || path.join(top, 'build-web', 'screenshots');
const START_FEN = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1';
// A king and queen against a king, White to move: the engine mates in a few
// moves whatever Black plays.
const QUEEN_ENDING = '8/8/8/8/8/2k5/8/K6Q w - - 0 1';
const WAIT = 60_000;
const reference = process.env.QUINTAR_REFERENCE || path.join(top, 'build-web', 'host-x86-64', 'quintar');

// A UCI session whose answers depend on nothing but the engine: after each
// "go" the next line waits for its bestmove.
const SESSION = [
  'uci', 'isready', 'stop', 'setoption name Hash value 0', 'position startpos moves e2e4 e7e5',
  'go depth 4', 'setoption name Hash value 1', 'ucinewgame',
  'position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1', 'go depth 3',
  'position startpos moves e2e5', 'position startpos ', 'position fen 8/8/8 w - - 0 1', 'go depth 2',
  'position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1', 'go depth 3',
  'position fen 8/8/8/4k3/8/8/8/4KQ2 w - - 0 1 moves f1f4', 'go depth 5', 'position startpos',
  'go depth 3', 'go depth 2',
  // A line longer than the session's buffer comes in pieces, each handled
  // as a line: here the second is a command.
  'x'.repeat(16383) + 'isready', 'quit',
];
// One that ends with the end of its input instead of "quit".
const SESSION_TO_END = ['isready', 'position startpos moves d2d4', 'go depth 3'];
// The fields of an info line that tell the machine's speed.
const masked = (line) => line.replace(/ time \d+/, '').replace(/ nps \d+/, '');

let server;
let origin;
let browser;  // the browser's one context, on a fresh profile
let profile;

before(async () => {
  fs.mkdirSync(artefacts, {recursive: true});
  server = spawn(process.execPath, [path.join(here, '..', 'serve.mjs'), '--root', site, '--port', '0'],
      {stdio: ['ignore', 'pipe', 'inherit']});
  origin = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const match = text.match(/ at (http:\/\/127\.0\.0\.1:\d+)\//);
      if (match) resolve(match[1]);
    });
    server.on('exit', (code) => reject(new Error(`serve.mjs ended with status ${code}`)));
  });
  profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quintar-chromium-'));
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: {width: 1100, height: 860},
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.kill();
  if (profile) fs.rmSync(profile, {recursive: true, force: true});
});

// A fresh page with the engine started; page errors fail the test.
async function openPage(t) {
  const page = await browser.newPage();
  const errors = [];
  const elsewhere = [];
  page.on('pageerror', (error) => errors.push(error.message));
  // The page loads everything from its own server.
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) elsewhere.push(url);
  });
  t.after(async () => {
    await page.close();
    assert.deepEqual(errors, [], 'errors in the page');
    assert.deepEqual(elsewhere, [], 'requests to elsewhere');
  });
  // Every wait of the tests below has the same generous bound.
  page.setDefaultTimeout(WAIT);
  await page.goto(origin + '/');
  await page.waitForSelector('#engine-state[data-state=ready]');
  return page;
}

// The x86-64 program's answers to the session's lines, masked, and its exit
// status; its input ends after the last line.
async function referenceSession(session) {
  const engine = spawn(reference, [], {stdio: ['pipe', 'pipe', 'inherit']});
  const lines = [];
  let waiting = null;
  readline.createInterface({input: engine.stdout}).on('line', (line) => {
    lines.push(masked(line));
    if (waiting && line.startsWith('bestmove ')) waiting();
  });
  // Its status once its output has been read to the end.
  const ended = new Promise((resolve) => engine.on('close', resolve));
  for (const command of session) {
    const answered = command.startsWith('go ') ? new Promise((resolve) => (waiting = resolve)) : null;
    engine.stdin.write(command + '\n');
    if (answered) await answered;
  }
  engine.stdin.end();
  return {lines, status: await ended};
}

// The same session with a worker of the page's own, in the browser; the
// page closes its input after the last line.
function workerSession(page, session) {
  return page.evaluate(async (session) => {
    const worker = new Worker('engine/quintar_worker.js');
    const lines = [];
    let waiting = null;
    let ended;
    const exit = new Promise((resolve) => (ended = resolve));
    worker.onmessage = (event) => {
      if ('line' in event.data) {
        lines.push(event.data.line.replace(/ time \d+/, '').replace(/ nps \d+/, ''));
        if (waiting && event.data.line.startsWith('bestmove ')) waiting();
      } else if ('exit' in event.data) {
        ended(event.data.exit);
      }
    };
    for (const command of session) {
      const answered = command.startsWith('go ') ? new Promise((resolve) => (waiting = resolve)) : null;
      worker.postMessage(command);
      if (answered) await answered;
    }
    if (session.at(-1) !== 'quit') worker.postMessage({close: true});
    const status = await exit;
    worker.terminate();
    return {lines, status};
  }, session);
}

async function shot(page, name) {
  await boardSettled(page);
  await page.screenshot({path: path.join(artefacts, name)});
}

// A move made on the board by two clicks, or by a drag when drag is set.
async function playMove(page, from, to, drag = false) {
  const [a, b] = await Promise.all([from, to].map(async (square) => {
    const box = await page.locator(`#board rect[data-square="${square}"]`).boundingBox();
    return {x: box.x + box.width / 2, y: box.y + box.height / 2};
  }));
  if (!drag) return page.mouse.click(a.x, a.y).then(() => page.mouse.click(b.x, b.y));
  await page.mouse.move(a.x, a.y);
  await page.mouse.down();
  await page.mouse.move(b.x, b.y, {steps: 10});
  await page.mouse.up();
}

const fenOf = (page) => page.inputValue('#fen');
const moveList = (page) => page.$$eval('#moves .move', (moves) => moves.map((m) => m.textContent));
const engineLog = (page) => page.textContent('#engine-log');

// Waits until the pieces drawn on the board stand as the FEN field says, one
// to a square, none of them fading in or out.
async function boardSettled(page) {
  await page.waitForFunction(() => {
    const at = {};
    const drawn = document.querySelectorAll('#board g.pieces g[data-piece][data-square]');
    for (const g of drawn) {
      if (g.style.opacity !== '' && g.style.opacity !== '1') return false;
      if (at[g.dataset.square]) return false;
      at[g.dataset.square] = g.dataset.piece;
    }
    // The placement as FEN writes it: a "1" for each empty square, then
    // each run of them as its length.
    const letter = (piece = 'w1') => (piece[0] === 'w' ? piece[1].toUpperCase() : piece[1]);
    const rows = [8, 7, 6, 5, 4, 3, 2, 1].map((rank) => [...'abcdefgh'].map((file) => letter(at[file + rank])));
    const placement = rows.map((row) => row.join('')).join('/').replace(/1+/g, (run) => run.length);
    return placement === document.getElementById('fen').value.split(' ')[0];
  });
}

// Waits until the move list holds n moves.
async function movesMade(page, n) {
  await page.waitForFunction((count) => document.querySelectorAll('#moves .move').length === count, n);
}

async function setUp(page, fen) {
  await page.fill('#fen', fen);
  await page.click('#set-fen');
}

test('the page loads and the worker answers uci and isready', async (t) => {
  const page = await openPage(t);
  assert.equal(await page.evaluate(() => window.crossOriginIsolated), true);
  const log = await engineLog(page);
  assert.match(log, /^> uci\nid name Quintar Engine 1\.0 Beta 1 - ZevivEzezoz Test\nid author Quintar project\n/m);
  assert.match(log, /\nuciok\n> isready\nreadyok\n/);
  // The same again through the page's UCI console.
  await page.click('#console summary');
  for (const [line, reply] of [['uci', 'uciok'], ['isready', 'readyok']]) {
    await page.fill('#console-line', line);
    await page.press('#console-line', 'Enter');
    await page.waitForFunction((r) => document.getElementById('engine-log').textContent
        .split('\n').filter((l) => l === r).length === 2, reply);
  }
  assert.equal(await page.textContent('#status'), 'Your move (White)');
  await shot(page, 'loaded.png');
});

test('the worker answers a UCI session as the x86-64 program does', async (t) => {
  assert.ok(fs.existsSync(reference), `no reference program ${reference}`);
  const page = await openPage(t);
  const expected = await referenceSession(SESSION);
  // The session reaches the error replies, the null move and both isready.
  assert.deepEqual([expected.status, expected.lines.includes('info string invalid move in position'),
    expected.lines.includes('bestmove 0000'), expected.lines.filter((line) => line === 'readyok').length],
  [0, true, true, 2]);
  assert.deepEqual(await workerSession(page, SESSION), expected);
  const ending = await referenceSession(SESSION_TO_END);
  assert.equal(ending.lines.at(-1).slice(0, 9), 'bestmove ');
  assert.deepEqual(await workerSession(page, SESSION_TO_END), ending);
});

test('the player plays e2e4 on the board and a legal Black reply appears on it', async (t) => {
  const page = await openPage(t);
  await page.selectOption('#time-control', 'move:200');
  await playMove(page, 'e2', 'e4', true);
  await movesMade(page, 2);
  const [white, black] = await moveList(page);
  assert.equal(white, 'e4');
  const game = new Chess();
  game.move('e4');
  game.move(black);  // throws if the reply is not legal
  assert.equal(await fenOf(page), game.fen());
  assert.match(await engineLog(page), /\n> position startpos moves e2e4\n> go movetime 200\n/);
  assert.equal(await page.textContent('#status'), 'Your move (White)');
  await shot(page, 'e2e4-and-reply.png');
});

test('an illegal move is refused on the board', async (t) => {
  const page = await openPage(t);
  for (const [from, to, drag] of [['e2', 'e5'], ['g1', 'g3', true], ['d1', 'h5']]) {
    await playMove(page, from, to, drag);
    await page.waitForSelector(`#status[data-refused=${from}${to}]`);
    assert.equal(await page.textContent('#status'), `Illegal move: ${from}${to}`);
    assert.equal(await fenOf(page), START_FEN);
    assert.deepEqual(await moveList(page), []);
    await boardSettled(page);
  }
  assert.doesNotMatch(await engineLog(page), /> go /);
  await shot(page, 'illegal-move-refused.png');
});

test('a pawn promotes to the piece chosen in the board\'s dialog', async (t) => {
  const page = await openPage(t);
  await setUp(page, '8/P7/8/8/8/8/k7/4K3 w - - 0 1');
  await boardSettled(page);
  await playMove(page, 'a7', 'a8');
  const knight = page.locator('.promotion-dialog-group g[role=button][data-piece="wn"]');
  await knight.waitFor();
  // The dialog fades in.
  await page.waitForFunction(() => document.getAnimations().every((a) => a.playState === 'finished'));
  await page.screenshot({path: path.join(artefacts, 'promotion-dialog.png')});
  await knight.click();
  await movesMade(page, 1);
  assert.deepEqual(await moveList(page), ['a8=N']);
  assert.equal(await fenOf(page), 'N7/8/8/8/8/8/k7/4K3 b - - 0 1');
  // A knight alone cannot mate: the game ends there.
  assert.equal(await page.getAttribute('#status', 'data-result'), 'Draw: insufficient material');
  await shot(page, 'promoted.png');
});

test('analysis shows depth lines from depth 1 upward and stops when Stop is pressed', async (t) => {
  const page = await openPage(t);
  await page.check('input[name=mode][value=analyse]');
  await page.click('#analyse');
  await page.waitForSelector('#analysis-lines tr[data-depth="4"]');
  assert.equal(await page.isDisabled('#stop'), false);
  await shot(page, 'analysis-running.png');
  await page.click('#stop');
  await page.waitForSelector('#analysis-best[data-move]');
  const depths = await page.$$eval('#analysis-lines tr', (rows) => rows.map((r) => Number(r.dataset.depth)));
  depths.reverse();  // newest on top
  // One line for each finished depth from 1; the result after the stop is
  // that of the deepest finished one (a depth may have finished as the stop
  // went out).
  assert.deepEqual(depths, depths.map((_, i) => i + 1));
  assert.ok(depths.length >= 4);
  assert.ok(Number(await page.getAttribute('#analysis-best', 'data-depth')) >= depths.at(-1));
  const best = await page.getAttribute('#analysis-best', 'data-move');
  assert.ok(new Chess().moves({verbose: true}).some((m) => m.from + m.to === best), best);
  assert.equal(await page.isDisabled('#stop'), true);
  assert.equal(await page.isDisabled('#analyse'), false);
  assert.match(await engineLog(page), /\n> position startpos\n> go infinite\n(info depth .*\n)+> stop\n(info depth .*\n)*bestmove /);
  await shot(page, 'analysis-stopped.png');
});

test('a game against the engine runs to its end', async (t) => {
  const page = await openPage(t);
  await page.selectOption('#time-control', 'move:500');
  await setUp(page, QUEEN_ENDING);
  await page.selectOption('#player-color', 'b');
  // The engine has White; Black's moves are the first legal ones, played by
  // click on the board.
  for (let moves = 0; moves < 40; ++moves) {
    await page.waitForFunction(() => {
      const status = document.getElementById('status');
      return status.dataset.result || status.textContent.startsWith('Your move');
    });
    if (await page.getAttribute('#status', 'data-result')) break;
    await boardSettled(page);
    const game = new Chess(await fenOf(page));
    const move = game.moves({verbose: true})[0];
    await playMove(page, move.from, move.to);
    await page.waitForFunction((fen) => document.getElementById('fen').value !== fen, game.fen());
  }
  assert.equal(await page.getAttribute('#status', 'data-result'), 'Checkmate: White wins');
  const game = new Chess(QUEEN_ENDING);
  for (const san of await moveList(page)) game.move(san);
  assert.ok(game.isCheckmate());
  assert.equal(await fenOf(page), game.fen());
  assert.match(await page.textContent('#pgn'), /1-0$/);
  await shot(page, 'game-over.png');
});

test('on a clock the engine is sent both times and the clocks run', async (t) => {
  const page = await openPage(t);
  await page.selectOption('#time-control', 'clock:60000');
  await page.selectOption('#player-color', 'b');
  // The engine (White) moves first, thinking a thirtieth of its minute.
  await movesMade(page, 1);
  assert.match(await engineLog(page), /\n> go wtime \d+ btime 60000\n/);
  assert.equal(await page.isVisible('#clock-top'), true);
  assert.match(await page.textContent('#clock-top'), /^White (0:[0-5]\d|1:00)$/);
  // Black's clock, below, runs now: its seconds go down.
  await page.waitForSelector('#clock-bottom.running');
  const black = await page.textContent('#clock-bottom');
  assert.match(black, /^Black (0:[0-5]\d|1:00)$/);
  await page.waitForFunction((shown) => document.getElementById('clock-bottom').textContent !== shown, black);
  await shot(page, 'clock.png');
});

test('set-up from a FEN, flip the board and a new game', async (t) => {
  const page = await openPage(t);
  await page.check('input[name=mode][value=analyse]');
  await setUp(page, 'not a fen');
  assert.match(await page.textContent('#fen-error'), /^Not a position/);
  const fen = 'r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3';
  await setUp(page, fen);
  assert.equal(await page.textContent('#fen-error'), '');
  assert.equal(await fenOf(page), fen);
  await boardSettled(page);
  await playMove(page, 'f1', 'b5', true);
  await movesMade(page, 1);
  assert.deepEqual(await moveList(page), ['Bb5']);
  assert.equal(await page.getAttribute('#moves li', 'value'), '3');
  // The engine analyses the position set up and the move made on it.
  await page.click('#analyse');
  await page.waitForSelector('#analysis-lines tr[data-depth="5"]');
  assert.ok((await engineLog(page)).includes(`\n> position fen ${fen} moves f1b5\n> go infinite\n`));
  await shot(page, 'analysis-of-a-set-up-position.png');
  await page.click('#stop');
  await page.waitForSelector('#analysis-best[data-move]');
  await page.click('#flip');
  // Black at the bottom: a8 below and right of h1.
  await page.waitForFunction(() => {
    const at = (square) => document.querySelector(`#board rect[data-square="${square}"]`).getBoundingClientRect();
    return at('a8').x > at('h1').x && at('a8').y > at('h1').y;
  });
  await shot(page, 'flipped.png');
  await page.click('#new-game');
  assert.equal(await fenOf(page), START_FEN);
  assert.deepEqual(await moveList(page), []);
  await boardSettled(page);
});
