// SPDX-License-Identifier: MIT
'use strict';
// Pictures for slides and lab sheets, as the window's File menu offers them:
// a wire's trace as SVG (the core's own file, the one the runner's `svg`
// writes) or PNG (that SVG rasterised here at the window's size and scale),
// and the client area as PNG (its elements drawn through an SVG
// foreignObject). Each wire has a context menu (right click, the context-menu
// key, or a long press on a touch screen) with "Export trace of WireN…".
// The choices, their words and the figures come from the core; this file
// only draws and asks. Files go out through panels.js's download helper.

const LONG_PRESS_MS = 500;
const LONG_PRESS_SLOP_PX = 8;

// An SVG document's image, decoded: from a blob: URL, or for one that
// holds HTML (a foreignObject) from a data: URL, which leaves a canvas it is
// drawn into readable in Chromium.
async function imageOf(svgText, asData) {
  const url = asData ? `data:image/svg+xml;charset=utf-8,${encodeURIComponent(svgText)}`
    : URL.createObjectURL(new Blob([svgText], { type: 'image/svg+xml' }));
  try {
    const img = new Image();
    img.src = url;
    await img.decode();
    return img;
  } finally {
    if (!asData) URL.revokeObjectURL(url);
  }
}

// An SVG document drawn into a w x h canvas, as a PNG blob.
async function rasterise(svgText, w, h, asData = false) {
  const img = await imageOf(svgText, asData);
  const canvas = document.createElement('canvas');
  canvas.width = w;
  canvas.height = h;
  canvas.getContext('2d').drawImage(img, 0, 0, w, h);
  return new Promise((resolve, reject) => {
    canvas.toBlob((b) => (b ? resolve(b) : reject(new Error('the picture could not be made'))), 'image/png');
  });
}

// A pop-up menu of buttons: the arrows move between them, Enter, Space or a
// click chooses, Escape, Tab or a click elsewhere closes it. A disabled
// entry takes the focus but does nothing.
class PopupMenu {
  constructor(id, label) {
    this.el = el('div', { id, class: 'popup-menu', role: 'menu', 'aria-label': label, hidden: '' });
    document.body.append(this.el);
    // A press on the menu leaves the focus on its entry.
    this.el.addEventListener('mousedown', (ev) => ev.preventDefault());
    this.returnTo = null;
    this.onClose = null;
    this.el.addEventListener('click', (ev) => {
      const item = ev.target.closest('[role=menuitem]');
      if (!item || item.getAttribute('aria-disabled') === 'true') return;
      this.close(true);
      item.action();
    });
    this.el.addEventListener('keydown', (ev) => {
      const items = [...this.el.children];
      const i = items.indexOf(document.activeElement);
      if (ev.key === 'ArrowDown' || ev.key === 'ArrowUp') {
        ev.preventDefault();
        items[(i + (ev.key === 'ArrowDown' ? 1 : items.length - 1)) % items.length].focus();
      } else if (ev.key === 'Escape') {
        ev.preventDefault();
        ev.stopPropagation();
        this.close(true);
      } else if (ev.key === 'Tab') {
        this.close(false);
      }
    });
    document.addEventListener('pointerdown', (ev) => {
      if (!this.el.hidden && !this.el.contains(ev.target) && !(this.owner && this.owner.contains(ev.target))) {
        this.close(false);
      }
    });
  }

  get open() {
    return !this.el.hidden;
  }

  // Shows `entries` ([{text, disabled, action}]) with its top left at page
  // point (x, y), the first entry focused; the focus goes back to
  // `returnTo` on Escape.
  show(entries, x, y, returnTo) {
    this.el.replaceChildren(...entries.map((e) => {
      const b = el('button', { type: 'button', role: 'menuitem', tabindex: '-1', text: e.text });
      if (e.disabled) b.setAttribute('aria-disabled', 'true');
      b.action = e.action;
      return b;
    }));
    this.returnTo = returnTo;
    this.el.hidden = false;
    // Kept inside the viewport.
    const r = this.el.getBoundingClientRect();
    const left = Math.max(window.scrollX, Math.min(x, window.scrollX + document.documentElement.clientWidth - r.width));
    const top = Math.max(window.scrollY, Math.min(y, window.scrollY + document.documentElement.clientHeight - r.height));
    this.el.style.left = `${left}px`;
    this.el.style.top = `${top}px`;
    this.el.firstChild.focus({ preventScroll: true });
  }

