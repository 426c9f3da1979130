// SPDX-License-Identifier: MIT
'use strict';
// The web binding: mirrors the LinkDemo model (compiled to WebAssembly) on
// the page, one element per model control, and feeds the user's clicks,
// choices, typing and scrolling back into the model controls' own entry
// points. Like the Qt binding it only mirrors: it walks the tree of controls
// once, updates only the elements whose control's revision changed, and
// keeps no rule of the demonstration.
//
// Controls are placed in CSS pixels of 15 display units; the zoom scales the
// client area as a whole. Every element carries its control's full name in
// data-name ("LinkDemo", "LinkDemo.cmdPause", "Wire1.cmdPacket(3)").
//
// The page's console offers `linkdemo.run(text)`: script-runner lines run
// against the live model (see the README for what it returns).

const UNITS_PER_PX = 15;
const CLOCK_INTERVAL_MS = 10;
const MAX_CATCH_UP_MS = 1000;
const TOUCH_TARGET_PX = 24;  // the least a finger's target takes on the glass
const SVG_NS = 'http://www.w3.org/2000/svg';

// ---- conversions -----------------------------------------------------------

function toPx(units) {
  const v = Number.isFinite(units) ? units / UNITS_PER_PX : 0;
  // A position far beyond any screen is held at a million pixels.
  return Math.max(-1e6, Math.min(1e6, v));
}

// Edges are rounded on their own, so that controls touching in units touch
// on screen.
function pixelRect(st) {
  const l = Math.round(toPx(st.left));
  const t = Math.round(toPx(st.top));
  const r = Math.round(toPx(st.left + Math.max(0, st.width)));
  const b = Math.round(toPx(st.top + Math.max(0, st.height)));
  return [l, t, Math.max(0, r - l), Math.max(0, b - t)];
}

// A 0xBBGGRR colour as [r, g, b]; negative values and high bits masked off.
function channels(bgr) {
  const v = Number(bgr) & 0xFFFFFF;
  return [v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF];
}

function css([r, g, b]) {
  return `rgb(${r},${g},${b})`;
}

// Colours are few: each one's text is made once.
const colourTexts = new Map();

function colour(bgr) {
  let text = colourTexts.get(bgr);
  if (text === undefined) colourTexts.set(bgr, (text = css(channels(bgr))));
  return text;
}

// The same shades Qt's lighter(140) and darker(150) give: the HSV value
// scaled, saturation given up where the value would pass 255.
const shades = new Map();

function shade(bgr, factor) {
  const key = `${bgr}*${factor}`;
  let text = shades.get(key);
  if (text === undefined) shades.set(key, (text = shadeOf(bgr, factor)));
  return text;
}

