// The engine in its Web Worker (engine/quintar_worker.js), spoken to in UCI
// lines: send() posts one line, every line the engine prints goes to the
// listeners in the order printed.
export class Engine {
  constructor(workerUrl) {
    this.listeners = [];
    this.sent = [];
    this.started = new Promise((resolve, reject) => {
      this.markStarted = resolve;
      this.markFailed = reject;
    });
    this.worker = new Worker(workerUrl);
    this.worker.onmessage = (event) => this.receive(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.markFailed(new Error(event.message || 'the engine could not start'));
    };
  }

  receive(data) {
    if (data.ready) {
      this.markStarted();
    } else if ('line' in data) {
      for (const listener of this.listeners) listener(data.line);
    } else if ('error' in data) {
      console.warn('engine:', data.error);
    } else if ('exit' in data) {
      this.markFailed(new Error(`the engine ended with status ${data.exit}`));
      for (const listener of this.listeners) listener(null);
    }
  }

  // Called with each line the engine prints, and with null if it ends.
  onLine(listener) {
    this.listeners.push(listener);
  }

  send(line) {
    for (const watcher of this.sent) watcher(line);
    this.worker.postMessage(line);
  }

  // Called with each line sent.
  onSend(watcher) {
    this.sent.push(watcher);
  }

  // Sends line and resolves with the first line printed after it that
  // equals reply.
  ask(line, reply) {
    return new Promise((resolve) => {
      const listener = (text) => {
        if (text !== reply) return;
        this.listeners.splice(this.listeners.indexOf(listener), 1);
        resolve(text);
      };
      this.onLine(listener);
      this.send(line);
    });
  }
}
