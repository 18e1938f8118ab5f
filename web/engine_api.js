// The engine's calls in JavaScript: one run of an input file's bytes under
// command-line options, giving the output file, standard output and standard
// error as bytes. Loaded by the page's worker (importScripts) and by node
// (require); the caller hands over the wasm bytes, so nothing is fetched here.
(function (root) {
  'use strict';

  // How a run ended, by the number the engine returns.
  const statusNames = ['completed', 'outOfMemory', 'workLimitReached', 'badOptions'];

  // Options as the engine takes them: each one's bytes and a NUL.
  function packOptions(options, encode) {
    const parts = options.map((option) => encode(option));
    const packed = new Uint8Array(parts.reduce((sum, part) => sum + part.length + 1, 0));
    let at = 0;
    for (const part of parts) {
      packed.set(part, at);
      at += part.length + 1;
    }
    return packed;
  }

  // Starts a module of the engine. `createLevezet` is the loader's factory,
  // `wasmBytes` the engine's bytes, `encode` turns an option's text into bytes.
  // Resolves to { run(inputBytes, options), setWorkLimit(units) }.
  async function startEngine(createLevezet, wasmBytes, encode) {
    const module = await createLevezet({ wasmBinary: wasmBytes });

    function copyIn(bytes) {
      const address = module._malloc(Math.max(bytes.length, 1));
      module.HEAPU8.set(bytes, address);
      return address;
    }

    function part(index) {
      const address = module._levezetPart(index);
      return module.HEAPU8.slice(address, address + module._levezetPartLength(index));
    }

    // Runs `inputBytes` as the input file with `options` (texts, as on the
    // command line, and --data: the explanations and the graph as JSON in
    // `data`). `status` is one of statusNames.
    function run(inputBytes, options = []) {
      const packed = packOptions(options, encode);
      const input = copyIn(inputBytes);
      const packedAddress = copyIn(packed);
      let status;
      try {
        status = module._levezetRun(input, inputBytes.length, packedAddress, packed.length);
      } finally {
        module._free(input);
        module._free(packedAddress);
      }
      return {
        status: statusNames[status],
        output: part(0),
        standardOutput: part(1),
        standardError: part(2),
        data: part(3),
        // Bytes the engine itself left out of standard output and error.
        standardOutputCut: module._levezetPartCut(1),
        standardErrorCut: module._levezetPartCut(2),
      };
    }

    // Work units after which later runs are refused; 0 lifts the limit.
    function setWorkLimit(units) {
      module._levezetSetWorkLimit(units);
    }

    return { run, setWorkLimit };
  }

  const engineApi = { startEngine, statusNames };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = engineApi;
  } else {
    root.engineApi = engineApi;
  }
})(this);