  close(refocus) {
    if (this.el.hidden) return;
    this.el.hidden = true;
    if (this.onClose) this.onClose();
    if (refocus && this.returnTo && this.returnTo.isConnected) this.returnTo.focus({ preventScroll: true });
  }
}

class Exports {
  constructor(page) {
    this.page = page;
    this.binding = page.binding;
    this.model = page.binding.model;
    // Where a file goes: the page's download helper (tests look here).
    this.save = (name, type, data) => offerDownload(name, type, data);
    // Entries of a wire's context menu before its export: functions of
    // (wire, the element pressed) giving [{text, disabled, action}].
    this.wireMenuEntries = [];
    this.toolbarMenu();
    this.wireMenus();
    this.dialog = null;
  }

  // The five wires, as the core sees them now.
  wires() {
    return JSON.parse(this.model.traceExports());
  }

  // The wire that the client area's element `target` lies on, or null.
  wireAt(target) {
    const e = target && target.closest && target.closest('[data-id]');
    if (!e) return null;
    const b = this.binding;
    const n = b.nodes[Number(e.dataset.id)];
    const component = n.kind === 'component' ? n.id : n.owner;
    return this.wires().wires.find((w) => w.component === component) || null;
  }

  // ---- the tool bar: Export ▾ (Export trace…, Export window…) ----

  toolbarMenu() {
    const bar = document.getElementById('toolbar');
    this.button = el('button', {
      type: 'button', id: 'export-button', class: 'full-only', 'aria-haspopup': 'menu', 'aria-expanded': 'false',
      'aria-controls': 'export-menu', title: 'Save a wire\'s trace as SVG or PNG, or the demonstration as PNG',
      text: 'Export \u25BE',
    });
    bar.insertBefore(this.button, document.getElementById('help-button') || document.getElementById('status'));
    this.menu = new PopupMenu('export-menu', 'Export');
    this.menu.owner = this.button;
    this.menu.onClose = () => this.button.setAttribute('aria-expanded', 'false');
    this.button.addEventListener('click', () => {
      if (this.menu.open) {
        this.menu.close(false);
        return;
      }
      const r = this.button.getBoundingClientRect();
      this.menu.show([
        { text: 'Export trace\u2026', action: () => this.exportTraceChosen() },
        { text: 'Export window as PNG\u2026', action: () => this.exportWindow() },
      ], r.left + window.scrollX, r.bottom + window.scrollY + 2, this.button);
      this.button.setAttribute('aria-expanded', 'true');
    });
  }

  // As the window's File → Export trace…: the visible wires whose trace is
  // on; none, and the page says so.
  exportTraceChosen() {
    const info = this.wires();
    const shown = info.wires.filter((w) => w.visible && w.on);
    if (!shown.length) {
      this.notice('Export trace', info.none, this.button);
      return;
    }
    this.openDialog(shown, shown[0], this.button);
  }

  // A window over the page with `text` and OK, as the window's message.
  notice(heading, text, returnTo) {
    if (this.dialog) this.dialog.remove();
    const ok = el('button', { type: 'button', class: 'export-cancel', text: 'OK' });
    const d = el('div', { id: 'export-dialog', class: 'help-window export-notice', role: 'alertdialog',
      'aria-labelledby': 'export-title', 'aria-describedby': 'export-text' },
    el('div', { class: 'panel-head' }, el('h2', { id: 'export-title', text: heading })),
    el('div', { class: 'help-body' }, el('p', { id: 'export-text', text })),
    el('div', { class: 'help-foot' }, ok));
    this.dialogKeys(d, returnTo);
    document.body.append(d);
    this.dialog = d;
    ok.focus({ preventScroll: true });
  }

  // Escape, Cancel and the close button shut the dialog `d`; the focus
  // goes back to `returnTo`.
  dialogKeys(d, returnTo) {
    const shut = () => {
      d.remove();
      if (this.dialog === d) this.dialog = null;
      if (returnTo && returnTo.isConnected) returnTo.focus({ preventScroll: true });
    };
    for (const b of d.querySelectorAll('.panel-close, .export-cancel')) b.addEventListener('click', shut);
    d.addEventListener('keydown', (ev) => {
      if (ev.key !== 'Escape') return;
      ev.preventDefault();
      ev.stopPropagation();
      shut();
    });
    return shut;
  }

