// Latin-2 (ISO 8859-2) text, byte for byte: the engine reads and writes
// single bytes, the page shows them as text. Every byte stands for exactly
// one character and back, so a file read and saved unedited is unchanged.
// Loaded by the page, by its worker and by node (require).
(function (root) {
  'use strict';

  const decoder = new TextDecoder('iso-8859-2');
  const byteOf = new Map();
  const allBytes = new Uint8Array(256);
  for (let b = 0; b < 256; b++) {
    allBytes[b] = b;
  }
  Array.from(decoder.decode(allBytes)).forEach((character, b) => byteOf.set(character, b));

  // The text of `bytes` (a Uint8Array).
  function decode(bytes) {
    return decoder.decode(bytes);
  }

  // The bytes of `text`, and the characters Latin-2 has no byte for (each
  // once, in the order met); those are written as '?'.
  function encode(text) {
    const bytes = new Uint8Array(text.length);
    const missing = [];
    let length = 0;
    for (const character of text) {
      const b = byteOf.get(character);
      if (b === undefined) {
        if (!missing.includes(character)) {
          missing.push(character);
        }
        bytes[length++] = 0x3f;
      } else {
        bytes[length++] = b;
      }
    }
    return { bytes: bytes.slice(0, length), missing };
  }

  const latin2 = { decode, encode };
  if (typeof module !== 'undefined' && module.exports) {
    module.exports = latin2;
  } else {
    root.latin2 = latin2;
  }
})(this);
