// SPDX-License-Identifier: MIT
'use strict';
// The window's trace tools on the page, in its words and numbers, the logic
// in the core (WebDemo::traces, wheelTrace, clearTrace, motion):
//   - a time axis at each trace's left edge, as the window draws it;
//   - the wheel over a trace scrolls it, a second a notch;
//   - "The trace is full" with Clear trace over a full trace, and
//     "Follow (F)" once the present has passed the last second shown;
//   - Follow the Present and Smooth Motion on the tool bar (off at start-up,
//     as in the window's View menu); smooth motion places the packets where
//     the wire's timing puts them at every frame between two ticks;
//   - the focus: a click gives a control of the client area the focus only
//     where the core's rule says (rules::clickTakesFocus), and the tool bar
//     takes none from the client area;
//   - a click on an explanation that names a packet chooses that packet.
// Nothing here changes what the model does or what a script prints.

const NOTCH_PX = 100;      // the wheel's pixels a notch (DOM_DELTA_PIXEL)
const NOTCH_LINES = 3;     // its lines a notch (DOM_DELTA_LINE)
const WHEEL_EVENT_PX = 40; // a mouse's notch comes as one event of at least this
const NOTICE_LAYER = 1000000;

function tool(tag, attrs, text) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  if (text) e.textContent = text;
  return e;
}

// Clicks on a notice stay its own: the component beneath takes no press,
// and its buttons take no focus (as the window's).
function keepClicks(e) {
  for (const type of ['mousedown', 'mouseup', 'click', 'pointerdown', 'dblclick']) {
    e.addEventListener(type, (ev) => {
      ev.stopPropagation();
      if (type === 'mousedown') ev.preventDefault();
    });
  }
}

class TraceTools {
  constructor(page) {
    this.page = page;
    this.binding = page.binding;
    this.model = page.binding.model;
    this.views = new Map();  // picture id -> its axis, notices and wheel
    this.moved = new Set();  // packets placed off their model place
    this.frame = 0;
    this.toolbarButtons();
    this.focusRules();
    for (const n of this.binding.nodes) if (n.kind === 'picture') this.addView(n);
    this.explanationClicks();
    const b = this.binding;
    // A canvas redrawn (size, zoom, pixel ratio, profile) takes its axis anew.
    const redraw = b.redrawPicture.bind(b);
    b.redrawPicture = (el) => {
      redraw(el);
      const v = this.views.get(Number(el.dataset.id));
      if (!v) return;
      v.stale = true;
      // A new zoom or pixel ratio comes without a sync.
      if (v.info && el.size) this.drawAxis(v);
    };
    const synced = b.onSynced;
    b.onSynced = () => {
      if (synced) synced();
      this.synced();
    };
    this.synced();
  }

  // ---- the tool bar: Follow the Present, Smooth Motion ----

  toolbarButtons() {
    const bar = document.getElementById('toolbar');
    const after = document.getElementById('step');
    this.followButton = tool('button', {
      type: 'button', id: 'follow', class: 'full-only', 'aria-pressed': 'false', 'aria-label': 'Follow the Present',
      title: 'Keep the traces on the present moment (F)',
    }, 'Follow');
    this.smoothButton = tool('button', {
      type: 'button', id: 'smooth', class: 'full-only', 'aria-pressed': 'false',
      title: 'Move the packets smoothly between the 100 ms ticks (the model moves them at each tick)',
    }, 'Smooth Motion');
    after.after(this.followButton, this.smoothButton);
    this.followButton.addEventListener('click', () => this.page.toggleFollow());
    this.smoothButton.addEventListener('click', () => this.setSmoothMotion(!this.model.smoothMotion()));
    bar.setAttribute('data-keeps-focus', '');
  }

  setSmoothMotion(on) {
    this.model.setSmoothMotion(on);
    this.smoothButton.setAttribute('aria-pressed', String(on));
    this.placeMotion();
    if (on && !this.frame) this.frame = requestAnimationFrame(() => this.animate());
  }

