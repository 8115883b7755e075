// The node build's start: node 20 has a fetch of its own, with which the
// loader would try to fetch the WebAssembly file by its path and fail; the
// module is handed its bytes from the file beside this script instead.
if (typeof process == 'object' && !Module['ENVIRONMENT_IS_PTHREAD'] && !Module['wasmBinary']) {
  Module['wasmBinary'] = require('fs').readFileSync(
      require('path').join(__dirname, require('path').basename(__filename, '.js') + '.wasm'));
}
