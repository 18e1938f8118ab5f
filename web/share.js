// A program in the address: its text, UTF-8, compressed (deflate) and
// written in base64url after "#program=", so that it never reaches a server.

const prefix = '#program=';

async function streamThrough(bytes, transform) {
  const stream = new Blob([bytes]).stream().pipeThrough(transform);
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

function toBase64Url(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return Uint8Array.from(binary, (character) => character.charCodeAt(0));
}

// The fragment ("#program=...") that holds `text`.
export async function fragmentOf(text) {
  const packed = await streamThrough(new TextEncoder().encode(text),
    new CompressionStream('deflate-raw'));
  return prefix + toBase64Url(packed);
}

// The program text a fragment holds; null when it holds none, or one that
// cannot be read (cut short, mistyped).
export async function textOf(fragment) {
  if (!fragment.startsWith(prefix)) {
    return null;
  }
  try {
    const bytes = await streamThrough(fromBase64Url(fragment.slice(prefix.length)),
      new DecompressionStream('deflate-raw'));
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return null;
  }
}
