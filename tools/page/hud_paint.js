// The plug-in's drawing on a canvas, as the game places it; the preview and
// the Try panel paint with this one.

export function rgba(c, alphaScale) {
  const ch = (x) => Math.min(x, 255);
  return `rgba(${ch(c[0])},${ch(c[1])},${ch(c[2])},${(ch(c[3]) / 255) * (alphaScale || 1)})`;
}

const placed = (...xs) => xs.every(Number.isFinite);

// Rectangles by centre and size; text from the top of its line at
// scale × height / 20 px (the alphabetic baseline one ascent down, as the
// Cairo preview sets it); flagged text over a dark shadow. Out: the boxes
// inked, the boxes to clear before the next frame (with a margin, inside
// the canvas), and the items that cannot be placed (a position or size
// that is no number).
export function paintHud(g, draws, w, h) {
  const covered = [], inked = [];
  const cover = (x0, y0, x1, y1) => {
    inked.push([Math.min(x0, x1), Math.min(y0, y1), Math.max(x0, x1), Math.max(y0, y1)]);
    const l = Math.max(0, Math.floor(Math.min(x0, x1)) - 2), r = Math.min(w, Math.ceil(Math.max(x0, x1)) + 2);
    const t = Math.max(0, Math.floor(Math.min(y0, y1)) - 2), b = Math.min(h, Math.ceil(Math.max(y0, y1)) + 2);
    if (l < r && t < b) covered.push([l, t, r, b]);
  };
  let unplaced = 0;
  for (const d of draws) {
    if (d.rect) {
      if (!placed(d.cx, d.cy, d.w, d.h)) { unplaced++; continue; }
      const left = (d.cx - d.w / 2) * w, top = (d.cy - d.h / 2) * h;
      const right = (d.cx + d.w / 2) * w, bottom = (d.cy + d.h / 2) * h;
      g.fillStyle = rgba(d.rgba);
      g.fillRect(left, top, right - left, bottom - top);
      cover(left, top, right, bottom);
      continue;
    }
    if (!placed(d.x, d.y, d.scale)) { unplaced++; continue; }
    const size = (d.scale * h) / 20;
    g.font = size + "px sans-serif";
    g.textBaseline = "alphabetic";
    const m = g.measureText(d.text);
    const ascent = m.fontBoundingBoxAscent !== undefined ? m.fontBoundingBoxAscent : size * 0.93;
    const x = d.x * w, y = d.y * h + ascent;
    if (d.flag) {
      g.fillStyle = rgba([0, 0, 0, d.rgba[3]], 0.8);
      g.fillText(d.text, x + 1, y + 1);
    }
    g.fillStyle = rgba(d.rgba);
    g.fillText(d.text, x, y);
    cover(x - size, d.y * h - size, x + m.width + size, d.y * h + 2 * size);
  }
  return { unplaced, inked, covered };
}
