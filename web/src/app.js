// The page: a game against the engine (the player's colour, a time a move or
// a clock) or an analysis of any position, on a board moved by click or drag.
// chess.js holds the game: it checks the player's moves, gives SAN, the FEN,
// the PGN and the end of the game.  The engine, running in a Web Worker,
// decides its own moves from the UCI position it is sent.
import {Chess} from './vendor/chess.js/chess.js';
import {BORDER_TYPE, Chessboard, COLOR, INPUT_EVENT_TYPE} from './vendor/cm-chessboard/src/Chessboard.js';
import {MARKER_TYPE, Markers} from './vendor/cm-chessboard/src/extensions/markers/Markers.js';
import {PROMOTION_DIALOG_RESULT_TYPE, PromotionDialog} from
  './vendor/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';
import {Engine} from './engine.js';

const START_FEN = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1';
const LOG_LINES = 400;
const $ = (id) => document.getElementById(id);
const colourName = (c) => (c === 'w' ? 'White' : 'Black');

let game = new Chess();
let startFen = START_FEN;
let mode = 'play';
let player = 'w';
let timeControl = parseTimeControl($('time-control').value);
let result = null;  // the end of the game, once it has ended
let note = null;  // a message that stands in the status line until the next move
let engineReady = false;
// One entry for each "go" whose bestmove has not come yet, oldest first: the
// engine answers them in this order.  An entry is {kind: 'move' or
// 'analysis', fen, dropped, stopped, result}: a dropped one's answer is not
// used; an analysis is stopped by the Stop button, and its result is the
// info line that comes then.
const searches = [];
let clocks = null;  // {w, b}: milliseconds left, in a game on a clock
// Whether the player is typing a FEN into the position field, which then is
// not overwritten by the game's (the engine may move meanwhile).
let fenEdited = false;
let clockSince = 0;

const board = new Chessboard($('board'), {
  position: START_FEN,
  assetsUrl: 'vendor/cm-chessboard/assets/',
  style: {
    borderType: BORDER_TYPE.frame,
    pieces: {file: new URL('pieces.svg', location.href).href},
    animationDuration: 150,
  },
  extensions: [{class: Markers, props: {autoMarkers: MARKER_TYPE.frame}}, {class: PromotionDialog}],
});

function parseTimeControl(value) {
  const [kind, ms] = value.split(':');
  return {kind, ms: Number(ms)};
}

// --- the engine ---------------------------------------------------------

const engine = new Engine('engine/quintar_worker.js');
engine.onSend((line) => log('> ' + line));
engine.onLine((line) => {
  if (line === null) {
    setEngineState('failed', 'The engine has stopped.');
    return;
  }
  log(line);
  if (line.startsWith('info depth ')) {
    // An info line belongs to the oldest search; it is shown only when that
    // is also the newest, the one the page is waiting for.
    if (searches.length === 1 && !searches[0].dropped) showInfo(searches[0], parseInfo(line));
  } else if (line.startsWith('bestmove ')) {
    const search = searches.shift();
    if (search && !search.dropped) bestMove(search, line.split(' ')[1]);
  }
});

function setEngineState(state, text) {
  const element = $('engine-state');
  element.dataset.state = state;
  element.textContent = text;
}

async function startEngine() {
  if (!window.crossOriginIsolated) {
    setEngineState('failed',
        'This page is not cross-origin isolated, so the engine cannot run its threads: ' +
        'serve it with web/serve.mjs (or the same COOP/COEP headers).');
    return;
  }
  try {
    await engine.started;
    await engine.ask('uci', 'uciok');
    await engine.ask('isready', 'readyok');
  } catch (error) {
    setEngineState('failed', String(error.message || error));
    return;
  }
  engineReady = true;
  setEngineState('ready', 'Engine ready');
  update();
}

// "position startpos|fen FEN [moves ...]" for the game so far.
function positionCommand() {
  const moves = game.history({verbose: true}).map((m) => m.from + m.to + (m.promotion || ''));
  const base = startFen === START_FEN ? 'position startpos' : 'position fen ' + startFen;
  return moves.length ? `${base} moves ${moves.join(' ')}` : base;
}

function search(kind, go) {
  const entry = {kind, fen: game.fen(), dropped: false, stopped: false, result: null};
  searches.push(entry);
  engine.send(positionCommand());
  engine.send(go);
  return entry;
}

