// The page's worker: holds one module of the engine and runs what the page
// sends, so that a long run never freezes the page. The page ends a run it no
// longer wants by terminating the worker and starting a new one.
//
// Messages in:  { id, input: Uint8Array, options: [text], workLimit?: number }
// Messages out: { ready: true } once the engine is loaded, or { failed: text };
//               { id, status, output, standardOutput, standardError, data (Uint8Arrays),
//                 milliseconds }; status 'crashed' with `message` when the engine
//                 threw (its stack ran out, say): the page then starts a new worker.
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
  let result;
  try {
    result = engine.run(input, options);
  } catch (error) {
    const nothing = new Uint8Array(0);
    result = { status: 'crashed', message: String(error), output: nothing,
      standardOutput: nothing, standardError: new TextEncoder().encode(String(error)), data: nothing };
  }
  result.milliseconds = performance.now() - started;
  result.id = id;
  postMessage(result, [result.output.buffer, result.standardOutput.buffer,
    result.standardError.buffer, result.data.buffer].filter((b, i, all) => all.indexOf(b) === i));
};