function shadeOf(bgr, factor) {
  let [r, g, b] = channels(bgr);
  const max = Math.max(r, g, b);
  const min = Math.min(r, g, b);
  let h = 0;
  if (max !== min) {
    const d = max - min;
    if (max === r) h = ((g - b) / d + 6) % 6;
    else if (max === g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
  }
  let s = max === 0 ? 0 : (max - min) / max;
  let v = max * factor;
  if (v > 255) {
    s = Math.max(0, s - (v - 255) / 255);
    v = 255;
  }
  const c = v * s;
  const x = c * (1 - Math.abs((h % 2) - 1));
  const m = v - c;
  const table = [[c, x, 0], [x, c, 0], [0, c, x], [0, x, c], [x, 0, c], [c, 0, x]];
  [r, g, b] = table[Math.floor(h) % 6];
  return css([r + m, g + m, b + m].map((u) => Math.round(Math.max(0, Math.min(255, u)))));
}

// The model's point size in pixels at 96 per inch, as the window uses it.
function fontCss([points, bold]) {
  return fontFace(fontPx(points), bold);
}

// Sets a style property only when its value changes: an update rewrites
// every property of a control, and most of them stay as they were.
function setStyle(el, prop, value) {
  const cache = el.applied || (el.applied = {});
  if (cache[prop] === value) return;
  cache[prop] = value;
  if (prop.startsWith('--')) el.style.setProperty(prop, value);
  else el.style[prop] = value;
}

// A button's colour, its bevel's two shades and the shades swapped while it
// is pressed come from a rule made for that colour the first time a button
// shows it: the button takes the colour by its class, and the restyle that
// every move of a packet costs resolves no variables.
const looks = new Map();
let looksSheet = null;

function lookClass(bgr) {
  let name = looks.get(bgr);
  if (name !== undefined) return name;
  name = `ld-look-${looks.size}`;
  looks.set(bgr, name);
  if (!looksSheet) {
    looksSheet = document.createElement('style');
    looksSheet.id = 'button-looks';
    document.head.append(looksSheet);
  }
  const [light, dark] = [shade(bgr, 1.4), shade(bgr, 1 / 1.5)];
  // Added as rules, not as text: a new text would restyle the whole page.
  const sheet = looksSheet.sheet;
  sheet.insertRule(`.${name} { background: ${colour(bgr)}; box-shadow: inset 1px 1px 0 ${light}, inset -1px -1px 0 ${dark}; }`,
    sheet.cssRules.length);
  sheet.insertRule(`.${name}:active, .${name}.pressed { box-shadow: inset 1px 1px 0 ${dark}, inset -1px -1px 0 ${light}; }`, sheet.cssRules.length);
  return name;
}

function setLook(el, bgr) {
  const name = lookClass(bgr);
  if (el.look === name) return;
  if (el.look) el.classList.remove(el.look);
  el.classList.add(name);
  el.look = name;
}

function setHidden(el, hidden) {
  if (el.hasAttribute('hidden') === hidden) return;
  if (hidden) el.setAttribute('hidden', '');
  else el.removeAttribute('hidden');
}

// Sets an element's text. A lone text node is rewritten in place, which
// spares the browser a new node and its layout object at every tick; an
// empty text leaves no node (so that :empty still matches).
function setText(el, text) {
  const t = el.firstChild;
  if (text && t && t === el.lastChild && t.nodeType === 3) {
    if (t.data !== text) t.data = text;
  } else if (el.textContent !== text) {
    el.textContent = text;
  }
}

// Whether an update's changed fields are the control's place alone.
function movedOnly(changed) {
  for (const k in changed) if (k !== 'left' && k !== 'top' && k !== 'width' && k !== 'height') return false;
  return true;
}

// Places an element at a rectangle of pixels in its container. A button is
// placed by a translation: a packet moves at every tick, and a move by left
// and top lays the whole page out again, where a translation lays out nothing
// (a new width lays out the button's component alone).
function placeRect(el, [l, t, w, h], translate) {
  if (translate) {
    setStyle(el, 'transform', `translate(${l}px, ${t}px)`);
  } else {
    setStyle(el, 'left', `${l}px`);
    setStyle(el, 'top', `${t}px`);
  }
  setStyle(el, 'width', `${w}px`);
  setStyle(el, 'height', `${h}px`);
}

function place(el, st, translate = false) {
  const r = pixelRect(st);
  placeRect(el, r, translate);
  return [r[2], r[3]];
}

// ---- fitting a caption into its box ----------------------------------------

// Captions grow with the run (packet 100, 9999, 99999) and some were laid
// out tight: a text that does not fit at the control's own size is drawn
// smaller, down to about 7 points, and only then cut short with an ellipsis.
// Position, size and the model's text never change. A label tall enough for
// two lines breaks its text between words.
const FLOOR_PX = 9;
const CHECK_ROOM_PX = 18;  // the tick and the gap beside it

function fontFace(px, bold) {
  return `${bold ? 'bold ' : ''}${px}px "Liberation Sans", Arial, Helvetica, "DejaVu Sans", sans-serif`;
}

function lineSpacing(px) {
  return Math.ceil(px * 1.17);
}

// Widths measured, by font and text: the same captions come back at every
// tick. Forgotten as a whole when it grows large.
// Each font is measured on a context of its own: setting a context's font
// parses the font's text, which costs more than the measuring.
const widths = new Map();
const measures = new Map();

function width(text, px, bold) {
  const font = fontFace(px, bold);
  const key = `${font}|${text}`;
  let w = widths.get(key);
  if (w !== undefined) return w;
  let measure = measures.get(font);
  if (!measure) {
    if (measures.size >= 64) measures.clear();
    measure = document.createElement('canvas').getContext('2d');
    measure.font = font;
    measures.set(font, measure);
  }
  w = measure.measureText(text).width;
  if (widths.size >= 4096) widths.clear();
  widths.set(key, w);
  return w;
}

// Each character's advance and each pair's kerning by font, and whether
// `text` is at most w pixels wide. Kerning and ligatures take a little off
// the sum of a text's advances and add nothing, so that a new text (a
// counter at every tick) whose sum fits, or is well beyond the limit, is
// judged from its characters alone; near the limit from its pairs too (the
// font's kerning is pairwise), and measured whole only within half a pixel.
const advances = new Map();

function fitsIn(text, px, bold, w) {
  const font = fontFace(px, bold);
  const known = widths.get(`${font}|${text}`);
  if (known !== undefined) return known <= w;
  let table = advances.get(font);
  if (!table || table.size >= 8192) {
    if (advances.size >= 64) advances.clear();
    table = new Map();
    advances.set(font, table);
  }
  const advance = (s) => {
    let a = table.get(s);
    if (a === undefined) {
      a = width(s, px, bold);
      table.set(s, a);
    }
    return a;
  };
  const chars = [...text];
  let sum = 0;
  for (const ch of chars) sum += advance(ch);
  if (sum <= w) return true;
  if (sum * 0.9 > w) return false;
  for (let i = 1; i < chars.length; ++i) {
    const pair = chars[i - 1] + chars[i];
    sum += advance(pair) - advance(chars[i - 1]) - advance(chars[i]);
  }
  if (Math.abs(sum - w) > 0.5) return sum <= w;
  return width(text, px, bold) <= w;
}

function fitsWrapped(text, px, bold, w, h) {
  let lines = 0;
  for (const paragraph of text.split('\n')) {
    let line = '';
    for (const word of paragraph.split(' ')) {
      const next = line ? `${line} ${word}` : word;
      if (fitsIn(next, px, bold, w)) {
        line = next;
        continue;
      }
      if (!fitsIn(word, px, bold, w)) return false;
      ++lines;
      line = word;
    }
    ++lines;
  }
  return lines * lineSpacing(px) <= h;
}

// {px, text, wrap}: the largest size not above the control's at which the
// text fits a box of w x h pixels.
function fitText(text, [points, bold], w, h, mayWrap) {
  const base = fontPx(points);
  const out = { px: base, text, wrap: false };
  if (!text || w <= 0) return out;
  out.wrap = mayWrap && h >= 2 * lineSpacing(base) && text.includes(' ');
  const fits = (px) => (out.wrap ? fitsWrapped(text, px, bold, w, h) : fitsIn(text, px, bold, w));
  if (fits(base)) return out;
  const floor = Math.min(base, FLOOR_PX);
  for (let px = base - 1; px >= floor; --px) {
    if (fits(px)) {
      out.px = px;
      return out;
    }
  }
  out.px = floor;
  out.wrap = false;
  let cut = text;
  while (cut && width(`${cut}\u2026`, floor, bold) > w) cut = cut.slice(0, -1);
  out.text = `${cut}\u2026`;
  return out;
}

function fontPx(points) {
  const p = Number.isFinite(points) ? Math.max(1, Math.min(400, points)) : 8.25;
  return Math.max(1, Math.round((p * 96) / 72));
}

// Fits already made, by box, font and text: a counter's captions come back
// (a slot shows the same few numbers again and again). Forgotten as a whole
// when it grows large, as the widths are.
const fitsMade = new Map();

// Shows a caption fitted into the element's box.
function presentCaption(el, text, font, w, h, mayWrap) {
  // Measuring is the costly part: a caption is fitted again only when it
  // or its box changed, and a fit made before is taken as it was.
  const key = `${w},${h},${font[0]},${font[1]},${mayWrap},${text}`;
  if (el.fitted === key) return;
  el.fitted = key;
  let f = fitsMade.get(key);
  if (!f) {
    f = fitText(text, font, w, h, mayWrap);
    if (fitsMade.size >= 4096) fitsMade.clear();
    fitsMade.set(key, f);
  }
  setStyle(el, 'font', fontFace(f.px, font[1]));
  setStyle(el, 'whiteSpace', f.wrap ? 'pre-wrap' : 'pre');
  setText(el.captionNode || el, f.text);
}

function setOptions(select, items) {
  const same = select.options.length === items.length && items.every((s, i) => select.options[i].text === s);
  if (same) return;
  select.replaceChildren(...items.map((s) => new Option(s)));
}

// ---- one create/update pair per control kind -------------------------------

const kinds = {
  window: {
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-panel ld-root';
      let pressed = false;
      el.addEventListener('mousedown', (ev) => {
        pressed = ev.button === 0 && b.pressTarget(ev) === el;
      });
      el.addEventListener('mouseup', (ev) => {
        const click = pressed && ev.button === 0 && b.pressTarget(ev) === el;
        pressed = false;
        // The focus goes where the core says (home, to the pause button).
        if (click) b.act(() => b.focusControl(b.model.background()));
      });
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = [Math.round(toPx(st.width)), Math.round(toPx(st.height))];
      setStyle(el, 'width', `${w}px`);
      setStyle(el, 'height', `${h}px`);
      setStyle(el, 'background', colour(st.backColour));
      setStyle(el, 'font', fontCss(st.font));
      b.childFonts(n);
      b.size = [w, h];
      if (b.onResized) b.onResized();
      else b.applyZoom();
      return false;
    },
  },

  component: {
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-panel';
      el.addEventListener('mousedown', (ev) => {
        if (ev.button === 0 && b.pressTarget(ev) === el) b.act(() => b.model.focus(n.id));
      });
      return el;
    },
    update(b, n, el, st) {
      place(el, st);
      // Where the colour equals the container's the panel paints nothing,
      // so that a component laid out wider than its drawing (a wire) does
      // not cut into its neighbours' edges.
      const fill = !st.seeThrough;
      setStyle(el, 'background', fill ? colour(st.backColour) : 'transparent');
      // A see-through panel takes clicks only on its controls: a click on an
      // empty part reaches whatever lies beneath, down to the window.
      setStyle(el, 'pointerEvents', fill ? 'auto' : 'none');
      setStyle(el, 'font', fontCss(st.font));
      b.childFonts(n);
    },
  },

  button: {
    // An element with a button's role rather than a <button>: packets are
    // restyled at every tick, and a <button> costs the browser more than
    // twice a plain element's restyle. Enter and Space press it (the
    // binding's keys), as they press a <button>.
    create(b, n) {
      const el = document.createElement('div');
      el.setAttribute('role', 'button');
      el.className = 'ld ld-button';
      el.append(document.createElement('span'));
      // The packet's letter, in the profiles that show one.
      el.append(document.createElement('b'));
      el.addEventListener('click', () => b.act(() => b.model.click(n.id)));
      return el;
    },
    update(b, n, el, st, changed) {
      const [w, h] = place(el, st, true);
      b.targetRoom(el, n, st);
      // A packet on the move: its place alone changed (its letter depends
      // on its size).
      if (!b.look.packetLetters && movedOnly(changed)) return;
      b.ownFont(el, n, st);
      setText(el.firstChild, st.caption);
      setText(el.lastChild, b.letterFor(st, w, h));
      setLook(el, b.drawn(st.backColour, 'fill'));
    },
  },

  label: {
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-label';
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      presentCaption(el, st.caption, st.font, w, h, true);
      setStyle(el, 'color', colour(b.drawn(st.foreColour, 'text')));
      setStyle(el, 'background', st.backColour < 0 ? 'transparent' : colour(b.drawn(st.backColour, 'fill')));
      setStyle(el, 'textAlign', st.align);
    },
  },

  textbox: {
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-text';
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      presentCaption(el, st.text, st.font, w, h, false);
      setStyle(el, 'color', colour(b.drawn(st.foreColour, 'text')));
    },
  },

  combo: {
    // A list-only combo is a <select>; an editable one a text field with a
    // drop-down list beside it. Typing runs the change handler per
    // keystroke, a pick from the list the click handler.
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-combo';
      el.list = document.createElement('select');
      // Whether the next choice comes from the pop-up the mouse opened or
      // from keys on the closed list.
      let fromPopup = false;
      el.list.addEventListener('mousedown', () => (fromPopup = true));
      el.list.addEventListener('keydown', () => (fromPopup = false));
      el.list.addEventListener('change', () => {
        const i = el.list.selectedIndex;
        b.act(() => b.model.choose(n.id, i));
        if (b.onListChoice) b.onListChoice(n, fromPopup);
        fromPopup = false;
      });
      return el;
    },
    update(b, n, el, st) {
      place(el, st);
      setStyle(el, 'font', fontCss(st.font));
      if (!el.list.isConnected) {
        el.list.className = st.editable ? 'ld-drop' : 'ld-list';
        if (st.editable) {
          el.field = document.createElement('input');
          el.field.type = 'text';
          el.field.spellcheck = false;
          el.field.autocomplete = 'off';
          // The field takes no more than the model's combo holds (both
          // count UTF-16 units).
          el.field.maxLength = st.maxLength;
          el.field.addEventListener('input', () => {
            const text = el.field.value;
            b.act(() => b.model.edit(n.id, text));
          });
          const arrow = document.createElement('span');
          arrow.className = 'ld-arrow';
          arrow.textContent = '\u25BC';
          el.append(el.field, arrow);
        }
        el.append(el.list);
      }
      setOptions(el.list, st.items);
      if (el.list.selectedIndex !== st.listIndex) el.list.selectedIndex = st.listIndex;
      // Setting the same text again would move the caret away from where
      // the user is typing.
      if (el.field && el.field.value !== st.text) el.field.value = st.text;
    },
  },

  check: {
    create(b, n) {
      const el = document.createElement('label');
      el.className = 'ld ld-check';
      el.box = document.createElement('input');
      el.box.type = 'checkbox';
      el.captionNode = document.createElement('span');
      el.append(el.box, el.captionNode);
      // The tick the browser toggled is replaced by the model's at the sync.
      el.box.addEventListener('click', () => b.act(() => b.model.click(n.id)));
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      b.targetRoom(el, n, st);
      // The caption fits the room beside the tick.
      presentCaption(el, st.caption, st.font, w - CHECK_ROOM_PX, h, false);
      if (el.box.checked !== (st.value !== 0)) el.box.checked = st.value !== 0;
    },
  },

  shape: {
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-shape';
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      const fill = st.filled ? colour(b.drawn(st.fillColour, 'fill')) : 'transparent';
      const border = `1px solid ${colour(st.borderColour)}`;
      if (st.shape === 'circle') {
        // As large as the smaller side, centred.
        if (!el.firstChild) el.append(document.createElement('div'));
        const c = el.firstChild;
        c.className = 'ld-circle';
        const d = Math.min(w, h);
        Object.assign(c.style, { left: `${(w - d) / 2}px`, top: `${(h - d) / 2}px`, width: `${d}px`, height: `${d}px` });
        setStyle(c, 'background', fill);
        setStyle(c, 'borderColor', colour(st.borderColour));
        setStyle(el, 'border', 'none');
        setStyle(el, 'background', 'transparent');
      } else {
        if (el.firstChild) el.firstChild.remove();
        setStyle(el, 'border', border);
        setStyle(el, 'background', fill);
      }
    },
  },

  line: {
    create(b, n) {
      const el = document.createElementNS(SVG_NS, 'svg');
      el.setAttribute('class', 'ld ld-line');
      el.append(document.createElementNS(SVG_NS, 'line'));
      return el;
    },
    update(b, n, el, st) {
      const x1 = toPx(st.x1), y1 = toPx(st.y1), x2 = toPx(st.x2), y2 = toPx(st.y2);
      // The element covers the line's bounding box plus a pixel each side.
      const left = Math.floor(Math.min(x1, x2)) - 1;
      const top = Math.floor(Math.min(y1, y2)) - 1;
      const w = Math.ceil(Math.abs(x2 - x1)) + 3;
      const h = Math.ceil(Math.abs(y2 - y1)) + 3;
      place(el, { left: left * UNITS_PER_PX, top: top * UNITS_PER_PX, width: w * UNITS_PER_PX, height: h * UNITS_PER_PX });
      const line = el.firstChild;
      const at = (v, o) => String(v - o + 0.5);
      line.setAttribute('x1', at(x1, left));
      line.setAttribute('y1', at(y1, top));
      line.setAttribute('x2', at(x2, left));
      line.setAttribute('y2', at(y2, top));
      line.setAttribute('stroke', colour(st.colour));
      line.setAttribute('stroke-width', '1');
      line.setAttribute('shape-rendering', 'crispEdges');
      return 'line';
    },
  },

  picture: {
    // A canvas at the screen's resolution; the lines the model adds are
    // drawn onto it as they come. The page keeps the lines so that a new
    // size or zoom redraws them without asking the model.
    create(b, n) {
      const el = document.createElement('canvas');
      el.className = 'ld ld-picture';
      el.lines = [];
      b.pictures.push(el);
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      const back = colour(st.backColour);
      // The lines stay as drawn unless the canvas changed under them.
      if (el.size && el.size[0] === w && el.size[1] === h && el.back === back) return;
      el.size = [w, h];
      el.back = back;
      b.redrawPicture(el);
    },
  },

  scrollbar: {
    // A vertical scroll bar: arrows move by the small change, a click on
    // the track by the large change, the thumb follows a drag, the wheel
    // moves three small changes a notch. Every move goes to the model.
    create(b, n) {
      const el = document.createElement('div');
      el.className = 'ld ld-scroll';
      const up = document.createElement('div');
      const down = document.createElement('div');
      const thumb = document.createElement('div');
      up.className = 'ld-up';
      down.className = 'ld-down';
      thumb.className = 'ld-thumb';
      up.textContent = '\u25B2';
      down.textContent = '\u25BC';
      el.append(up, thumb, down);
      const st = () => b.state[n.id];
      const move = (v) => b.act(() => b.model.scroll(n.id, Math.round(v)));
      // +1: towards the bottom end (the maximum unless inverted).
      const stepBy = (dir, size) => {
        const s = st();
        const sign = s.min > s.max ? -1 : 1;
        move(s.value + dir * sign * Math.max(1, size));
      };
      // Pointer events, so that a finger holds, repeats and drags as the
      // mouse does; the pointer is captured by the bar until it is lifted.
      let release = null;
      const hold = (ev, onMove) => {
        el.setPointerCapture(ev.pointerId);
        const end = (e) => {
          if (e.pointerId !== ev.pointerId) return;
          if (release) release();
        };
        const move = (e) => {
          if (e.pointerId === ev.pointerId && onMove) onMove(e);
        };
        el.addEventListener('pointermove', move);
        el.addEventListener('pointerup', end);
        el.addEventListener('pointercancel', end);
        el.addEventListener('lostpointercapture', end);
        return (stop) => {
          release = () => {
            release = null;
            stop();
            el.removeEventListener('pointermove', move);
            el.removeEventListener('pointerup', end);
            el.removeEventListener('pointercancel', end);
            el.removeEventListener('lostpointercapture', end);
          };
        };
      };
      const repeat = (ev, fn) => {
        const onRelease = hold(ev, null);
        fn();
        let timer = setTimeout(function again() {
          fn();
          timer = setTimeout(again, 50);
        }, 300);
        onRelease(() => clearTimeout(timer));
      };
      el.addEventListener('pointerdown', (ev) => {
        if (ev.button !== 0 || release) return;
        ev.preventDefault();
        if (ev.target === up) return repeat(ev, () => stepBy(-1, st().smallChange));
        if (ev.target === down) return repeat(ev, () => stepBy(1, st().smallChange));
        if (ev.target === thumb) {
          const startY = ev.clientY / b.zoom;
          const startTop = thumb.offsetTop;
          const drag = (m) => {
            const s = st();
            const g = el.geometry;
            const pos = Math.max(0, Math.min(g.travel, startTop - g.arrow + m.clientY / b.zoom - startY));
            const lo = Math.min(s.min, s.max), hi = Math.max(s.min, s.max);
            let t = g.travel > 0 ? pos / g.travel : 0;
            if (s.min > s.max) t = 1 - t;
            const v = lo + t * (hi - lo);
            if (Math.round(v) !== s.value) move(v);
          };
          hold(ev, drag)(() => {});
          return;
        }
        const y = (ev.clientY - el.getBoundingClientRect().top) / b.zoom;
        repeat(ev, () => stepBy(y < thumb.offsetTop ? -1 : 1, st().largeChange));
      });
      el.addEventListener('wheel', (ev) => {
        ev.preventDefault();
        if (ev.deltaY !== 0) stepBy(Math.sign(ev.deltaY), 3 * st().smallChange);
      }, { passive: false });
      return el;
    },
    update(b, n, el, st) {
      const [w, h] = place(el, st);
      const [up, thumb, down] = el.children;
      const arrow = Math.min(w, Math.floor(h / 2));
      const track = Math.max(0, h - 2 * arrow);
      const lo = Math.min(st.min, st.max), hi = Math.max(st.min, st.max);
      const range = hi - lo;
      const page = Math.max(1, st.largeChange);
      const length = Math.min(track, Math.max(8, Math.round((track * page) / (range + page))));
      const travel = track - length;
      let t = range > 0 ? (st.value - lo) / range : 0;
      if (st.min > st.max) t = 1 - t;
      for (const a of [up, down]) {
        setStyle(a, 'height', `${arrow}px`);
        setStyle(a, 'lineHeight', `${arrow}px`);
      }
      setStyle(thumb, 'top', `${arrow + Math.round(t * travel)}px`);
      setStyle(thumb, 'height', `${length}px`);
      setHidden(thumb, track < 8);
      el.geometry = { arrow, travel };
    },
  },
};

