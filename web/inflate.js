// SPDX-License-Identifier: MIT
'use strict';
// The single file's WebAssembly: gzip-compressed and base64-encoded in the
// element #linkdemo-wasm (written there by single_file.mjs). The browser
// inflates it (DecompressionStream) and the runtime gets the instance through
// its instantiateWasm hook, so that nothing is fetched.
Module.instantiateWasm = (imports, receive) => {
  const text = document.getElementById('linkdemo-wasm').textContent;
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  new Response(stream).arrayBuffer()
    .then((wasm) => WebAssembly.instantiate(wasm, imports))
    .then((r) => receive(r.instance, r.module))
    .catch((e) => console.error(`The WebAssembly did not load: ${e}`));
  return {};
};