// Drops every search still running (its answer will be ignored) and stops
// the engine's.
function dropSearches() {
  if (searches.some((s) => !s.dropped)) engine.send('stop');
  for (const s of searches) s.dropped = true;
  showAnalysing(false);
}

const thinking = () => searches.some((s) => !s.dropped && s.kind === 'move');
const analysing = () => searches.some((s) => !s.dropped && s.kind === 'analysis');

function engineMove() {
  let go = `go movetime ${timeControl.ms}`;
  if (clocks) go = `go wtime ${Math.max(1, Math.round(clocks.w))} btime ${Math.max(1, Math.round(clocks.b))}`;
  search('move', go);
}

function bestMove(entry, move) {
  if (entry.kind === 'analysis') {
    showAnalysing(false);
    const best = $('analysis-best');
    const san = sanOf(entry.fen, move);
    const info = entry.result;
    best.textContent = !san ? 'No legal move.' : !info ? `Best move: ${san}` :
      `Best move: ${san} (depth ${info.depth}, ${scoreText(info, entry.fen)}, ` +
      `${info.nodes.toLocaleString('en')} nodes in ${(info.time / 1000).toFixed(2)} s)`;
    best.dataset.move = move;
    if (info) best.dataset.depth = info.depth;
    return;
  }
  // The engine's move, for the position it was asked about.
  if (mode !== 'play' || result || game.fen() !== entry.fen) return;
  if (!play({from: move.slice(0, 2), to: move.slice(2, 4), promotion: move[4]})) {
    note = `The engine answered ${move}, which is not legal here.`;
    update();
  }
}

function sanOf(fen, move) {
  try {
    return new Chess(fen).move({from: move.slice(0, 2), to: move.slice(2, 4), promotion: move[4]}).san;
  } catch {
    return null;
  }
}

// "info depth D score cp S|mate M nodes N time T nps X pv M"
function parseInfo(line) {
  const word = (name) => {
    const match = line.match(new RegExp(` ${name} (\\S+)`));
    return match ? match[1] : '';
  };
  const score = line.match(/ score (cp|mate) (-?\d+)/);
  return {
    depth: Number(word('depth')),
    kind: score ? score[1] : 'cp',
    value: score ? Number(score[2]) : 0,
    nodes: Number(word('nodes')),
    time: Number(word('time')),
    nps: Number(word('nps')),
    pv: (line.match(/ pv (.*)$/) || ['', ''])[1].trim(),
  };
}

// The engine's score is its own side's, the side to move; shown for White.
function scoreText(info, fen) {
  const sign = fen.split(' ')[1] === 'w' ? 1 : -1;
  const v = info.value * sign;
  if (info.kind === 'mate') return v > 0 ? `#${v}` : `#-${-v}`;
  return (v >= 0 ? '+' : '') + (v / 100).toFixed(2);
}

// An analysis line, newest on top, for each depth finished; once the
// analysis has been told to stop, the line that comes is its result, shown
// with the best move.  (A move's search prints its one line just before its
// move.)
function showInfo(entry, info) {
  if (entry.kind !== 'analysis') return;
  if (entry.stopped) {
    entry.result = info;
    return;
  }
  const row = document.createElement('tr');
  row.dataset.depth = info.depth;
  const cells = [info.depth, scoreText(info, entry.fen), sanOf(entry.fen, info.pv) || info.pv,
    info.nodes.toLocaleString('en'), `${(info.time / 1000).toFixed(2)} s`, info.nps.toLocaleString('en')];
  for (const text of cells) {
    const cell = document.createElement('td');
    cell.textContent = text;
    row.appendChild(cell);
  }
  $('analysis-lines').prepend(row);
}

function analyse() {
  dropSearches();
  $('analysis-lines').textContent = '';
  $('analysis-best').textContent = '';
  delete $('analysis-best').dataset.move;
  delete $('analysis-best').dataset.depth;
  if (game.isGameOver()) {
    $('analysis-best').textContent = 'The game has ended: nothing to analyse.';
    return;
  }
  search('analysis', 'go infinite');
  $('analysis-best').textContent = 'Analysing…';
  showAnalysing(true);
}

function showAnalysing(on) {
  $('analyse').disabled = on || !engineReady;
  $('stop').disabled = !on;
}

// --- the game -----------------------------------------------------------

// Plays a move on the game; returns it, or null when it is not legal.
function play(move) {
  let made;
  try {
    made = game.move(move);
  } catch {
    return null;
  }
  chargeClock(made.color);
  note = null;
  board.setPosition(game.fen(), true);
  update();
  return made;
}