// ---- the binding -----------------------------------------------------------

class Binding {
  constructor(model, stage) {
    this.model = model;
    this.stage = stage;
    this.nodes = JSON.parse(model.tree());
    this.children = this.nodes.map(() => []);
    for (const n of this.nodes) if (n.parent >= 0) this.children[n.parent].push(n.id);
    this.els = [];
    this.state = [];
    this.pictures = [];
    this.zoom = 1;
    this.chosen = -1;
    this.size = [0, 0];
    this.modal = false;
    this.framePending = 0;  // the frame that mirrors the clock's ticks
    this.messageBox = null;  // set by the page
    this.onListChoice = null;  // (node, fromPopup) after a user's choice from a list
    this.useProfile('standard');
    for (const n of this.nodes) {
      const el = kinds[n.kind].create(this, n);
      el.dataset.name = n.name;
      el.dataset.id = String(n.id);
      (n.parent < 0 ? stage : this.els[n.parent]).append(el);
      this.els.push(el);
    }
    this.root = this.els[0];
    this.touchTargets = false;
    const html = document.documentElement;
    const touchInUse = () => {
      if (html.classList.contains('touch')) this.useTouchTargets();
    };
    new MutationObserver(touchInUse).observe(html, { attributes: true, attributeFilter: ['class'] });
    this.pressKeys();
    // A component receives the focus when the user moves it into one of
    // its controls (by mouse or by Tab); the binding never moves focus.
    this.quietFocus = false;  // true while the page gives the focus back
    this.root.addEventListener('focusin', (ev) => {
      if (this.quietFocus) return;
      const el = ev.target.closest('[data-id]');
      if (!el) return;
      const n = this.nodes[Number(el.dataset.id)];
      if (n.owner >= 0) this.act(() => this.model.focus(n.id));
    });
    this.dpr = window.devicePixelRatio || 1;
    this.onResized = null;  // the page's fit, after the client area's size changed
    this.beforeAct = null;  // the page's, before each user action
    // The traces are drawn at the screen's resolution: a new device-pixel
    // ratio (another screen, the browser's zoom) redraws them.
    const newRatio = () => this.checkRatio();
    const watchRatio = () => {
      const query = window.matchMedia && window.matchMedia(`(resolution: ${this.dpr}dppx)`);
      if (!query || !query.addEventListener) return;
      query.addEventListener('change', () => {
        newRatio();
        watchRatio();
      }, { once: true });
    };
    watchRatio();
    window.addEventListener('resize', newRatio);
  }