  // ---- the dialog: which wire, which part of the run, which format ----

  openDialog(choices, wire, returnTo) {
    if (this.dialog) this.dialog.remove();
    const info = this.wires();
    const scale = info.scale;
    const radio = (name, value, text, checked) => {
      const input = el('input', { type: 'radio', name, value });
      input.checked = checked;
      return [input, el('label', {}, input, ` ${text}`)];
    };
    const [visible, visibleLabel] = radio('export-part', 'visible', '', true);
    const [whole, wholeLabel] = radio('export-part', 'whole', '', false);
    const [ranged, rangedLabel] = radio('export-part', 'range', 'From', false);
    const number = (label) => el('input', { type: 'number', min: '0', step: '0.1', 'aria-label': label, class: 'export-seconds' });
    const from = number('From (s)');
    const to = number('To (s)');
    const [svg, svgLabel] = radio('export-format', 'svg', 'SVG picture (*.svg)', true);
    const [png, pngLabel] = radio('export-format', 'png', 'PNG image (*.png)', false);
    const scaleField = el('input', {
      type: 'number', id: 'export-scale', min: String(scale.min), max: String(scale.max), step: '0.1',
      value: String(scale.default),
    });
    const wireList = el('select', { id: 'export-wire' }, ...choices.map((w) => new Option(w.name, w.name)));
    wireList.value = wire.name;
    const error = el('p', { class: 'export-error', role: 'alert' });
    const title = el('h2', { id: 'export-title' });
    const ok = el('button', { type: 'button', class: 'export-ok', text: 'Export' });
    const cancel = el('button', { type: 'button', class: 'export-cancel', text: 'Cancel' });
    const d = el('div', { id: 'export-dialog', class: 'help-window', role: 'dialog', 'aria-labelledby': 'export-title' },
      el('div', { class: 'panel-head' }, title,
        el('button', { type: 'button', class: 'panel-close', 'aria-label': 'Close', text: '\u00D7' })),
      el('div', { class: 'help-body export-body' },
        choices.length > 1 ? el('p', {}, el('label', { for: 'export-wire', text: 'Wire: ' }), wireList) : '',
        el('fieldset', {}, el('legend', { text: 'Part of the run' }),
          el('div', {}, visibleLabel), el('div', {}, wholeLabel),
          el('div', {}, rangedLabel, ' ', from, ' to ', to, ' s')),
        el('fieldset', {}, el('legend', { text: 'Format' }),
          el('div', {}, svgLabel), el('div', {}, pngLabel),
          el('div', {}, el('label', { for: 'export-scale', text: 'Scale (pixels per screen pixel): ' }), scaleField)),
        error),
      el('div', { class: 'help-foot' }, ok, ' ', cancel));
    // The chosen wire's words.
    const fill = () => {
      const w = this.wires().wires.find((x) => x.name === wireList.value);
      title.textContent = w.title;
      visibleLabel.lastChild.textContent = ` ${w.visibleText}`;
      wholeLabel.lastChild.textContent = ` ${w.wholeText}`;
      for (const f of [from, to]) f.max = String(w.latestS);
      from.value = w.fromS.toFixed(1);
      to.value = w.toS.toFixed(1);
      d.wire = w;
    };
    fill();
    wireList.addEventListener('change', fill);
    // Typing a range chooses it, as in the window.
    for (const f of [from, to]) f.addEventListener('input', () => (ranged.checked = true));
    const formatChosen = () => (scaleField.disabled = !png.checked);
    formatChosen();
    for (const f of [svg, png]) f.addEventListener('change', formatChosen);
    const shut = this.dialogKeys(d, returnTo);
    d.addEventListener('keydown', (ev) => {
      if (ev.key === 'Enter' && ev.target.matches('input')) {
        ev.preventDefault();
        ok.click();
      }
    });
    ok.addEventListener('click', async () => {
      const part = [visible, whole, ranged].find((r) => r.checked).value;
      error.textContent = '';
      const made = await this.exportTrace(d.wire, part, Number(from.value), Number(to.value),
        png.checked ? 'png' : 'svg', Number(scaleField.value));
      if (made.error) error.textContent = made.error;
      else shut();
    });
    document.body.append(d);
    this.dialog = d;
    ok.focus({ preventScroll: true });
    return d;
  }

