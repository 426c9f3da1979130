// SPDX-License-Identifier: MIT
// Makes the single-file page out of a linked page (PAGE.html naming its
// PAGE.js beside it, which fetches PAGE.wasm):
//   node single_file.mjs PAGE.html OUT.html
// The script is written into the page, and the WebAssembly after it
// gzip-compressed and base64-encoded, with web/inflate.js to inflate and
// instantiate it (a third of the size base64 alone gives). The page asks for
// nothing.
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { constants, gzipSync } from 'node:zlib';

const [pagePath, outPath] = process.argv.slice(2);
if (!pagePath || !outPath) {
  console.error('usage: node single_file.mjs PAGE.html OUT.html');
  process.exit(2);
}
const base = pagePath.replace(/\.html$/, '');
const page = readFileSync(pagePath, 'utf8');
const script = readFileSync(`${base}.js`, 'utf8');
const wasm = readFileSync(`${base}.wasm`);
const inflate = readFileSync(path.join(path.dirname(fileURLToPath(import.meta.url)), 'inflate.js'), 'utf8');

const tag = `<script async type="text/javascript" src="${path.basename(base)}.js"></script>`;
const at = page.indexOf(tag);
if (at < 0 || page.indexOf(tag, at + 1) >= 0) {
  console.error(`${pagePath}: expected one ${tag}`);
  process.exit(1);
}
// gzip's header without a time or name: the same build gives the same file.
const packed = gzipSync(wasm, { level: constants.Z_BEST_COMPRESSION }).toString('base64');
// Nothing in the script or the data may close the script element early.
for (const [what, text] of [['script', script], ['loader', inflate]]) {
  if (/<\/script/i.test(text)) {
    console.error(`${what} holds </script`);
    process.exit(1);
  }
}
const inline = `<script type="application/gzip;base64" id="linkdemo-wasm">${packed}</script>\n`
  + `<script>\n${inflate}</script>\n<script>\n${script}\n</script>`;
writeFileSync(outPath, page.slice(0, at) + inline + page.slice(at + tag.length));