function gameEnd() {
  if (game.isCheckmate()) return `Checkmate: ${colourName(game.turn() === 'w' ? 'b' : 'w')} wins`;
  if (game.isStalemate()) return 'Stalemate: draw';
  if (game.isInsufficientMaterial()) return 'Draw: insufficient material';
  if (game.isThreefoldRepetition()) return 'Draw: threefold repetition';
  if (game.isDrawByFiftyMoves()) return 'Draw: fifty-move rule';
  return null;
}

function pgnResult() {
  if (!result) return '*';
  if (result.startsWith('Checkmate')) return game.turn() === 'w' ? '0-1' : '1-0';
  if (result.includes('on time')) return result.startsWith('White') ? '0-1' : '1-0';
  return '1/2-1/2';
}

// Brings everything shown up to date and, in a game, lets the engine move
// when it is its turn.
function update() {
  if (!result && mode === 'play') result = gameEnd();
  if (result) stopClock();
  const turn = game.turn();
  let status;
  if (result) {
    status = result;
  } else if (mode === 'analyse') {
    status = gameEnd() || `${colourName(turn)} to move`;
  } else if (turn === player) {
    status = `Your move (${colourName(turn)})` + (game.inCheck() ? ': check' : '');
  } else {
    status = engineReady ? 'The engine is thinking…' : 'Waiting for the engine…';
  }
  $('status').textContent = note || status;
  $('status').dataset.result = result || '';
  $('status').classList.toggle('refused', Boolean(note));

  if (!fenEdited) $('fen').value = game.fen();
  showMoves();
  markLastMove();
  showClocks();
  showAnalysing(analysing());

  if (mode === 'play' && !result && engineReady && turn !== player && !thinking()) engineMove();
}

function showMoves() {
  const list = $('moves');
  list.textContent = '';
  const history = game.history({verbose: true});
  const blackFirst = startFen.split(' ')[1] === 'b';
  const firstNumber = Number(startFen.split(' ')[5]) || 1;
  let item = null;
  history.forEach((move, i) => {
    const ply = i + (blackFirst ? 1 : 0);
    if (!item || ply % 2 === 0) {
      item = document.createElement('li');
      item.value = firstNumber + Math.floor(ply / 2);
      if (ply % 2 === 1) item.append('… ');
      list.appendChild(item);
    }
    const span = document.createElement('span');
    span.className = 'move';
    span.textContent = move.san;
    item.append(span, ' ');
  });
  game.setHeader('White', mode === 'play' && player === 'b' ? 'Quintar C-Engine' : 'Player');
  game.setHeader('Black', mode === 'play' && player === 'w' ? 'Quintar C-Engine' : 'Player');
  game.setHeader('Result', pgnResult());
  $('pgn').textContent = game.pgn();
}

function markLastMove() {
  board.removeMarkers(MARKER_TYPE.square);
  const last = game.history({verbose: true}).at(-1);
  if (last) {
    board.addMarker(MARKER_TYPE.square, last.from);
    board.addMarker(MARKER_TYPE.square, last.to);
  }
}

// A new game from fen (the start position by default), or an analysis of it.
function newGame(fen = START_FEN) {
  dropSearches();
  game = new Chess(fen);
  startFen = fen;
  result = null;
  note = null;
  $('analysis-lines').textContent = '';
  $('analysis-best').textContent = '';
  if (engineReady) engine.send('ucinewgame');
  resetClock();
  board.setPosition(game.fen(), false);
  update();
}

// --- the clock ----------------------------------------------------------

function resetClock() {
  clocks = mode === 'play' && timeControl.kind === 'clock' ? {w: timeControl.ms, b: timeControl.ms} : null;
  clockSince = performance.now();
}

// The mover's clock pays for the time since the last move.
function chargeClock(mover) {
  const now = performance.now();
  if (clocks) clocks[mover] -= now - clockSince;
  clockSince = now;
}

function stopClock() {
  if (clocks && !clocks.stopped) {
    chargeClock(game.turn());
    clocks.stopped = true;
  }
}