  // Makes the file and offers it; returns {name} or {error}.
  async exportTrace(wire, part, fromS, toS, format, scale) {
    const r = JSON.parse(this.model.exportTrace(wire.component, part, fromS, toS, format, scale, this.binding.profile));
    if (r.error) return r;
    let data = r.svg;
    if (format === 'png') {
      try {
        data = await rasterise(r.svg, r.width, r.height);
      } catch (e) {
        return { error: `Could not make ${r.name}: ${e.message}` };
      }
    }
    this.save(r.name, r.type, data);
    this.page.status(`Offered as a download: ${r.name}`);
    return r;
  }

  // ---- Export window as PNG ----

  // The client area as drawn now, at the screen's pixel ratio: its elements
  // (traces redrawn at that ratio, the lists, fields and ticks as they
  // stand, the focus frame where the focus is) in an SVG foreignObject,
  // rasterised by the browser itself.
  async windowPng(ratio = window.devicePixelRatio || 1) {
    const b = this.binding;
    const [w, h] = b.size;
    const root = b.root;
    const copy = root.cloneNode(true);
    copy.style.transform = '';
    const pictures = root.querySelectorAll('canvas');
    copy.querySelectorAll('canvas').forEach((c, i) => {
      const drawn = document.createElement('canvas');
      Object.assign(drawn, { size: pictures[i].size, back: pictures[i].back, lines: pictures[i].lines || [] });
      b.redrawPicture(drawn, ratio);
      const img = document.createElement('img');
      for (const a of c.attributes) img.setAttribute(a.name, a.value);
      img.src = drawn.size ? drawn.toDataURL('image/png') : '';
      c.replaceWith(img);
    });
    // What the page's controls hold, written into the copy's attributes.
    const originals = root.querySelectorAll('select, input');
    copy.querySelectorAll('select, input').forEach((c, i) => {
      const o = originals[i];
      if (o.matches('select')) {
        [...c.options].forEach((opt, k) => opt.toggleAttribute('selected', k === o.selectedIndex));
      } else if (o.type === 'checkbox') {
        // Drawn as a box of its own: Firefox draws no check box in an image.
        const box = document.createElement('span');
        box.setAttribute('style', `display: inline-block; flex: none; margin: 0 4px 0 1px; width: ${o.offsetWidth}px; `
          + `height: ${o.offsetHeight}px; border: 1px solid ${o.checked ? '#0075ff' : '#767676'}; border-radius: 2px; `
          + `background: ${o.checked ? '#0075ff' : '#fff'}; color: #fff; text-align: center; `
          + `font: bold ${Math.max(1, o.offsetHeight - 3)}px/${Math.max(1, o.offsetHeight - 2)}px sans-serif;`);
        box.textContent = o.checked ? '\u2713' : '';
        c.replaceWith(box);
      } else {
        c.setAttribute('value', o.value);
      }
    });
    // The control that has the focus, or had it last (the tool bar's menu
    // took it, as the window's menus do not).
    const had = root.contains(document.activeElement) ? document.activeElement : this.lastFocused;
    const focused = had && had.isConnected ? had.closest('.ld-button, .ld-combo, .ld-check') : null;
    if (focused) copy.querySelector(`[data-id="${focused.dataset.id}"]`).classList.add('ld-focused');
    // The page's own style sheets (with the rules the binding added), the
    // focus drawn where it was.
    const css = [...document.styleSheets].map((sheet) => [...sheet.cssRules].map((r) => r.cssText).join('\n')).join('\n')
      .replace(/:focus(-within|-visible)?/g, '.ld-focused');
    const frame = document.createElement('div');
    frame.className = document.documentElement.className;
    frame.setAttribute('style', `position: relative; width: ${w}px; height: ${h}px; overflow: hidden;`);
    const style = document.createElement('style');
    style.textContent = css;
    frame.append(style, copy);
    const html = new XMLSerializer().serializeToString(frame);
    const svg = `<svg xmlns="http://www.w3.org/2000/svg" width="${w}" height="${h}" viewBox="0 0 ${w} ${h}">`
      + `<foreignObject x="0" y="0" width="${w}" height="${h}">${html}</foreignObject></svg>`;
    return rasterise(svg, Math.round(w * ratio), Math.round(h * ratio), true);
  }