  // ---- the focus ----

  focusRules() {
    const b = this.binding;
    // The tool bar's buttons and check boxes take no focus from a click, so
    // that the focus frame stays on the client area's control (the window's
    // tool bar takes none). A list needs the focus to open: after a choice
    // made with the mouse the focus goes back to where it was.
    const bar = document.getElementById('toolbar');
    const held = (target) => !target.closest('select, input:not([type=checkbox])') &&
      target.closest('button, label, input[type=checkbox]');
    bar.addEventListener('mousedown', (ev) => {
      if (ev.button === 0 && held(ev.target)) ev.preventDefault();
    }, true);
    this.clientFocus = null;
    b.root.addEventListener('focusin', (ev) => (this.clientFocus = ev.target));
    const returnFocus = (before) => {
      if (!before || !before.isConnected || before === document.activeElement) return;
      b.quietFocus = true;
      try {
        before.focus({ preventScroll: true });
      } finally {
        b.quietFocus = false;
      }
    };
    for (const list of bar.querySelectorAll('select')) {
      let before = null;
      list.addEventListener('mousedown', () => (before = this.clientFocus));
      list.addEventListener('keydown', () => (before = null));
      list.addEventListener('change', () => {
        if (before && document.activeElement === list) returnFocus(before);
        before = null;
      });
    }
    // The client area: a click on a button or a check box presses it and
    // leaves the focus where it was; a list that a click may not focus
    // gives it back after the choice from its pop-up (rules::clickTakesFocus).
    for (const n of b.nodes) {
      if (n.clickFocus !== false) continue;
      const el = b.els[n.id];
      if (n.kind === 'button' || n.kind === 'check') {
        // The press still tells its component, as the focus moving there
        // would have: the component comes to the front.
        el.addEventListener('mousedown', (ev) => {
          if (ev.button !== 0) return;
          ev.preventDefault();
          if (n.owner >= 0) b.act(() => this.model.focus(n.id));
        });
      } else if (n.kind === 'combo') {
        let before = null;
        el.addEventListener('mousedown', () => (before = document.activeElement));
        el.addEventListener('keydown', () => (before = null));
        // After the binding's own handler, which may send the focus home.
        el.addEventListener('change', () => {
          const list = el.querySelector('select');
          if (before && before !== list && document.activeElement === list) returnFocus(before);
          before = null;
        });
      }
    }
  }

  // ---- each trace: axis, notices, wheel ----

  addView(n) {
    const b = this.binding;
    const canvas = b.els[n.id];
    const axis = document.createElement('canvas');
    axis.className = 'ld ld-axis';
    axis.setAttribute('aria-hidden', 'true');
    canvas.after(axis);
    const full = tool('div', { class: 'ld-notice ld-full', role: 'status', hidden: '' });
    const fullText = tool('span', {});
    const clear = tool('button', { type: 'button', tabindex: '-1' }, 'Clear trace');
    full.append(fullText, clear);
    const follow = tool('button', {
      type: 'button', tabindex: '-1', class: 'ld-notice ld-follow', hidden: '',
      title: 'The present has passed the last second this trace shows: follow it (F)',
      'aria-label': 'Follow the present on the traces',
    }, 'Follow (F)');
    for (const e of [full, follow]) {
      keepClicks(e);
      canvas.parentElement.append(e);
    }
    clear.addEventListener('click', () => b.act(() => this.model.clearTrace(n.id)));
    follow.addEventListener('click', () => {
      if (!this.model.followPresent()) this.page.toggleFollow();
    });
    const view = { id: n.id, canvas, axis, full, fullText, follow, info: null, stale: true, rest: 0, placed: '' };
    canvas.addEventListener('wheel', (ev) => {
      ev.preventDefault();
      const notches = this.notches(view, ev);
      if (notches !== 0) b.act(() => this.model.wheelTrace(n.id, notches));
    }, { passive: false });
    this.views.set(n.id, view);
  }

