// SPDX-License-Identifier: MIT
'use strict';
// What surrounds the demonstration on the page, in the core's words: the
// "What is happening" panel (the explainer's sentences, the newest also in a
// polite live region), the Help menu (Getting started, Colours and states,
// Keyboard, About), the event log (live, pausable, filtered, saved as CSV), the
// controls' accessible names and tooltips, and the files a script writes
// (svg) offered as downloads. Everything is off until the user opens it; the
// demonstration itself is drawn by binding.js alone.

const EXPLAIN_MAX_LINES = 1000;
// The event log keeps this many events (a tenth more before it drops the
// oldest), and lists the newest of them.
const EVENTS_MAX = 100000;
const EVENTS_LISTED = 1000;
const EXPLAIN_WIDTH_PX = 330;

function el(tag, attrs = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'text') e.textContent = v;
    else if (k === 'class') e.className = v;
    else e.setAttribute(k, v);
  }
  e.append(...children);
  return e;
}

// Sets an attribute only when its value changes ('' or null removes it).
function attr(e, name, value) {
  if (value === null || value === undefined || value === '') {
    if (e.hasAttribute(name)) e.removeAttribute(name);
  } else if (e.getAttribute(name) !== value) {
    e.setAttribute(name, value);
  }
}

// A control's tooltip. A new title restyles its element (the browser's own
// style sheet has rules on titles), and in a busy run the words change at
// every tick: a title is written at once where there was none or where the
// pointer is, else when the pointer comes over the control, before any
// tooltip shows (Panels.names). Assistive tools take the words from the
// names, which are written at once.
function tip(e, text) {
  if (!e.hasAttribute('title') || e.matches(':hover') || e.getAttribute('title') === text) {
    e.tipText = undefined;
    attr(e, 'title', text);
  } else {
    e.tipText = text;
  }
}

// Writes the tooltips put off on the way from `e` up.
function tipsUnder(e) {
  for (let x = e; x; x = x.parentElement) {
    if (x.tipText === undefined) continue;
    attr(x, 'title', x.tipText);
    x.tipText = undefined;
  }
}

// A caption, then what the control is: "Start — LinkDemo.cmdPause: ...",
// as the window's screen-reader names.
function readerName(caption, about) {
  const shown = String(caption || '').trim();
  return shown ? `${shown} \u2014 ${about}` : about;
}