  // Enter presses the focused button at once, Space when it is let go
  // (drawn pressed while held), as with a <button>: after the page's own
  // keys, so that a key the page took (a shortcut, the pause of a played
  // script) presses nothing.
  pressKeys() {
    const button = (ev) => ev.target instanceof Element && ev.target.classList.contains('ld-button') &&
      this.root.contains(ev.target) ? ev.target : null;
    window.addEventListener('keydown', (ev) => {
      const el = button(ev);
      if (!el || ev.defaultPrevented || ev.altKey || ev.ctrlKey || ev.metaKey) return;
      if (ev.key === 'Enter') {
        ev.preventDefault();
        el.click();
      } else if (ev.key === ' ') {
        ev.preventDefault();
        el.classList.add('pressed');
      }
    });
    window.addEventListener('keyup', (ev) => {
      const el = button(ev);
      if (!el || ev.key !== ' ' || !el.classList.contains('pressed')) return;
      el.classList.remove('pressed');
      el.click();
    });
    this.root.addEventListener('focusout', (ev) => {
      if (ev.target.classList) ev.target.classList.remove('pressed');
    });
  }

  // The colour profile the page draws in: colours through the core's colour
  // table, the look (trace lines, letters, clock) as the core gives it.
  useProfile(name) {
    this.profile = Module.profileName(String(name));
    this.look = JSON.parse(Module.profileLook(this.profile));
    this.drawnColours = new Map();
  }

  // Draws everything afresh in profile `name`; returns the profile's name.
  setProfile(name) {
    this.useProfile(name);
    this.model.invalidate();
    this.after();
    for (const p of this.pictures) this.redrawPicture(p);
    return this.profile;
  }

  // The colour drawn for a model colour in a role ('fill', 'text', 'line').
  drawn(bgr, role) {
    if (this.profile === 'standard' || !(bgr >= 0)) return bgr;
    const key = `${role}:${bgr}`;
    let c = this.drawnColours.get(key);
    if (c === undefined) {
      c = Module.drawnColour(this.profile, Number(bgr) & 0xFFFFFF, role);
      this.drawnColours.set(key, c);
    }
    return c;
  }

  // The letter beside a button's caption where the profile shows one and
  // the w x h button has room for both; '' otherwise.
  letterFor(st, w, h) {
    if (!this.look.packetLetters) return '';
    const letter = Module.packetLetter(this.profile, Number(st.backColour) & 0xFFFFFF);
    if (!letter) return '';
    const [points, bold] = st.font;
    const px = fontPx(points);
    const caption = String(st.caption).trim();
    const need = (caption ? width(`${caption} `, px, bold) : 0) + width(letter, px, true);
    return need <= w - 4 && lineSpacing(px) <= h ? letter : '';
  }

  // A button in its container's font inherits it: a font of its own would
  // cost each restyle of a moving packet the font's resolution.
  ownFont(el, n, st) {
    const font = fontCss(st.font);
    const p = this.state[n.parent];
    setStyle(el, 'font', p && fontCss(p.font) === font ? '' : font);
  }

  // After a container's font was set: its buttons inherit it or not.
  childFonts(n) {
    for (const id of this.children[n.id]) {
      if (this.nodes[id].kind === 'button' && this.state[id]) this.ownFont(this.els[id], this.nodes[id], this.state[id]);
    }
  }

  // A finger's target around a small control stays inside its container
  // (page.css): the control's size and its room to the container's edges.
  // Only where touch is in use: these inherited properties make every move
  // of a packet restyle the button's children too.
  targetRoom(el, n, st) {
    if (!this.touchTargets) return;
    const [l, t, w, h] = pixelRect(st);
    const p = this.state[n.parent];
    const [pw, ph] = p ? pixelRect(p).slice(2) : [1e6, 1e6];
    setStyle(el, '--w', `${w}px`);
    setStyle(el, '--h', `${h}px`);
    setStyle(el, '--left', `${l}px`);
    setStyle(el, '--above', `${t}px`);
    setStyle(el, '--right', `${pw - l - w}px`);
    setStyle(el, '--below', `${ph - t - h}px`);
  }

  // Touch came into use (the page's "touch" class): every button and check
  // box gets its target's room.
  useTouchTargets() {
    if (this.touchTargets) return;
    this.touchTargets = true;
    for (const n of this.nodes) {
      if ((n.kind === 'button' || n.kind === 'check') && this.state[n.id]) this.targetRoom(this.els[n.id], n, this.state[n.id]);
    }
  }

  element(name) {
    return this.root.querySelector(`[data-name="${CSS.escape(name)}"]`) || (name === 'LinkDemo' ? this.root : null);
  }

  // The element a mouse press goes to, as the core's tree says (captions,
  // shapes and lines: the panel they are drawn on).
  pressTarget(ev) {
    const el = ev.target.closest && ev.target.closest('[data-id]');
    if (!el) return ev.target;
    return this.els[this.nodes[Number(el.dataset.id)].press];
  }

  // Gives the keyboard focus to control `id` (none for -1).
  focusControl(id) {
    if (id >= 0) this.els[id].focus({ preventScroll: true });
  }

  // Updates every element whose control changed and the stacking of every
  // re-stacked container, then draws the new trace lines. Returns the
  // number of controls updated.
  sync() {
    const d = JSON.parse(this.model.sync());
    for (const [id, changed] of d.controls) {
      const n = this.nodes[id];
      const el = this.els[id];
      // The model sends the fields that changed; the page keeps the rest.
      const st = this.state[id] ? Object.assign(this.state[id], changed) : changed;
      this.state[id] = st;
      kinds[n.kind].update(this, n, el, st, changed);
      if (movedOnly(changed)) continue;
      if (n.kind !== 'window') setHidden(el, !st.visible);
      this.applyTab(n, el, st);
      if (n.kind === 'window') document.title = this.model.caption();
    }
    for (const [, order] of d.stacks) {
      order.forEach((child, i) => {
        this.els[child].stackPos = i;
        this.restack(child);
      });
    }
    for (const [id] of d.controls) {
      // A caption's background decides its layer.
      if (this.nodes[id].kind === 'label' && this.els[id].stackPos !== undefined) this.restack(id);
    }
    for (const [id, redraw, lines] of d.pictures) {
      const el = this.els[id];
      if (redraw) {
        el.lines = lines;
        this.redrawPicture(el);
      } else {
        const from = el.lines.length;
        for (const v of lines) el.lines.push(v);
        this.drawLines(el, from);
      }
    }
    // The page's panels: accessible names and tooltips (panels.js).
    if (this.onSyncData) this.onSyncData(d);
    return d.controls.length;
  }

  // The core's layer of the control, then its place in its container's
  // stacking.
  restack(id) {
    const el = this.els[id];
    const st = this.state[id];
    setStyle(el, 'zIndex', String((st ? st.layer : 1) * 100000 + el.stackPos));
  }

  // The control's place in the Tab chain, as the core sends it; a control
  // the chain skips (a packet on a wire) takes no Tab. A combo's field
  // comes before its list.
  applyTab(n, el, st) {
    const focusable = n.kind === 'button' ? [el] : n.kind === 'check' ? [el.box]
      : n.kind === 'combo' ? [el.field, el.list].filter(Boolean) : [];
    focusable.forEach((f, i) => {
      const tab = st.tab ? 2 * st.tab + i : -1;
      if (f.tabIndex !== tab) f.tabIndex = tab;
    });
  }

