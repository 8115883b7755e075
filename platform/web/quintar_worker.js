// The Web Worker that runs the engine for the page.  The page posts UCI
// command lines to it as strings; it posts back every line the engine
// writes, as {line: TEXT} for standard output and {error: TEXT} for standard
// error, {ready: true} once the engine has started and {exit: STATUS} when
// the session has ended.  A post of {close: true} ends the session's input.
//
// The engine's main() runs on a thread of its own (the build proxies it to
// a pthread), so this worker's thread only moves text: it hands each
// message to the engine's input queue and prints the lines the engine's
// threads write, while a search runs.
'use strict';

const waiting = [];  // messages that came before the engine was ready
let engineReady = false;

function deliver(message) {
  if (typeof message === 'string') {
    const text = message.endsWith('\n') ? message : message + '\n';
    const bytes = Module.lengthBytesUTF8(text) + 1;
    const at = Module._malloc(bytes);
    Module.stringToUTF8(text, at, bytes);
    Module._quintar_web_input(at);
    Module._free(at);
  } else if (message && message.close) {
    Module._quintar_web_input_end();
  }
}

var Module = {
  // The engine's threads load the engine script itself, not this one.
  mainScriptUrlOrBlob: 'quintar-web.js',
  print: (text) => postMessage({line: text}),
  printErr: (text) => postMessage({error: text}),
  onRuntimeInitialized: () => {
    engineReady = true;
    postMessage({ready: true});
    while (waiting.length > 0) deliver(waiting.shift());
  },
  onExit: (status) => postMessage({exit: status}),
};

self.onmessage = (event) => {
  if (engineReady)
    deliver(event.data);
  else
    waiting.push(event.data);
};

importScripts('quintar-web.js');