function showClocks() {
  const top = $('clock-top');
  const bottom = $('clock-bottom');
  top.hidden = bottom.hidden = !clocks;
  if (!clocks) return;
  const running = !clocks.stopped && !result;
  const left = (c) => Math.max(0, clocks[c] - (running && game.turn() === c ? performance.now() - clockSince : 0));
  const text = (c) => {
    const s = Math.ceil(left(c) / 1000);
    return `${colourName(c)} ${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}`;
  };
  const below = board.getOrientation() === COLOR.white ? 'w' : 'b';
  const above = below === 'w' ? 'b' : 'w';
  top.textContent = text(above);
  bottom.textContent = text(below);
  top.classList.toggle('running', running && game.turn() === above);
  bottom.classList.toggle('running', running && game.turn() === below);
  if (running && left(game.turn()) <= 0) {
    chargeClock(game.turn());
    result = `${colourName(game.turn())} lost on time`;
    dropSearches();
    update();
  }
}

setInterval(showClocks, 200);

// --- the player's moves on the board --------------------------------------

function inputAllowed() {
  if (!engineReady || result) return false;
  return mode === 'analyse' || (game.turn() === player && !thinking());
}

function refuse(from, to) {
  note = `Illegal move: ${from}${to}`;
  $('status').dataset.refused = `${from}${to}`;
  update();
}

board.enableMoveInput((event) => {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted:
      return inputAllowed() && Boolean(event.piece) && event.piece[0] === game.turn();
    case INPUT_EVENT_TYPE.validateMoveInput: {
      const {squareFrom: from, squareTo: to} = event;
      const legal = game.moves({square: from, verbose: true}).filter((m) => m.to === to);
      if (legal.length === 0) {
        // A click on another piece of one's own only changes the selection.
        const target = game.get(to);
        if (!target || target.color !== game.turn()) refuse(from, to);
        return false;
      }
      if (legal[0].promotion) {
        board.showPromotionDialog(to, game.turn(), (choice) => {
          if (choice && choice.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected)
            playerMove({from, to, promotion: choice.piece[1]});
          else
            board.setPosition(game.fen(), true);
        });
        return true;
      }
      // Played once the board has finished its own move of the piece.
      setTimeout(() => playerMove({from, to}));
      return true;
    }
    default:
      return undefined;
  }
});

function playerMove(move) {
  if (!play(move)) return;
  if (mode === 'analyse' && analysing()) analyse();
}

// --- the controls -------------------------------------------------------

$('new-game').addEventListener('click', () => {
  if (mode === 'play') board.setOrientation(player === 'w' ? COLOR.white : COLOR.black);
  newGame();
});

$('flip').addEventListener('click', () => {
  board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white);
  showClocks();
});

for (const radio of document.querySelectorAll('input[name=mode]')) {
  radio.addEventListener('change', () => {
    if (!radio.checked) return;
    dropSearches();
    mode = radio.value;
    $('play-panel').hidden = mode !== 'play';
    $('analysis-panel').hidden = mode !== 'analyse';
    // A finished game can be analysed; a game goes on from the position.
    result = null;
    resetClock();
    update();
  });
}

$('player-color').addEventListener('change', (event) => {
  dropSearches();
  player = event.target.value;
  board.setOrientation(player === 'w' ? COLOR.white : COLOR.black);
  update();
});

$('time-control').addEventListener('change', (event) => {
  timeControl = parseTimeControl(event.target.value);
  resetClock();
  update();
});

$('analyse').addEventListener('click', analyse);
$('stop').addEventListener('click', () => {
  const entry = searches.find((s) => !s.dropped && s.kind === 'analysis');
  if (!entry || entry.stopped) return;
  entry.stopped = true;
  engine.send('stop');
});

$('fen-form').addEventListener('submit', (event) => {
  event.preventDefault();
  const fen = $('fen').value.trim();
  try {
    new Chess(fen);
  } catch (error) {
    $('fen-error').textContent = `Not a position: ${error.message}`;
    return;
  }
  $('fen-error').textContent = '';
  fenEdited = false;
  newGame(fen);
});

$('fen').addEventListener('input', () => {
  fenEdited = true;
});

// Escape gives the field back to the game.
$('fen').addEventListener('keydown', (event) => {
  if (event.key !== 'Escape') return;
  fenEdited = false;
  $('fen-error').textContent = '';
  update();
});

$('console-form').addEventListener('submit', (event) => {
  event.preventDefault();
  const line = $('console-line').value;
  if (line) engine.send(line);
  $('console-line').value = '';
});

function log(line) {
  const element = $('engine-log');
  const lines = (element.textContent + line + '\n').split('\n');
  element.textContent = lines.slice(Math.max(0, lines.length - LOG_LINES - 1)).join('\n');
}

update();
startEngine();