  // A user action on the model, then everything is mirrored. Dropped while
  // the message box is open (the page is modal then).
  act(action) {
    if (this.modal) return;
    if (this.beforeAct) this.beforeAct();
    action();
    this.after();
    if (this.afterSave) this.afterSave();
  }

  // Redraws the traces when the device-pixel ratio changed. Besides the
  // media query's event, every sync looks (an emulated or remote screen
  // may change it without one).
  checkRatio() {
    if ((window.devicePixelRatio || 1) === this.dpr) return;
    this.dpr = window.devicePixelRatio || 1;
    for (const p of this.pictures) this.redrawPicture(p);
  }

  after() {
    if (this.framePending) {
      cancelAnimationFrame(this.framePending);
      this.framePending = 0;
    }
    this.checkRatio();
    this.sync();
    this.markChosen();
    if (this.onSynced) this.onSynced();
    if (this.messageBox) this.messageBox.showWaiting();
  }

  // The packet chosen from the keyboard (] and [) is outlined, as in the
  // window; the mark goes when its packet leaves its slot.
  markChosen() {
    const id = this.model.selectedPacket();
    if (id === this.chosen) return;
    if (this.chosen >= 0 && this.els[this.chosen]) this.els[this.chosen].classList.remove('chosen');
    if (id >= 0 && this.els[id]) this.els[id].classList.add('chosen');
    this.chosen = id;
  }

  // The clock's update: the page is mirrored once at the next frame, not at
  // every tick between two frames. A message box waiting is shown at once,
  // so that the clock holds where the model showed it.
  afterFrame() {
    if (this.model.hasMessage()) {
      this.after();
      return;
    }
    if (this.framePending) return;
    this.framePending = requestAnimationFrame(() => {
      this.framePending = 0;
      this.after();
    });
  }

  applyZoom() {
    const [w, h] = this.size;
    setStyle(this.root, 'transform', this.zoom === 1 ? '' : `scale(${this.zoom})`);
    // The least a finger's target takes on the glass, in the client area's
    // own pixels (used where touch is in use: page.css).
    setStyle(this.root, '--hit', `${(TOUCH_TARGET_PX / this.zoom).toFixed(2)}px`);
    setStyle(this.stage, 'width', `${Math.round(w * this.zoom)}px`);
    setStyle(this.stage, 'height', `${Math.round(h * this.zoom)}px`);
  }

  setZoom(z) {
    if (z === this.zoom) return this.applyZoom();
    this.zoom = z;
    this.applyZoom();
    for (const p of this.pictures) this.redrawPicture(p);
  }

  // `scale`: canvas pixels a CSS pixel of the client area (an export's own).
  redrawPicture(el, scale = this.dpr * this.zoom) {
    if (!el.size) return;
    const [w, h] = el.size;
    const cw = Math.max(1, Math.ceil(w * scale));
    const ch = Math.max(1, Math.ceil(h * scale));
    if (el.width !== cw) el.width = cw;
    if (el.height !== ch) el.height = ch;
    const ctx = el.getContext('2d');
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = el.back;
    ctx.fillRect(0, 0, cw, ch);
    this.drawLines(el, 0, scale);
  }

  // Draws the picture's lines from number `from` of its list (five numbers
  // a line: the ends in whole pixels at zoom 1, as the core sends them, and
  // the colour) on. One path a colour: the lines of one sync go in a few
  // strokes (where two colours cross, the pixel may take either).
  drawLines(el, from, scale = this.dpr * this.zoom) {
    const v = el.lines;
    if (from >= v.length || !el.size) return;
    const ctx = el.getContext('2d');
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    ctx.lineWidth = this.look.wideTraceLines ? 2 : 1;
    const paths = new Map();
    for (let i = from; i + 4 < v.length; i += 5) {
      let path = paths.get(v[i + 4]);
      if (!path) paths.set(v[i + 4], (path = new Path2D()));
      path.moveTo(v[i] + 0.5, v[i + 1] + 0.5);
      path.lineTo(v[i + 2] + 0.5, v[i + 3] + 0.5);
    }
    for (const [c, path] of paths) {
      ctx.strokeStyle = colour(this.drawn(c, 'line'));
      ctx.setLineDash(c === this.look.dashedColour ? [4, 4] : []);
      ctx.stroke(path);
    }
  }
}

// ---- the wall clock --------------------------------------------------------

// Only wakes the core's wall clock (presenter::WallClock) every few
// milliseconds with the real time: the core decides how far the simulated
// time goes (the pace, the catch-up cap, a played script's limit) and runs
// the script's lines that fell due. `advance` (linkdemo.advance) puts the
// page on virtual time for good: the real time then moves only by it.
class WallClock {
  constructor(page) {
    this.page = page;
    this.timer = null;
    this.virtual = null;
    this.timers = new Set();  // later()'s
    this.rebase();
  }

  // Calls `fn` once `ms` of real time passed (of virtual time, once
  // advance() is in use); returns what cancels it.
  later(ms, fn) {
    const t = { due: this.now() + ms, fn, timer: null };
    this.timers.add(t);
    if (this.virtual === null) t.timer = setTimeout(() => this.fire(t), ms);
    return () => {
      clearTimeout(t.timer);
      this.timers.delete(t);
    };
  }

  fire(t) {
    if (this.timers.delete(t)) t.fn();
  }

  now() {
    return this.virtual !== null ? this.virtual : performance.now();
  }

  start() {
    this.rebase();
    this.on = true;
    if (this.timer === null && this.virtual === null) this.timer = setInterval(() => this.tick(), CLOCK_INTERVAL_MS);
  }

  stop() {
    this.on = false;
    if (this.timer !== null) clearInterval(this.timer);
    this.timer = null;
  }

  running() {
    return this.on === true;
  }

  // Forgets the real time that has passed: used after a message box, a
  // script run from the console, a step.
  rebase() {
    this.page.binding.model.rebaseClock(this.now());
  }

  tick() {
    const b = this.page.binding;
    if (b.modal) return;
    if (b.model.wake(this.now())) {
      // Once a frame on the real clock; at once on the virtual one, where
      // no frame comes between its wake-ups.
      if (this.virtual === null) {
        b.afterFrame();
      } else {
        b.after();
        this.page.showPlay();
      }
    }
  }

  // `ms` of real time pass at once, in wake-ups CLOCK_INTERVAL_MS apart
  // (while the clock runs: a held clock lets none pass).
  advance(ms) {
    if (this.virtual === null) {
      if (this.timer !== null) clearInterval(this.timer);
      this.timer = null;
      // What was to come on the real clock comes on the virtual one.
      for (const t of this.timers) {
        clearTimeout(t.timer);
        t.due = Math.max(0, t.due - performance.now());
      }
      this.virtual = 0;
      this.rebase();
    }
    const end = this.virtual + Math.max(0, Number(ms) || 0);
    while (this.virtual < end) {
      this.virtual = Math.min(end, this.virtual + CLOCK_INTERVAL_MS);
      if (this.on) this.tick();
      for (const t of this.timers) if (t.due <= this.virtual) this.fire(t);
    }
  }
}

// ---- the page --------------------------------------------------------------

class Page {
  constructor(model) {
    this.binding = new Binding(model, document.getElementById('stage'));
    this.clock = new WallClock(this);
    this.binding.messageBox = this.messageBox();
    const clock = document.getElementById('clock');
    const clockSize = document.getElementById('clock-size');
    this.playRevision = -1;
    this.binding.onSynced = () => {
      const status = this.binding.model.status();
      setText(clock, status);
      setText(clockSize, status.replace(/\d/g, '0'));
      this.showPlay();
    };
    this.last = null;
    // Why the wall clock is held, when the page held it: 'link' (a session
    // opened at its end), 'hidden' (the tab was hidden). The next user
    // action or Resume lets it go on.
    this.held = null;
    const params = new URLSearchParams(location.search);
    // "?embed": inside a course page's frame. The client area fits the
    // frame, the tool bar keeps Start/Pause, Step, Reset and Share (and Play
    // for a link that plays), and the page takes no focus of its own.
    this.embedded = params.has('embed');
    document.documentElement.classList.toggle('embed', this.embedded);
    // "?profile=projector" (or colour-vision): the page starts in that
    // colour profile.
    this.binding.useProfile(params.get('profile') || 'standard');
    this.binding.after();
    this.keys();
    this.toolbar();
    this.playing();
    this.profileMenu();
    this.fit();
    this.binding.beforeAct = () => {
      if (this.held) this.resume();
    };
    // "?clock=off": the page starts with its wall clock held, so that
    // virtual time stays at 0 until a script or linkdemo.clock(true) moves
    // it (the state in which the native runner starts every script).
    this.clockOff = params.get('clock') === 'off';
    this.sessionReady = this.sessions();
  }