  // Whole notches of a wheel event, positive away from the user (the
  // window's sign): a mouse's notch at once, a touchpad's pixels summed.
  notches(view, ev) {
    const d = ev.deltaY;
    if (!d) return 0;
    if (ev.deltaMode === 1) return -Math.trunc(d / NOTCH_LINES) || -Math.sign(d);
    if (ev.deltaMode === 2) return -Math.trunc(d) || -Math.sign(d);
    if (Math.abs(d) >= WHEEL_EVENT_PX) {
      view.rest = 0;
      return -Math.sign(d) * Math.max(1, Math.round(Math.abs(d) / NOTCH_PX));
    }
    view.rest += d;
    const whole = Math.trunc(view.rest / NOTCH_PX);
    view.rest -= whole * NOTCH_PX;
    return -whole;
  }

  // After every sync: the core's traces (only when they changed), the
  // overlays kept over their pictures, the packets' smooth places.
  synced() {
    const text = this.model.traces();
    if (text) {
      for (const t of JSON.parse(text)) {
        const v = this.views.get(t.picture);
        if (!v) continue;
        const was = v.info;
        v.info = t;
        if (!was || JSON.stringify(was.axis) !== JSON.stringify(t.axis) || was.room !== t.room) v.stale = true;
        const full = `The trace is full (${t.records} packets).`;
        if (v.fullText.textContent !== full) v.fullText.textContent = full;
        setHidden(v.full, !t.full);
        setHidden(v.follow, !t.follow);
      }
    }
    for (const v of this.views.values()) this.keepOver(v);
    const follow = String(this.model.followPresent());
    if (this.followButton.getAttribute('aria-pressed') !== follow) this.followButton.setAttribute('aria-pressed', follow);
    this.placeMotion();
  }

  // The axis canvas lies exactly over its picture (drawn after it, at its
  // layer), the notices at its corners above everything of the component.
  keepOver(v) {
    const c = v.canvas;
    const a = c.applied || {};
    const key = `${a.left},${a.top},${a.width},${a.height},${a.zIndex},${c.hasAttribute('hidden')}`;
    if (key !== v.placed) {
      v.placed = key;
      for (const p of ['left', 'top', 'width', 'height', 'zIndex']) if (a[p] !== undefined) setStyle(v.axis, p, a[p]);
      setHidden(v.axis, c.hasAttribute('hidden'));
      const [l, t] = [parseFloat(a.left) || 0, parseFloat(a.top) || 0];
      const [w, h] = [parseFloat(a.width) || 0, parseFloat(a.height) || 0];
      setStyle(v.full, 'left', `${l + 4}px`);
      setStyle(v.full, 'top', `${t + 4}px`);
      // Its bottom right corner there (page.css shifts it by its own size).
      setStyle(v.follow, 'left', `${l + w - 4}px`);
      setStyle(v.follow, 'top', `${t + h - 4}px`);
      for (const e of [v.full, v.follow]) setStyle(e, 'zIndex', String(NOTICE_LAYER));
      v.stale = true;
    }
    if (v.stale && c.size) this.drawAxis(v);
  }

