// A download of bytes as they are, under `name`.
export function download(bytes, name, type) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([bytes], { type }));
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout((url) => URL.revokeObjectURL(url), 60000, a.href);
}