  // ---- fitting the viewport ----

  // The client area is scaled to the largest size at which the whole of it
  // fits the viewport below the tool bar. With a mouse the automatic fit
  // goes no larger than 100 % (the demonstration's own size); on a touch
  // screen, and with the Fit button, it fills the room. The browser's pinch
  // zoom works on top (it leaves the layout viewport as it is).
  fit() {
    const b = this.binding;
    const zoom = document.getElementById('zoom');
    const hint = document.getElementById('hint');
    const fitOption = zoom.querySelector('option[value=fit]');
    this.fitting = this.embedded ? 'full' : 'auto';
    const touch = () => document.documentElement.classList.contains('touch');
    if (navigator.maxTouchPoints > 0 || (window.matchMedia && matchMedia('(any-pointer: coarse)').matches)) {
      document.documentElement.classList.add('touch');
    }
    document.addEventListener('pointerdown', (ev) => {
      if (ev.pointerType === 'touch' && !touch()) {
        document.documentElement.classList.add('touch');
        this.refit();
      }
    }, true);
    this.refit = () => {
      if (!this.fitting) return b.applyZoom();
      const [w, h] = b.size;
      if (!(w > 0 && h > 0)) return b.applyZoom();
      const root = document.documentElement;
      const vw = root.clientWidth;
      const vh = root.clientHeight;
      // A phone held upright: the picture is larger sideways.
      setHidden(hint, !(touch() && vh > vw && vw < w));
      const side = document.getElementById('side');
      const sideWidth = side.childElementCount ? side.getBoundingClientRect().width + 8 : 0;
      const page = document.getElementById('page');
      const pad = parseFloat(getComputedStyle(page).paddingLeft) || 0;
      const main = document.getElementById('main');
      // The tool bar above the client area, or beside it on a short screen.
      const bar = document.getElementById('toolbar');
      const beside = getComputedStyle(bar).flexDirection === 'column';
      const barWidth = beside ? bar.getBoundingClientRect().width + (parseFloat(getComputedStyle(page).columnGap) || 0) : 0;
      // The tool bar may wrap anew with the fit's own caption: measured again.
      for (let pass = 0; pass < 3; ++pass) {
        const top = main.getBoundingClientRect().top + window.scrollY;
        // A pixel to spare for the stage's rounding.
        let z = Math.min((vw - 2 * pad - sideWidth - barWidth) / w, (vh - top - pad - 1) / h);
        if (this.fitting === 'auto' && !touch()) z = Math.min(1, z);
        z = Math.max(0.1, Math.floor(z * 1000) / 1000);
        fitOption.textContent = `Fit (${Math.round(z * 100)} %)`;
        b.setZoom(z);
        if (main.getBoundingClientRect().top + window.scrollY === top) break;
      }
    };
    b.onResized = this.refit;
    window.addEventListener('resize', this.refit);
    // A status, a longer clock or another scenario may wrap the tool bar.
    if (window.ResizeObserver) {
      let height = 0;
      new ResizeObserver(() => {
        const now = document.getElementById('main').getBoundingClientRect().top;
        if (now !== height) {
          height = now;
          this.refit();
        }
      }).observe(document.getElementById('toolbar'));
    }
    if (window.visualViewport) window.visualViewport.addEventListener('resize', () => this.refit());
    zoom.value = 'fit';
    zoom.addEventListener('change', () => {
      if (zoom.value === 'fit') {
        this.fitting = 'full';
        return this.refit();
      }
      this.fitting = null;
      fitOption.textContent = 'Fit';
      b.setZoom(Number(zoom.value));
    });
    document.getElementById('fit').addEventListener('click', () => {
      this.fitting = 'full';
      zoom.value = 'fit';
      this.refit();
    });
    this.refit();
  }

  // ---- the session: Share, links, reload, a hidden tab ----

