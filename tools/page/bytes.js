// Bytes as the page holds a file: never decoded on the way in or out.

export const utf8 = new TextEncoder();
// The byte-order mark stays in the text shown, so the text is the file's bytes.
export const fromUtf8 = new TextDecoder("utf-8", { ignoreBOM: true });

export function sameBytes(a, b) {
  if (!a || !b || a.length !== b.length) return false;
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}

export function fromBase64(text) {
  const s = atob(text), b = new Uint8Array(s.length);
  for (let i = 0; i < s.length; i++) b[i] = s.charCodeAt(i);
  return b;
}