  async exportWindow() {
    try {
      this.save('linkdemo.png', 'image/png', await this.windowPng());
      this.page.status('Offered as a download: linkdemo.png');
    } catch (e) {
      this.page.status(`Could not make linkdemo.png: ${e.message}`);
    }
  }

  // ---- each wire's context menu ----

  wireMenus() {
    const root = this.binding.root;
    this.lastFocused = root.contains(document.activeElement) ? document.activeElement : null;
    root.addEventListener('focusin', (ev) => (this.lastFocused = ev.target));
    this.wireMenu = new PopupMenu('wire-menu', 'Wire');
    // The browser's own menu stays on lists and fields.
    const own = (t) => t.closest && t.closest('input, select, textarea');
    // A right press leaves the focus where it is, for the menu to give back.
    root.addEventListener('mousedown', (ev) => {
      if (ev.button === 2 && !own(ev.target) && this.wireAt(ev.target)) ev.preventDefault();
    });
    root.addEventListener('contextmenu', (ev) => {
      if (own(ev.target)) return;
      const wire = this.wireAt(ev.target);
      if (!wire) return;
      ev.preventDefault();
      let { pageX: x, pageY: y } = ev;
      // From the keyboard: beside the focused control.
      if (ev.clientX === 0 && ev.clientY === 0) {
        const r = ev.target.getBoundingClientRect();
        x = r.left + window.scrollX;
        y = r.bottom + window.scrollY;
      }
      this.openWireMenu(wire, x, y, document.activeElement, ev.target);
    });
    // A long press of a finger, held still: the same menu. A scroll bar
    // held repeats instead.
    let press = null;
    const cancel = () => {
      if (press) press.cancel();
      press = null;
    };
    this.eatClick = false;
    root.addEventListener('pointerdown', (ev) => {
      this.eatClick = false;
      cancel();
      if (ev.pointerType !== 'touch' || !ev.isPrimary || own(ev.target) || ev.target.closest('.ld-scroll')) return;
      const wire = this.wireAt(ev.target);
      if (!wire) return;
      const at = { id: ev.pointerId, x: ev.clientX, y: ev.clientY, pageX: ev.pageX, pageY: ev.pageY };
      const returnTo = document.activeElement;
      press = at;
      at.cancel = this.page.clock.later(LONG_PRESS_MS, () => {
        press = null;
        // The finger's lifting is not also a click on what lies beneath.
        this.eatClick = true;
        // Clear of the finger, so that its lifting lands on the wire, not on
        // an entry.
        this.openWireMenu(this.wires().wires.find((w) => w.name === wire.name), at.pageX + LONG_PRESS_SLOP_PX,
          at.pageY + LONG_PRESS_SLOP_PX, returnTo, ev.target);
      });
    });
    root.addEventListener('pointermove', (ev) => {
      if (press && ev.pointerId === press.id && Math.hypot(ev.clientX - press.x, ev.clientY - press.y) > LONG_PRESS_SLOP_PX) {
        cancel();
      }
    });
    for (const type of ['pointerup', 'pointercancel']) {
      root.addEventListener(type, (ev) => {
        if (press && ev.pointerId === press.id) cancel();
      });
    }
    // Nor does it move the focus away from the menu.
    root.addEventListener('mousedown', (ev) => {
      if (this.eatClick) ev.preventDefault();
    }, true);
    root.addEventListener('click', (ev) => {
      if (!this.eatClick) return;
      this.eatClick = false;
      ev.stopPropagation();
      ev.preventDefault();
    }, true);
  }

  // "Export trace of WireN…", disabled while its trace is off, after any
  // entries of wireMenuEntries.
  openWireMenu(wire, x, y, returnTo, target) {
    if (this.wireMenu.open && this.wireMenu.wire === wire.name) return;
    this.wireMenu.wire = wire.name;
    this.wireMenu.show([...this.wireMenuEntries.flatMap((f) => f(wire, target)), {
      text: `Export trace of ${wire.name}\u2026`,
      disabled: !wire.on,
      action: () => this.openDialog([wire], wire, returnTo),
    }], x, y, returnTo);
  }
}