// Offers `text` as a file named `name` to save.
function offerDownload(name, type, text) {
  const url = URL.createObjectURL(new Blob([text], { type }));
  const a = el('a', { href: url, download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

class Panels {
  constructor(page) {
    this.page = page;
    this.binding = page.binding;
    this.model = page.binding.model;
    this.texts = JSON.parse(Module.helpTexts(this.binding.profile));
    this.words = [];
    this.toolbarButtons();
    this.names();
    this.explanations();
    this.eventLog();
    this.helpMenu();
    page.onDownloads = (files) => this.downloads(files);
    const synced = this.binding.onSynced;
    this.binding.onSynced = () => {
      if (synced) synced();
      this.synced();
    };
    // Whether the event log stands at its newest row is read before an
    // update writes anything, and the log scrolled after all its writes: a
    // read between them would lay the page out twice more at every tick.
    const after = this.binding.after.bind(this.binding);
    this.binding.after = () => {
      this.logAtEnd = this.model.eventLogOn() && !this.paused() ? this.logFollows() : undefined;
      this.updating = true;
      try {
        after();
      } finally {
        this.updating = false;
        this.logAtEnd = undefined;
      }
      if (this.scrollLog) {
        this.scrollLog = false;
        this.logScroll.scrollTop = this.logScroll.scrollHeight;
      }
    };
    document.addEventListener('keydown', (ev) => {
      if (ev.key !== 'F1' || ev.ctrlKey || ev.altKey || ev.metaKey || ev.shiftKey || this.binding.modal) return;
      ev.preventDefault();
      this.open('guide', document.activeElement);
    });
  }

  // ---- the tool bar: What is happening, Event log, Help ----

  toolbarButtons() {
    const bar = document.getElementById('toolbar');
    const before = document.getElementById('status');
    this.explainButton = el('button', {
      type: 'button', id: 'explain-toggle', class: 'full-only', 'aria-pressed': 'false',
      title: 'Show or hide the panel that says in words what happens and why, newest line on top',
      text: 'What is happening',
    });
    this.logButton = el('button', {
      type: 'button', id: 'events-toggle', class: 'full-only', 'aria-pressed': 'false',
      title: 'Show or hide the event log: every routed event of the run, as it happens', text: 'Event log',
    });
    this.helpButton = el('button', {
      type: 'button', id: 'help-button', class: 'full-only', 'aria-haspopup': 'menu', 'aria-expanded': 'false',
      'aria-controls': 'help-menu', title: 'Getting started (F1), the colours and their meanings, the keys, About',
      text: 'Help \u25BE',
    });
    bar.insertBefore(this.explainButton, before);
    bar.insertBefore(this.logButton, before);
    bar.insertBefore(this.helpButton, before);
  }

  // ---- accessible names and tooltips ----

  // Every control is named by the core: its caption (a list or field by the
  // caption beside it), its system name and what it is for; the controls
  // that show the run's state by their plain words, refreshed at each sync.
  names() {
    const b = this.binding;
    b.onSyncData = (d) => {
      const named = new Set();
      for (const [id, text] of d.words) {
        this.words[id] = text;
        named.add(id);
      }
      // A control that only moved keeps its names.
      for (const [id, changed] of d.controls) if (!movedOnly(changed)) named.add(id);
      for (const id of named) this.name(id);
    };
    for (const n of b.nodes) this.name(n.id);
    document.addEventListener('pointerover', (ev) => tipsUnder(ev.target), true);
    // The words of the first sync came before this page listened.
    this.model.resendWords();
    b.after();
  }

  name(id) {
    const b = this.binding;
    const n = b.nodes[id];
    const e = b.els[id];
    const st = b.state[id] || {};
    const about = n.about || n.name;
    const words = this.words[id] || '';
    // Named again only when what the names are made of changed: a packet on
    // the move changes its place alone.
    const key = `${words}\n${st.caption}\n${st.min},${st.max},${st.value}\n${!!e.field}`;
    if (e.namedFrom === key) return;
    e.namedFrom = key;
    switch (n.kind) {
      case 'window':
        attr(e, 'role', 'group');
        attr(e, 'aria-label', about);
        break;
      case 'component':
        attr(e, 'role', 'group');
        attr(e, 'aria-label', about);
        tip(e, about);
        break;
      case 'button': {
        const packet = /\.cmdPacket\(/.test(n.name);
        attr(e, 'aria-label', readerName(st.caption, words || about));
        tip(e, words ? (packet ? `${words}. Click to destroy it.` : words) : about);
        attr(e, 'aria-description', words ? about : null);
        break;
      }
      case 'check':
        tip(e, words || about);
        if (e.box) attr(e.box, 'aria-description', words ? `${words}. ${about}` : about);
        break;
      case 'combo': {
        const caption = n.caption || about;
        tip(e, about);
        if (e.field) {
          attr(e.field, 'aria-label', caption);
          attr(e.field, 'aria-description', about);
          attr(e.list, 'aria-label', `${caption}: choices`);
        } else {
          attr(e.list, 'aria-label', caption);
        }
        attr(e.list, 'aria-description', about);
        break;
      }
      case 'label':
        tip(e, words || about);
        // Described as the title describes it, also while the title waits.
        attr(e, 'aria-description', words || about);
        // A slot's number says little by itself: it is read with its words,
        // once a slot (its sequence number and timer say the same).
        if (/\.(lblTxSeq|lblRTO|lblRxSeq)\(/.test(n.name)) {
          attr(e, 'aria-hidden', 'true');
        } else if (words) {
          attr(e, 'role', 'img');
          attr(e, 'aria-label', readerName(st.caption, words));
        }
        break;
      case 'picture':
        attr(e, 'role', 'img');
        attr(e, 'aria-label', about);
        tip(e, about);
        break;
      case 'scrollbar':
        attr(e, 'role', 'scrollbar');
        attr(e, 'aria-label', about);
        tip(e, about);
        attr(e, 'aria-orientation', 'vertical');
        if (st.min !== undefined) {
          attr(e, 'aria-valuemin', String(Math.min(st.min, st.max)));
          attr(e, 'aria-valuemax', String(Math.max(st.min, st.max)));
          attr(e, 'aria-valuenow', String(st.value));
        }
        break;
      case 'shape':
        attr(e, 'aria-hidden', 'true');
        tip(e, words || about);
        break;
      case 'line':
        attr(e, 'aria-hidden', 'true');
        break;
      default:
        tip(e, about);
    }
  }

  // ---- What is happening ----

  explanations() {
    this.explainPanel = el('section', { id: 'explain-panel', class: 'ld-side-panel', 'aria-labelledby': 'explain-title' },
      el('div', { class: 'panel-head' },
        el('h2', { id: 'explain-title', text: 'What is happening' }),
        el('button', { type: 'button', class: 'panel-close', 'aria-label': 'Close What is happening', text: '\u00D7' })),
      el('ol', { id: 'explain-list', 'aria-label': 'What is happening' }));
    this.explainList = this.explainPanel.querySelector('ol');
    // The newest sentence, for screen readers.
    this.live = el('div', { id: 'explain-live', class: 'sr-only', role: 'status', 'aria-live': 'polite' });
    document.body.append(this.live);
    this.lastTime = 0;
    this.explainButton.addEventListener('click', () => this.showExplanations(!this.model.explaining()));
    this.explainPanel.querySelector('.panel-close').addEventListener('click', () => {
      this.showExplanations(false);
      this.explainButton.focus();
    });
  }

  showExplanations(on) {
    this.model.explain(on);
    this.explainButton.setAttribute('aria-pressed', String(on));
    const side = document.getElementById('side');
    // Shut, the panel leaves the page: the fit measures the side only when
    // it holds something.
    if (on) {
      this.explainList.replaceChildren();
      this.lastTime = this.model.now();
      side.append(this.explainPanel);
      this.fitPanel();
    } else {
      this.explainPanel.remove();
      this.live.textContent = '';
    }
    if (this.page.refit) this.page.refit();
  }

  fitPanel() {
    const stage = document.getElementById('stage');
    this.explainPanel.style.height = `${Math.max(200, stage.getBoundingClientRect().height)}px`;
  }

  addExplanations(lines) {
    // Scrolled down to read older lines, those stay in view: the browser's
    // scroll anchoring holds them.
    const list = this.explainList;
    let newest = null;
    for (const l of lines) {
      // The clock went back: the run was reset (or a scenario chosen).
      if (l.time < this.lastTime) {
        this.explainList.prepend(this.striped(el('li', { class: 'afresh', text: '\u2014 the run starts afresh \u2014' })));
      }
      this.lastTime = l.time;
      const text = `${(l.time / 1000).toFixed(1)} s  ${l.text}`;
      const item = el('li');
      if (l.packet !== null) {
        // A line that names a packet is a button: a click, Enter or Space
        // chooses the packet (tracetools.js).
        item.append(el('button', {
          type: 'button', class: 'explain-choose', text,
          title: `Click to choose ${l.ack ? 'acknowledgement' : 'packet'} ${l.packet} on its wire`,
        }));
        item.dataset.packet = String(l.packet);
        item.dataset.ack = l.ack ? '1' : '0';
      } else {
        item.textContent = text;
      }
      this.explainList.prepend(this.striped(item));
      newest = l.text;
    }
    while (list.childElementCount > EXPLAIN_MAX_LINES) list.lastElementChild.remove();
    if (newest !== null) this.live.textContent = newest;
  }

  // Every other line is shaded, by a class given once: a rule on the
  // lines' positions would restyle the whole list at every line added.
  striped(item) {
    this.shaded = !this.shaded;
    if (this.shaded) item.classList.add('shaded');
    return item;
  }

  // ---- the event log ----

  eventLog() {
    const components = el('select', { id: 'events-component', 'aria-label': 'Component' },
      new Option('All components', ''), ...this.texts.components.map((c) => new Option(c, c)));
    const codes = el('select', { id: 'events-code', 'aria-label': 'Event' },
      new Option('All events', '-1'), ...this.texts.eventCodes.map(([c, name]) => new Option(name, String(c))));
    const pause = el('input', { type: 'checkbox', id: 'events-pause' });
    this.logPanel = el('section', { id: 'events-panel', 'aria-labelledby': 'events-title' },
      el('div', { class: 'panel-head' },
        el('h2', { id: 'events-title', text: 'Event log' }),
        el('label', {}, pause, ' Pause'), components, codes,
        el('button', { type: 'button', id: 'events-clear', text: 'Clear' }),
        el('button', { type: 'button', id: 'events-save', title: 'Save the events shown as a CSV file', text: 'Save CSV\u2026' }),
        el('button', { type: 'button', class: 'panel-close', 'aria-label': 'Close the event log', text: '\u00D7' })),
      el('div', { class: 'events-scroll' },
        el('table', { 'aria-labelledby': 'events-title' },
          el('thead', {}, el('tr', {}, ...['Time', 'Reporter', 'Event', 'Routed to', 'Packet', 'Sequence', 'Kind']
            .map((h) => el('th', { scope: 'col', text: h })))),
          el('tbody'))),
      el('div', { id: 'events-status', role: 'status' }));
    this.logBody = this.logPanel.querySelector('tbody');
    this.logScroll = this.logPanel.querySelector('.events-scroll');
    this.logStatus = this.logPanel.querySelector('#events-status');
    this.events = [];
    this.pending = [];
    this.shownCount = 0;
    this.filter = { component: '', code: -1 };
    this.paused = () => pause.checked;
    pause.addEventListener('change', () => this.flushEvents());
    components.addEventListener('change', () => {
      this.filter.component = components.value;
      this.listEvents();
    });
    codes.addEventListener('change', () => {
      this.filter.code = Number(codes.value);
      this.listEvents();
    });
    this.logPanel.querySelector('#events-clear').addEventListener('click', () => {
      this.events = [];
      this.pending = [];
      this.listEvents();
    });
    this.logPanel.querySelector('#events-save').addEventListener('click', () => {
      offerDownload('events.csv', 'text/csv', this.csv());
      this.page.status('Event log offered as a download: events.csv');
    });
    this.logButton.addEventListener('click', () => this.showEventLog(!this.model.eventLogOn()));
    this.logPanel.querySelector('.panel-close').addEventListener('click', () => {
      this.showEventLog(false);
      this.logButton.focus();
    });
  }

  showEventLog(on) {
    this.model.eventLog(on);
    this.logButton.setAttribute('aria-pressed', String(on));
    if (on) {
      document.getElementById('main').after(this.logPanel);
      this.listEvents();
    } else {
      this.logPanel.remove();
    }
  }

  // A component matches as the reporter or as the operation's owner.
  shown(e) {
    const f = this.filter;
    if (f.code >= 0 && e.code !== f.code) return false;
    return !f.component || e.from === f.component || (e.to !== null && e.to.split('.')[0] === f.component);
  }

  // The rows shown (after the filter) as CSV, one record a line.
  csv() {
    let out = `${this.texts.eventCsvHeader}\n`;
    for (const e of this.events) if (this.shown(e)) out += `${e.csv}\n`;
    return out;
  }

  row(e) {
    const tr = el('tr', {},
      el('td', { class: 'num', text: `${(e.time / 1000).toFixed(3)} s` }),
      el('td', { text: e.from }),
      el('td', { text: `${e.name} (${e.code})` }),
      el('td', { text: e.to === null ? 'not routed' : `\u2192 ${e.to}` }),
      el('td', { class: 'num', text: `#${e.Number}` }),
      el('td', { class: 'num', text: `seq ${e.SequenceNumber}` }),
      el('td', { text: e.kind }));
    if (e.to === null) tr.className = 'unrouted';
    return tr;
  }

  // Paused, the list stands still; what happens meanwhile is kept and shown
  // on continuing.
  flushEvents() {
    if (!this.paused() && this.pending.length) {
      const following = this.logAtEnd !== undefined ? this.logAtEnd : this.logFollows();
      const added = this.pending;
      this.pending = [];
      for (const e of added) this.events.push(e);
      for (const e of added) {
        if (!this.shown(e)) continue;
        ++this.shownCount;
        this.logBody.append(this.row(e));
      }
      // The oldest go in bulk, so that a full log is not counted anew at
      // every tick.
      if (this.events.length > EVENTS_MAX * 1.1) {
        this.events.splice(0, this.events.length - EVENTS_MAX);
        this.countShown();
      }
      while (this.logBody.childElementCount > EVENTS_LISTED) this.logBody.firstElementChild.remove();
      if (following && this.updating) this.scrollLog = true;
      else if (following) this.logScroll.scrollTop = this.logScroll.scrollHeight;
    }
    this.logStatusText();
  }

  logFollows() {
    const s = this.logScroll;
    return s.scrollTop + s.clientHeight >= s.scrollHeight - 2;
  }

  countShown() {
    this.shownCount = this.events.reduce((k, e) => k + (this.shown(e) ? 1 : 0), 0);
  }

  listEvents() {
    this.countShown();
    const rows = [];
    for (let i = this.events.length - 1; i >= 0 && rows.length < EVENTS_LISTED; --i) {
      if (this.shown(this.events[i])) rows.push(this.row(this.events[i]));
    }
    this.logBody.replaceChildren(...rows.reverse());
    this.logScroll.scrollTop = this.logScroll.scrollHeight;
    this.logStatusText();
  }

  logStatusText() {
    const shown = this.shownCount;
    let s = `${shown} event${shown === 1 ? '' : 's'} shown`;
    if (shown !== this.events.length) s += ` of ${this.events.length}`;
    if (shown > EVENTS_LISTED) s += ` (the newest ${EVENTS_LISTED} listed)`;
    if (this.pending.length) s += `; ${this.pending.length} waiting (paused)`;
    if (this.logStatus.textContent !== s) this.logStatus.textContent = s;
  }

  // ---- after every sync ----

  synced() {
    if (this.model.explaining()) {
      const lines = JSON.parse(this.model.takeExplanations());
      if (lines.length) this.addExplanations(lines);
    }
    if (this.model.eventLogOn()) {
      const events = JSON.parse(this.model.takeEvents());
      if (events.length) {
        for (const e of events) this.pending.push(e);
        this.flushEvents();
      }
    }
  }

  // ---- Help ----

  helpMenu() {
    const items = [['guide', 'Getting started', 'F1'], ['colours', 'Colours and states', ''], ['keys', 'Keyboard', ''],
      ['about', 'About Link Demo', '']];
    this.menu = el('div', { id: 'help-menu', role: 'menu', 'aria-label': 'Help', hidden: '' },
      ...items.map(([what, text, key]) => el('button', { type: 'button', role: 'menuitem', tabindex: '-1', 'data-help': what },
        el('span', { text }), el('kbd', { text: key }))));
    document.body.append(this.menu);
    const entries = [...this.menu.querySelectorAll('[role=menuitem]')];
    const close = (refocus) => {
      this.menu.hidden = true;
      this.helpButton.setAttribute('aria-expanded', 'false');
      if (refocus) this.helpButton.focus();
    };
    const openMenu = () => {
      const r = this.helpButton.getBoundingClientRect();
      this.menu.style.left = `${r.left + window.scrollX}px`;
      this.menu.style.top = `${r.bottom + window.scrollY + 2}px`;
      this.menu.hidden = false;
      this.helpButton.setAttribute('aria-expanded', 'true');
      entries[0].focus();
    };
    this.helpButton.addEventListener('click', () => (this.menu.hidden ? openMenu() : close(false)));
    this.menu.addEventListener('click', (ev) => {
      const item = ev.target.closest('[data-help]');
      if (!item) return;
      close(false);
      this.open(item.dataset.help, this.helpButton);
    });
    this.menu.addEventListener('keydown', (ev) => {
      const i = entries.indexOf(document.activeElement);
      if (ev.key === 'ArrowDown' || ev.key === 'ArrowUp') {
        ev.preventDefault();
        entries[(i + (ev.key === 'ArrowDown' ? 1 : entries.length - 1)) % entries.length].focus();
      } else if (ev.key === 'Escape') {
        ev.preventDefault();
        close(true);
      } else if (ev.key === 'Tab') {
        close(false);
      }
    });
    document.addEventListener('pointerdown', (ev) => {
      if (!this.menu.hidden && !this.menu.contains(ev.target) && ev.target !== this.helpButton) close(false);
    });
    this.dialogs = {};
    document.getElementById('profile').addEventListener('change', () => {
      const colours = this.dialogs.colours;
      if (colours && !colours.hidden) this.fillColours(colours.querySelector('.help-body'));
    });
  }

  // Opens a help window (one of each, brought to the front if open); the run
  // goes on. Escape or Close shuts it and gives the focus back.
  open(what, returnTo) {
    let d = this.dialogs[what];
    if (!d) {
      const title = { guide: 'Getting started', colours: 'Colours and states', keys: 'Keyboard',
        about: 'About Link Demo' }[what];
      d = el('div', { id: `help-${what}`, class: 'help-window', role: 'dialog', 'aria-labelledby': `help-${what}-title` },
        el('div', { class: 'panel-head' },
          el('h2', { id: `help-${what}-title`, text: title }),
          el('button', { type: 'button', class: 'panel-close', 'aria-label': `Close ${title}`, text: '\u00D7' })),
        el('div', { class: 'help-body', tabindex: '0' }),
        el('div', { class: 'help-foot' }, el('button', { type: 'button', class: 'help-close', text: 'Close' })));
      const shut = () => {
        d.hidden = true;
        if (d.returnTo && d.returnTo.isConnected) d.returnTo.focus({ preventScroll: true });
      };
      for (const b of d.querySelectorAll('.panel-close, .help-close')) b.addEventListener('click', shut);
      d.addEventListener('keydown', (ev) => {
        if (ev.key === 'Escape') {
          ev.preventDefault();
          ev.stopPropagation();
          shut();
        }
      });
      document.body.append(d);
      this.dialogs[what] = d;
    }
    const body = d.querySelector('.help-body');
    if (what === 'guide') this.fillGuide(body);
    else if (what === 'colours') this.fillColours(body);
    else if (what === 'keys') this.fillKeys(body);
    else this.fillAbout(body);
    d.returnTo = returnTo;
    d.hidden = false;
    // The newest window on top of the others.
    document.body.append(d);
    d.querySelector('.help-close').focus({ preventScroll: true });
    return d;
  }

  fillGuide(body) {
    if (body.childElementCount) return;
    for (const s of this.texts.gettingStarted) {
      body.append(el('h3', { text: s.title }), ...s.paragraphs.map((p) => el('p', { text: p })));
    }
  }

  // The colours drawn in the profile in force, with their meanings.
  fillColours(body) {
    const t = JSON.parse(Module.helpTexts(this.binding.profile));
    const hex = (bgr) => {
      const [r, g, b] = channels(bgr);
      return `#${[r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('').toUpperCase()}`;
    };
    const parts = [];
    if (t.profile !== 'standard') {
      parts.push(el('p', { text: `As drawn in the ${t.profile} profile (the tool bar's Colours).` }));
    }
    for (const g of t.colours) {
      const rows = g.entries.map((e) => el('tr', {},
        el('td', { class: 'swatches' }, ...e.swatches.map((c, i) => el('span', {
          class: 'swatch', role: 'img', 'aria-label': `${e.name}: ${hex(c)}`, title: hex(c),
          style: `background: ${colour(c)}`, text: e.letters[i],
        }))),
        el('th', { scope: 'row', text: e.name }),
        el('td', { text: e.meaning })));
      parts.push(el('section', { class: 'colour-group', 'aria-label': g.title },
        el('h3', { text: g.title }), el('p', { class: 'note', text: `Colour of ${g.note}.` }),
        el('table', {}, el('tbody', {}, ...rows))));
    }
    body.replaceChildren(...parts);
  }

  // The core's key table in its own words, as the window's Keyboard help
  // prints it, without the rows of actions the page does not have (the
  // window's zoom).
  fillKeys(body) {
    if (body.childElementCount) return;
    const has = this.page.keyActions || new Set();
    const rows = JSON.parse(Module.keyTable()).filter((r) => r.presses.every((p) => has.has(p.action)));
    body.append(
      el('table', { class: 'key-table' }, el('tbody', {}, ...rows.map((r) => el('tr', {},
        el('th', { scope: 'row' }, el('kbd', { text: r.keys })), el('td', { text: r.words }))))),
      el('p', { text: 'A key acts on the page when the focused control does not take it itself.' }));
  }

  fillAbout(body) {
    if (body.childElementCount) return;
    const t = this.texts;
    body.append(
      el('h3', { text: 'Link Demo' }),
      el('p', { id: 'about-version', text: `Version ${t.version}` }),
      el('p', { text: 'A teaching demonstration of flow control and error control on a data link: packets, '
        + 'acknowledgements and flow-control messages travel between a transmitter and a receiver in simulated time.' }),
      el('p', { text: t.copyright }),
      el('p', { text: t.licence.replace(/\n/g, ' ') }),
      el('p', { id: 'about-bundled', text: t.bundled }));
  }

  // ---- files a script writes ----

  downloads(files) {
    for (const f of files) offerDownload(f.name, f.type, f.text);
    this.page.status(`Offered as a download: ${files.map((f) => f.name).join(', ')}`);
  }
}
