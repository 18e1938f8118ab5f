// The page's worker: holds one module of the engine and runs what the page
// sends, so that a long run never freezes the page. The page ends a run it no
// longer wants by terminating the worker and starting a new one.
//
// Messages in:  { id, input: Uint8Array, options: [text], workLimit?: number }
// Messages out: { ready: true } once the engine is loaded, or { failed: text };
//               { id, status, output, standardOutput, standardError (Uint8Arrays), milliseconds }
'use strict';
importScripts('latin2.js', 'engine_api.js', 'levezet_web.js');

const enginePromise = fetch('levezet_web.wasm')
  .then((response) => {
    if (!response.ok) {
      throw new Error(`levezet_web.wasm: ${response.status}`);
    }
    return response.arrayBuffer();
  })
  .then((buffer) =>
    engineApi.startEngine(createLevezet, new Uint8Array(buffer), (text) => latin2.encode(text).bytes));

enginePromise.then(
  () => postMessage({ ready: true }),
  (error) => postMessage({ failed: String(error) }));

onmessage = async (event) => {
  const { id, input, options, workLimit } = event.data;
  const engine = await enginePromise;
  if (workLimit !== undefined) {
    engine.setWorkLimit(workLimit);
  }
  const started = performance.now();
  const result = engine.run(input, options);
  result.milliseconds = performance.now() - started;
  result.id = id;
  postMessage(result, [result.output.buffer, result.standardOutput.buffer, result.standardError.buffer]);
};