  // The session is the model's own record of what the user did (the
  // runner's script of it). A link carries it in the fragment, deflated and
  // base64url-encoded: "#session=" opens at its end with the clock held,
  // "#play=" plays it from the start. The tab's session storage keeps it
  // over a reload.
  async sessions() {
    const b = this.binding;
    const shareMode = document.getElementById('share-mode');
    document.getElementById('share').addEventListener('click', async () => {
      const link = await this.shareLink(shareMode.value);
      try {
        await navigator.clipboard.writeText(link);
        this.status(b.model.scriptExact()
          ? 'Link copied: it carries the session so far (nothing is sent anywhere)'
          : 'Link copied; an edit in the session (a paste or a deletion) is carried as its final text');
      } catch (e) {
        this.showLink(link);
      }
    });
    document.getElementById('resume').addEventListener('click', () => this.resume());
    const save = () => this.save();
    window.addEventListener('pagehide', save);
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) {
        save();
        if (this.clock.running() && !this.clockOff) {
          this.clock.stop();
          this.held = 'hidden';
        }
      } else if (this.held === 'hidden') {
        this.hold('hidden', 'Paused while the tab was hidden');
      }
    });
    const previous = this.saved();
    const m = /^#(session|play)=([A-Za-z0-9_-]*)$/.exec(location.hash);
    let script = null;
    let mode = 'session';
    let note = '';
    if (previous) {
      script = previous;
      note = 'Session restored';
    } else if (m) {
      try {
        script = await unpack(m[2]);
        mode = m[1];
        note = 'Opened the shared session at its end';
      } catch (e) {
        this.forgetLink();
        this.status('This link does not hold a session that can be read: the demonstration starts afresh');
      }
    }
    // "#lesson=NAME": a bundled lesson (its file name without extension).
    let lesson = null;
    if (!previous && location.hash.startsWith('#lesson=')) {
      lesson = decodeURIComponent(location.hash.slice('#lesson='.length));
      if (!this.lessons.some((l) => l.name === lesson)) {
        this.forgetLink();
        this.status(`This page has no lesson "${lesson}": the demonstration starts afresh`);
        lesson = null;
      }
    }
    const replay = document.getElementById('embed-play');
    if (script !== null && mode === 'play') {
      setHidden(replay, false);
      replay.addEventListener('click', () => this.replay());
    }
    if (lesson !== null) {
      this.playLesson(lesson, !this.clockOff);
    } else if (script !== null && mode === 'play' && !this.clockOff && !previous) {
      this.playScript(script, 'the shared session');
    } else if (script !== null) {
      const r = this.execute(script);
      if (r.status !== 0) note = `The session stopped: ${r.stderr.trim()}`;
      if (this.clockOff) this.status(note);
      else this.hold('link', `${note}, paused`);
    } else if (!this.clockOff) {
      this.clock.start();
    }
    this.save();
    b.afterSave = save;
  }

  // The link's session played again from start-up: the page opened afresh,
  // with what this tab kept forgotten.
  replay() {
    this.saving = false;
    try {
      sessionStorage.removeItem(SESSION_KEY);
    } catch (e) {
      // Nothing was kept.
    }
    location.reload();
  }

  // The link Share copies: this page's address (without ?clock or ?embed:
  // it opens the whole page) with the session so far in the fragment;
  // `mode` 'session' opens at its end, 'play' plays it from the start.
  async shareLink(mode = 'session') {
    const url = new URL(location.href);
    url.searchParams.delete('clock');
    url.searchParams.delete('embed');
    url.hash = `${mode === 'play' ? 'play' : 'session'}=${await pack(this.binding.model.script())}`;
    return url.href;
  }

  // Where the clipboard is closed to the page: the link in a field to copy.
  showLink(link) {
    const field = document.getElementById('share-link');
    field.value = link;
    field.hidden = false;
    field.focus({ preventScroll: true });
    field.select();
    this.status('Copy the link from the field');
  }

  hold(why, text) {
    this.clock.stop();
    this.held = why;
    document.getElementById('resume').hidden = false;
    this.status(`${text}: Resume, or any action on the demonstration, goes on`);
  }

  resume() {
    this.held = null;
    document.getElementById('resume').hidden = true;
    this.status('');
    this.clock.start();
  }

  save() {
    if (this.saving === false) return;
    try {
      sessionStorage.setItem(SESSION_KEY, JSON.stringify({ hash: location.hash, script: this.binding.model.script() }));
    } catch (e) {
      // No storage (a private window may refuse it): a reload starts afresh.
    }
  }

  // The script kept for this tab, when it belongs to the address opened.
  saved() {
    try {
      const v = JSON.parse(sessionStorage.getItem(SESSION_KEY));
      return v && v.hash === location.hash && typeof v.script === 'string' ? v.script : null;
    } catch (e) {
      return null;
    }
  }

  forgetLink() {
    try {
      history.replaceState(null, '', location.href.split('#')[0]);
    } catch (e) {
      // A page opened from a file may not rewrite its address.
    }
  }

  // Runs script-runner lines against the live model and mirrors the result.
  // The wall clock goes on from the time they leave, unless `keepPace`.
  execute(text, keepPace = false) {
    let r;
    try {
      r = JSON.parse(this.binding.model.run(String(text)));
      // A file the lines wrote (svg) is offered as a download (panels.js).
      if (r.downloads.length && this.onDownloads) this.onDownloads(r.downloads);
    } finally {
      // Whatever the lines did before a failure, the page shows it.
      this.binding.after();
      if (!keepPace) this.clock.rebase();
    }
    this.last = { stdout: r.stdout, stderr: r.stderr, status: r.status };
    return { stdout: r.stdout, stderr: r.stderr, status: r.status, text: r.text };
  }

  log(text, clear = false) {
    const el = document.getElementById('log');
    if (clear) el.textContent = '';
    if (!text) return;
    el.hidden = false;
    el.textContent += text;
    el.scrollTop = el.scrollHeight;
  }

  status(text) {
    document.getElementById('status').textContent = text;
  }

  // The model's message box: the model went on at once (answered OK); the
  // page stays modal, its clock held, until the user closes the box.
  messageBox() {
    const box = document.getElementById('msgbox');
    const ok = box.querySelector('button');
    const b = this.binding;
    const showWaiting = () => {
      if (b.modal) return;
      const text = b.model.takeMessage();
      if (!text) return;
      b.modal = true;
      box.querySelector('.title').textContent = b.model.caption();
      box.querySelector('.text').textContent = text;
      box.hidden = false;
      ok.focus();
    };
    ok.addEventListener('click', () => {
      box.hidden = true;
      b.modal = false;
      this.clock.rebase();
      showWaiting();
    });
    return { showWaiting };
  }

  // The keys of the core's key table (Module.keyTable()): Space presses the
  // pause button, R "Reset", as a click would, S steps, + and - change the
  // pace, F follows the present, ] and [ choose a packet in flight and
  // Delete destroys it as a click would, when the focused control does not
  // take the key itself (a button, check box or list takes Space; a list or
  // text field takes letters); while a script plays Space is its pause
  // whatever has the focus but a field. Escape forgets the chosen packet and
  // gives the focus back to the pause button. The pause
  // button is where the run starts: it has the focus at start-up and after
  // a scenario is picked from the list's pop-up, so that Space or Return
  // starts the run and no arrow key changes the scenario by accident.
  keys() {
    const b = this.binding;
    const byName = (name) => b.nodes.find((n) => n.name === name).id;
    const pause = byName('LinkDemo.cmdPause');
    const reset = byName('LinkDemo.cmdReset');
    const scenario = byName('LinkDemo.cmbScenario');
    const names = { ' ': 'Space', Spacebar: 'Space', Enter: 'Return', Esc: 'Escape', Del: 'Delete',
      ArrowLeft: 'Left', ArrowRight: 'Right', ArrowUp: 'Up', ArrowDown: 'Down' };
    const focusedKind = (el) => {
      if (!el || el === document.body) return 'none';
      if (el.matches('input[type=checkbox]')) return 'check';
      if (el.matches('button, [role=button]')) return 'button';
      if (el.matches('select')) return 'list';
      if (el.matches('input, textarea') || el.isContentEditable) return 'field';
      return 'none';
    };
    const pace = document.getElementById('pace');
    const paceBy = (step) => {
      b.model.setPace(b.model.paceIndex() + step);
      if (pace) pace.value = String(b.model.paceIndex());
    };
    const actions = {
      pause: () => b.act(() => b.model.click(pause)),
      reset: () => b.act(() => b.model.click(reset)),
      step: () => document.getElementById('step').click(),
      faster: () => paceBy(1),
      slower: () => paceBy(-1),
      follow: () => {
        b.act(() => b.model.setFollowPresent(!b.model.followPresent()));
        this.status(b.model.followPresent() ? 'Following the present (F to stop)' : 'Not following the present');
      },
      nextPacket: () => b.act(() => b.model.selectPacket(1)),
      previousPacket: () => b.act(() => b.model.selectPacket(-1)),
      destroyPacket: () => b.act(() => b.model.destroySelectedPacket()),
      escape: () => {
        b.model.clearSelection();
        b.markChosen();
        b.focusControl(b.model.home());
      },
    };
    // The tool bar's Follow does what F does (tracetools.js).
    this.toggleFollow = actions.follow;
    // What the Keyboard help lists: the table's rows of these actions (F1
    // is the Help panels' own).
    this.keyActions = new Set([...Object.keys(actions), 'gettingStarted']);
    // Others around the demonstration add theirs (the Lab's L: lab.js; Back
    // One Tick and Back Five Seconds: rewind.js).
    this.actions = actions;
    document.addEventListener('keydown', (ev) => {
      if (b.modal || ev.altKey || ev.metaKey) return;
      const name = names[ev.key] || (ev.key.length === 1 ? ev.key.toUpperCase() : ev.key);
      const action = b.model.keyAction(name, ev.ctrlKey, ev.shiftKey, focusedKind(document.activeElement),
        b.model.playing());
      const run = this.actions[action];
      if (!run) return;
      ev.preventDefault();
      if (!ev.repeat) run();
    });
    // No scrolling to it: the page opens at its top. In a frame the host
    // page keeps the focus.
    if (!this.embedded) b.els[pause].focus({ preventScroll: true });
    for (const [button, id] of [['embed-pause', pause], ['embed-reset', reset]]) {
      document.getElementById(button).addEventListener('click', () => b.act(() => b.model.click(id)));
    }
    b.onListChoice = (n, fromPopup) => {
      if (n.id === scenario && fromPopup) b.els[pause].focus();
    };
  }

  toolbar() {
    const b = this.binding;
    document.getElementById('step').addEventListener('click', () => {
      b.act(() => b.model.step());
      this.clock.rebase();
    });
    const pace = document.getElementById('pace');
    pace.value = String(b.model.paceIndex());
    pace.addEventListener('change', () => b.model.setPace(Number(pace.value)));
    const file = document.getElementById('play-file');
    document.getElementById('play').addEventListener('click', () => file.click());
    file.addEventListener('change', async () => {
      const f = file.files[0];
      if (!f) return;
      const text = await f.text();
      file.value = '';
      this.playScript(text, f.name);
    });
  }

  // ---- playing scripts and lessons ----

  // The core's script player plays a file or a bundled lesson as the
  // window does: from the start-up state, at the wall clock's pace, its
  // `say` lines in the caption band, its checkpoints asked there. The
  // page's pause button (and Space) then pauses and continues the script;
  // Pause, Step and Stop script are on the tool bar.
  playing() {
    const b = this.binding;
    const model = b.model;
    this.lessons = JSON.parse(Module.LinkDemoModel.lessons());
    const menu = document.getElementById('lessons');
    for (const l of this.lessons) {
      const o = new Option(l.title, l.name);
      o.title = l.summary;
      menu.append(o);
    }
    menu.addEventListener('change', () => {
      const name = menu.value;
      menu.value = '';
      if (name) this.playLesson(name);
    });
    // They take no focus from a click, so that Space goes on pressing the
    // pause button (and so pausing and continuing the script).
    const control = (id, action) => {
      const el = document.getElementById(id);
      el.addEventListener('mousedown', (ev) => ev.preventDefault());
      el.addEventListener('click', () => b.act(action));
    };
    control('pause-script', () => model.setPlayPaused(!this.play.paused));
    control('step-script', () => model.stepPlay());
    control('stop-script', () => model.stopPlay());
    const wait = document.getElementById('wait-captions');
    wait.addEventListener('change', () => model.setWaitAtCaptions(wait.checked));
    // The band lies over the client area's bottom edge and scales with it.
    this.band = document.createElement('div');
    this.band.id = 'band';
    this.band.hidden = true;
    this.band.setAttribute('aria-live', 'polite');
    // Its clicks stay its own (the client area beneath takes none), and its
    // buttons take no focus, so that Space keeps pressing the pause button.
    for (const type of ['mousedown', 'mouseup', 'click', 'pointerdown', 'focusin']) {
      this.band.addEventListener(type, (ev) => {
        ev.stopPropagation();
        if (type === 'mousedown') ev.preventDefault();
      });
    }
    b.root.append(this.band);
    this.bandKey = '';
    // A checkpoint's choices: the keys 1 to 9, unless a field takes them.
    document.addEventListener('keydown', (ev) => {
      if (b.modal || ev.ctrlKey || ev.altKey || ev.metaKey || !/^[1-9]$/.test(ev.key)) return;
      const band = this.play && this.play.band;
      if (!band || band.mode !== 'ask' || band.chosen >= 0) return;
      const focused = document.activeElement;
      if (focused && focused.matches('input:not([type=checkbox]), select, textarea')) return;
      ev.preventDefault();
      b.act(() => model.answer(Number(ev.key) - 1));
    });
    this.play = JSON.parse(model.playInfo());
  }

  // Plays `text`; `start` the wall clock with it (held under ?clock=off
  // until linkdemo.clock(true)).
  playScript(text, name, start = true) {
    const b = this.binding;
    this.log('', true);
    this.heldOutput = '';
    b.model.play(String(text), String(name));
    b.after();
    if (start && !this.clock.running()) this.clock.start();
    this.clock.rebase();
  }

  playLesson(name, start = true) {
    const b = this.binding;
    this.log('', true);
    this.heldOutput = '';
    if (!b.model.playLesson(String(name))) return false;
    b.after();
    if (start && !this.clock.running()) this.clock.start();
    this.clock.rebase();
    return true;
  }

  // After every sync: what the played lines printed goes to the log, and
  // the status line, the band and the script's buttons follow the player.
  showPlay() {
    const model = this.binding.model;
    const revision = model.playRevision();
    if (revision === this.playRevision || !this.band) return;
    this.playRevision = revision;
    const out = JSON.parse(model.takePlayOutput());
    const info = JSON.parse(model.playInfo());
    // The log under the page prints what the runner prints, and a question's
    // line carries its answer: it is held back until the question is answered.
    this.heldOutput = (this.heldOutput || '') + out.text;
    const asking = info.band.mode === 'ask' && info.band.chosen < 0;
    const at = asking ? this.heldOutput.lastIndexOf('{"ask"') : -1;
    const shown = at < 0 ? this.heldOutput : this.heldOutput.slice(0, at);
    this.heldOutput = this.heldOutput.slice(shown.length);
    this.log(shown);
    const was = this.play;
    this.play = info;
    // A script stopped by a bad line says why (the window's message box).
    if (info.state === 'failed' && info.error && !info.status.includes(info.error)) info.status += `: ${info.error}`;
    if (!was || info.status !== was.status) this.status(info.status);
    const pause = document.getElementById('pause-script');
    setText(pause, info.paused ? 'Continue script' : 'Pause script');
    if (pause.getAttribute('aria-pressed') !== String(info.paused)) pause.setAttribute('aria-pressed', String(info.paused));
    const step = document.getElementById('step-script');
    if (step.disabled === info.paused) step.disabled = !info.paused;
    setHidden(document.getElementById('script-controls'), !info.playing);
    this.showBand(info.band);
  }

  showBand(band) {
    const key = JSON.stringify(band);
    if (key === this.bandKey) return;
    this.bandKey = key;
    const el = this.band;
    el.replaceChildren();
    el.className = band.mode === 'text' || band.mode === 'none' ? '' : 'interactive';
    setHidden(el, band.mode === 'none' || (band.mode === 'text' && !band.text));
    const b = this.binding;
    const model = b.model;
    const line = (text, cls) => {
      const d = document.createElement('div');
      d.className = cls;
      d.textContent = text;
      el.append(d);
      return d;
    };
    const button = (parent, text, action, cls = '') => {
      const x = document.createElement('button');
      x.type = 'button';
      x.tabIndex = -1;
      x.className = cls;
      x.textContent = text;
      x.addEventListener('click', () => b.act(action));
      parent.append(x);
      return x;
    };
    const row = (cls) => {
      const d = document.createElement('div');
      d.className = cls;
      el.append(d);
      return d;
    };
    if (band.mode === 'text') {
      line(band.text, 'caption');
    } else if (band.mode === 'wait') {
      const r = row('row');
      const t = document.createElement('div');
      t.className = 'caption';
      t.textContent = band.text;
      r.append(t);
      button(r, 'Continue (Space)', () => model.proceed());
    } else if (band.mode === 'ask') {
      line(band.question, 'caption');
      const choices = row('choices');
      band.choices.forEach((text, k) => {
        let cls = '';
        if (band.chosen >= 0 && k === band.answer) cls = 'right';
        if (band.chosen >= 0 && k === band.chosen && k !== band.answer) cls = 'wrong';
        const x = button(choices, `${k + 1}  ${text}`, () => model.answer(k), cls);
        x.disabled = !(band.chosen < 0 || k === band.chosen || k === band.answer);
      });
      if (band.chosen >= 0) {
        const right = band.chosen === band.answer;
        line(right ? 'Right: you predicted it.' : `Not quite: the answer is ${band.answer + 1}.`,
          `mark ${right ? 'right' : 'wrong'}`);
        line(band.reveal, 'reveal');
      }
      if (band.canContinue || band.canWatchAgain) {
        const r = row('buttons');
        if (band.canWatchAgain) button(r, 'Watch again', () => model.watchAgain());
        if (band.canContinue) button(r, 'Continue (Space)', () => model.proceed());
      }
    }
  }

  // The profile menu shows the profile in force; a choice redraws the page
  // in it and puts it in the address, so that a reload keeps it.
  profileMenu() {
    const menu = document.getElementById('profile');
    const show = () => {
      menu.value = this.binding.profile;
      document.getElementById('clock-box').classList.toggle('large', this.binding.look.largeClock);
    };
    show();
    menu.addEventListener('change', () => {
      this.binding.setProfile(menu.value);
      show();
      const url = new URL(location.href);
      if (this.binding.profile === 'standard') url.searchParams.delete('profile');
      else url.searchParams.set('profile', this.binding.profile);
      try {
        history.replaceState(null, '', url);
      } catch (e) {
        // A page opened from a file may not rewrite its address.
      }
    });
  }
}