  // As the window draws it: a tick and its seconds ("12 s", or "12" where
  // the unit does not fit) at every mark, in the strip left of the sending
  // end, right-aligned left of the tick; the largest font from 10 pixels
  // down at which every label fits, the unit given up below 9; where even
  // 7 does not fit, the seconds stand right of their ticks on a patch of
  // the picture's colour.
  drawAxis(v) {
    v.stale = false;
    const b = this.binding;
    const [w, h] = v.canvas.size;
    const scale = b.dpr * b.zoom;
    const cw = Math.max(1, Math.ceil(w * scale));
    const ch = Math.max(1, Math.ceil(h * scale));
    if (v.axis.width !== cw) v.axis.width = cw;
    if (v.axis.height !== ch) v.axis.height = ch;
    const ctx = v.axis.getContext('2d');
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, cw, ch);
    const marks = v.info ? v.info.axis : [];
    if (!marks.length) return;
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    const stripEnd = toPx(v.info.room) - 2;
    const tickStart = stripEnd - 3;
    const textRight = tickStart - 2;
    const room = textRight - 2;
    const labelOf = (s, unit) => (unit ? `${s} s` : String(s));
    const widest = (px, unit) => Math.max(...marks.map(([, s]) => width(labelOf(s, unit), px, false)));
    let unit = true;
    let px = 10;
    for (;;) {
      if (widest(px, unit) <= room) break;
      if (unit && px > 9) --px;
      else if (unit) {
        unit = false;
        px = 10;
      } else if (px > 7) --px;
      else break;
    }
    ctx.font = fontFace(px, false);
    const m = ctx.measureText('0');
    const cap = m.actualBoundingBoxAscent || px * 0.7;
    const descent = m.fontBoundingBoxDescent || px * 0.21;
    const inside = widest(px, unit) > room;
    ctx.lineWidth = 1;
    for (const [units, s] of marks) {
      const y = toPx(units);
      if (y < 0 || y > h) continue;
      ctx.strokeStyle = 'rgb(112,112,112)';
      ctx.beginPath();
      ctx.moveTo(tickStart, Math.round(y) + 0.5);
      ctx.lineTo(stripEnd, Math.round(y) + 0.5);
      ctx.stroke();
      const label = labelOf(s, unit);
      const baseline = Math.min(Math.max(y + cap / 2, cap + 2), h - descent - 1);
      const lw = width(label, px, false);
      const x = inside ? stripEnd + 1 : textRight - lw;
      if (inside) {
        ctx.globalAlpha = 210 / 255;
        ctx.fillStyle = v.canvas.back;
        ctx.fillRect(x, baseline - cap - 1, lw, cap + 2);
        ctx.globalAlpha = 1;
      }
      ctx.fillStyle = 'rgb(112,112,112)';
      ctx.fillText(label, x, baseline);
    }
  }

  // ---- smooth motion ----

  // The packets where the core puts them at the present moment of the tick;
  // back at the model's own places once the run pauses or the motion is off.
  placeMotion() {
    const b = this.binding;
    const spans = this.model.smoothMotion() ? JSON.parse(this.model.motion()) : [];
    if (!spans.length) {
      for (const id of this.moved) if (b.state[id]) place(b.els[id], b.state[id], true);
      this.moved.clear();
      return;
    }
    for (const [id, left, w] of spans) {
      const st = b.state[id];
      if (!st) continue;
      placeRect(b.els[id], pixelRect({ left, top: st.top, width: w, height: st.height }), true);
      this.moved.add(id);
    }
  }

  // While smooth motion is on and the wall clock runs on real time, every
  // frame wakes the clock at its own moment and mirrors the model, so that
  // the packets move at the frame rate, not at the clock's wake-ups.
  animate() {
    this.frame = 0;
    if (!this.model.smoothMotion()) return;
    const b = this.binding;
    const clock = this.page.clock;
    if (clock.running() && clock.virtual === null && !b.modal && !document.hidden) {
      clock.tick();
      if (b.framePending) b.after();
    }
    this.frame = requestAnimationFrame(() => this.animate());
  }

  // ---- a click on an explanation chooses its packet ----

  explanationClicks() {
    const panels = window.linkdemo.panels;
    if (!panels || !panels.explainList) return;
    panels.explainList.addEventListener('click', (ev) => {
      const item = ev.target.closest('li[data-packet]');
      if (!item) return;
      this.model.choosePacket(Number(item.dataset.packet), item.dataset.ack === '1');
      this.binding.markChosen();
    });
  }
}