// ---- links ----------------------------------------------------------------

const SESSION_KEY = 'linkdemo.session';

function base64url(bytes) {
  let bin = '';
  for (let i = 0; i < bytes.length; i += 0x8000) bin += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(bin).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// Text deflated and base64url-encoded, for a URL's fragment.
async function pack(text) {
  const stream = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate'));
  return base64url(new Uint8Array(await new Response(stream).arrayBuffer()));
}

// The text `pack` made; throws for anything else.
async function unpack(code) {
  const bin = atob(code.replace(/-/g, '+').replace(/_/g, '/'));
  const bytes = Uint8Array.from(bin, (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
  return new TextDecoder('utf-8', { fatal: true }).decode(await new Response(stream).arrayBuffer());
}

var Module = {
  async onRuntimeInitialized() {
    const page = new Page(new Module.LinkDemoModel());
    window.linkdemo.page = page;
    window.linkdemo.model = page.binding.model;
    // Explanations, help, the event log, names for assistive tools (panels.js).
    if (typeof Panels === 'function') window.linkdemo.panels = new Panels(page);
    // The trace tools, smooth motion and the focus rules (tracetools.js).
    if (typeof TraceTools === 'function') window.linkdemo.traceTools = new TraceTools(page);
    // Exporting traces and the client area, the wires' context menu (exports.js).
    if (typeof Exports === 'function') window.linkdemo.exports = new Exports(page);
    // A wire's context menu offers Clear trace before its export, as the window's.
    if (window.linkdemo.traceTools && window.linkdemo.exports) {
      const b = page.binding;
      window.linkdemo.exports.wireMenuEntries.push((wire) => {
        const picture = b.nodes.find((n) => n.kind === 'picture' && n.owner === wire.component);
        return picture ? [{ text: 'Clear trace', action: () => b.act(() => b.model.clearTrace(picture.id)) }] : [];
      });
    }
    // The Lab (lab.js).
    if (typeof LabPanel === 'function') window.linkdemo.lab = new LabPanel(page);
    // Back in the session and Record… (rewind.js).
    if (typeof TimeControls === 'function') window.linkdemo.timeControls = new TimeControls(page);
    await page.sessionReady;
    requestAnimationFrame(() => {
      // The first frame with the client area drawn.
      window.linkdemo.firstFrameMs = performance.now();
      window.linkdemo.resolveReady();
    });
  },
};

// The console interface.
window.linkdemo = {
  // Runs lines of the script runner's language against the live model.
  // Returns what the runner prints, standard output and standard error in
  // the order written; `linkdemo.last` then holds {stdout, stderr, status}
  // (status 0, or 2 when a bad line stopped the script).
  run(text) {
    return this.page.execute(text).text;
  },
  // The link Share copies (a promise): 'session' (the default) opens at the
  // session's end, 'play' plays it from the start.
  shareLink(mode = 'session') {
    return this.page.shareLink(mode);
  },
  // The session so far as a script of the runner's language.
  script() {
    return this.page.binding.model.script();
  },
  // Virtual time: `ms` of real time pass at once for the wall clock. From
  // the first call on, only these calls move it (tests wait on no real time).
  advance(ms) {
    this.page.clock.advance(ms);
  },
  // Starts (true) or holds (false) the wall clock.
  clock(on) {
    if (on) this.page.clock.start();
    else this.page.clock.stop();
  },
  last: null,
  firstFrameMs: null,
  lab: null,
  page: null,
  model: null,
};
Object.defineProperty(window.linkdemo, 'last', { get() { return this.page ? this.page.last : null; } });
window.linkdemo.ready = new Promise((resolve) => { window.linkdemo.resolveReady = resolve; });

// The hosted page (the one that names a manifest) keeps itself for use
// offline through its service worker; the single file, opened from disk or
// served alone, registers nothing.
if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol) && document.querySelector('link[rel=manifest]')) {
  window.addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}));
}
