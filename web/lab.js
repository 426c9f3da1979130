// SPDX-License-Identifier: MIT
'use strict';
// The Lab on the page, below the client area: the lab's figures beside the
// theory, the formula in force and the Formulas help, the random loss of
// each routed wire, the seed, the chosen losses, Restart counts, Copy as CSV
// and a live plot of correct and wrong deliveries (uPlot) with the theory's
// line. Every number and word comes from the core (model.labInfo()); this
// file only draws them and hands the user's settings back. Off until the
// tool bar's Lab or the key L opens it.

// Elements are made with panels.js's el().

function labSetText(e, text) {
  if (e.textContent !== text) e.textContent = text;
}

const hexColour = (rgb) => `#${Number(rgb).toString(16).padStart(6, '0')}`;

const LAB_PLOT_WIDTH = 380;
const LAB_PLOT_HEIGHT = 300;
const LAB_PLOT_MS = 250;

class LabPanel {
  constructor(page) {
    this.page = page;
    this.binding = page.binding;
    this.model = page.binding.model;
    this.open = false;
    this.plot = null;
    this.data = [[], [], []];  // seconds, correct, wrong: what the core sent
    this.framePending = false;
    this.lastDraw = -Infinity;
    this.build();
    const synced = this.binding.onSynced;
    this.binding.onSynced = () => {
      if (synced) synced();
      if (this.open) this.refresh(false);
    };
    if (page.actions) page.actions.lab = () => this.show(!this.open);
    if (page.keyActions) page.keyActions.add('lab');
    document.getElementById('profile').addEventListener('change', () => {
      if (this.open) this.newPlot();
    });
  }

  // ---- the panel ----

  build() {
    const bar = document.getElementById('toolbar');
    this.button = el('button', {
      type: 'button', id: 'lab-toggle', class: 'full-only', 'aria-pressed': 'false', 'aria-controls': 'lab-panel',
      title: 'Show or hide the Lab (L): the figures of the run beside the theory, loss, a plot, Copy as CSV',
      text: 'Lab',
    });
    bar.insertBefore(this.button, document.getElementById('status'));
    this.button.addEventListener('click', () => this.show(!this.open));

    // A field, its accessible name and the caption beside it.
    const field = (id, label, caption, attrs) => {
      const input = el('input', { id, 'aria-label': label, ...attrs });
      return [input, el('label', { for: id, text: caption }), input];
    };
    this.loss = [];
    this.drops = [];
    const rows = [];
    for (const w of [1, 2]) {
      const [loss, ...lossRow] = field(`lab-loss-${w}`, `Loss on Wire${w}`, `Wire${w} loss`, {
        type: 'number', min: '0', max: '0.5', step: '0.01',
        title: `Each packet put on Wire${w} is lost with this probability (0 to 0.5), at a random moment of its flight`,
      });
      loss.addEventListener('change', () => this.setLoss(w, loss));
      this.loss.push(loss);
      rows.push(lossRow);
    }
    const [seed, ...seedRow] = field('lab-seed', 'Seed', 'Seed', {
      type: 'text', inputmode: 'numeric', pattern: '[0-9]{1,19}', maxlength: '19',
      title: 'The loss generator starts again from this seed at every reset',
    });
    seed.addEventListener('change', () => {
      this.setting(() => this.model.setLabSeed(seed.value.trim()));
      seed.value = this.info.seed;
    });
    this.seed = seed;
    rows.push(seedRow);
    for (const w of [1, 2]) {
      const [drops, ...dropsRow] = field(`lab-drops-${w}`, `Packets to lose on Wire${w}`, `Wire${w} lose`, {
        type: 'text', placeholder: 'data 2, 4; ack 3',
        title: 'Lost half-way across, whatever the bit rate: kinds data, ack, ready, hold, each with packet '
          + 'numbers; N:K loses the K-th transmission of N',
      });
      drops.addEventListener('change', () => {
        this.setting(() => this.model.setLabDrops(w, drops.value));
        drops.value = this.info.drops[w - 1];
      });
      this.drops.push(drops);
      rows.push(dropsRow);
    }
    const settings = el('fieldset', { class: 'lab-settings' }, el('legend', { text: 'Loss' }),
      ...rows.map(([label, input]) => el('div', { class: 'lab-field' }, label, input)));

    this.changedText = el('span', { id: 'lab-changed-text' });
    const restart = el('button', {
      type: 'button', id: 'lab-restart',
      title: 'Count again from now, for the settings in force, without resetting the run', text: 'Restart counts',
    });
    restart.addEventListener('click', () => this.setting(() => this.model.restartLabCounts()));
    this.changed = el('div', { id: 'lab-changed', role: 'status', hidden: '' }, this.changedText, restart);

    const copy = el('button', { type: 'button', id: 'lab-copy', text: 'Copy as CSV' });
    copy.addEventListener('click', () => this.copyCsv());
    this.csvField = el('textarea', { id: 'lab-csv', readonly: '', rows: '3', 'aria-label': 'The run as CSV', hidden: '' });

    // Figures: the table and the plot; Formulas: the one in force and the help.
    this.figureBody = el('tbody');
    const table = el('table', { id: 'lab-figures', 'aria-label': 'Figures' },
      el('thead', {}, el('tr', {}, el('td'), el('th', { scope: 'col', text: 'Measured' }),
        el('th', { scope: 'col', text: 'Theory' }))), this.figureBody);
    this.plotBox = el('div', { id: 'lab-plot', role: 'img', 'aria-label': 'Plot of correct and wrong deliveries against simulated time, with the theory' });
    this.inForce = el('p', { id: 'lab-in-force' });
    const help = el('div', { class: 'lab-help' });
    help.innerHTML = Module.LinkDemoModel.labHelp();
    const tabs = [['figures', 'Figures', el('div', { class: 'lab-figures-tab' }, table, this.plotBox)],
      ['formulas', 'Formulas', el('div', { class: 'lab-formulas-tab' }, this.inForce, help)]];
    this.tabs = tabs.map(([key, text]) => el('button', {
      type: 'button', role: 'tab', id: `lab-tab-${key}`, 'aria-controls': `lab-${key}`, 'aria-selected': 'false',
      tabindex: '-1', text,
    }));
    this.tabPanels = tabs.map(([key, , body]) => el('div', {
      role: 'tabpanel', id: `lab-${key}`, 'aria-labelledby': `lab-tab-${key}`, hidden: '',
    }, body));
    const tabList = el('div', { role: 'tablist', 'aria-label': 'Lab' }, ...this.tabs);
    this.tabs.forEach((t, i) => t.addEventListener('click', () => this.selectTab(i)));
    tabList.addEventListener('keydown', (ev) => {
      if (ev.key !== 'ArrowLeft' && ev.key !== 'ArrowRight') return;
      ev.preventDefault();
      ev.stopPropagation();
      const i = (this.selected + 1) % this.tabs.length;
      this.selectTab(i);
      this.tabs[i].focus();
    });
    this.selectTab(0);

    this.panel = el('section', { id: 'lab-panel', 'aria-labelledby': 'lab-title' },
      el('div', { class: 'panel-head' },
        el('h2', { id: 'lab-title', text: 'Lab' }),
        el('button', { type: 'button', class: 'panel-close', 'aria-label': 'Close the Lab', text: '\u00D7' })),
      el('div', { class: 'lab-body' },
        el('div', { class: 'lab-side' }, this.changed, settings, copy, this.csvField),
        el('div', { class: 'lab-main' }, tabList, ...this.tabPanels)));
    this.panel.querySelector('.panel-close').addEventListener('click', () => {
      this.show(false);
      this.button.focus();
    });
  }

  selectTab(i) {
    this.selected = i;
    this.tabs.forEach((t, k) => {
      t.setAttribute('aria-selected', String(k === i));
      t.tabIndex = k === i ? 0 : -1;
      this.tabPanels[k].hidden = k !== i;
    });
  }

  show(on) {
    this.open = on;
    this.button.setAttribute('aria-pressed', String(on));
    if (on) {
      document.getElementById('main').after(this.panel);
      this.refresh(true);
      this.newPlot();
    } else {
      this.panel.remove();
      if (this.plot) this.plot.destroy();
      this.plot = null;
    }
    if (this.page.refit) this.page.refit();
  }

  // ---- the figures, the settings, the plot's points ----

  refresh(all) {
    const info = JSON.parse(this.model.labInfo(all));
    this.info = info;
    const body = this.figureBody;
    if (body.childElementCount !== info.rows.length) {
      body.replaceChildren(...info.rows.map((r) => el('tr', {},
        el('th', { scope: 'row', text: r.name }),
        el('td', { 'data-key': r.key }), el('td', { 'data-theory': r.key }))));
    }
    info.rows.forEach((r, i) => {
      const cells = body.children[i].children;
      labSetText(cells[1], r.measured);
      labSetText(cells[2], r.theory);
    });
    this.changed.hidden = !info.changed;
    labSetText(this.changedText, info.changed);
    labSetText(this.inForce, info.inForce);
    // What the user is typing stays as typed.
    const idle = (e) => document.activeElement !== e;
    this.loss.forEach((e, i) => {
      if (idle(e) && (e.value === '' || Number(e.value) !== info.loss[i])) e.value = String(info.loss[i]);
    });
    if (idle(this.seed) && this.seed.value !== info.seed) this.seed.value = info.seed;
    this.drops.forEach((e, i) => {
      if (idle(e) && e.value !== info.drops[i]) e.value = info.drops[i];
    });
    const p = info.plot;
    if (p.rebuilt) this.data = [[], [], []];
    for (let k = 0; k < p.seconds.length; ++k) {
      this.data[0].push(p.seconds[k]);
      this.data[1].push(p.correct[k]);
      this.data[2].push(p.wrong[k]);
    }
    this.schedulePlot();
  }

  setLoss(wire, field) {
    this.setting(() => this.model.setLabLoss(wire, field.value.trim()));
    field.value = String(this.info.loss[wire - 1]);
  }

  // A setting is a user action: it reaches the model as the runner's line,
  // the page is mirrored (and the Lab with it) and the session kept.
  setting(action) {
    this.binding.act(action);
  }

  // ---- the plot (uPlot) ----

  // The series as uPlot draws them: the measured points, and the theory's
  // line from the origin to the frame's end, on one shared time axis.
  plotData() {
    const [x, correct, wrong] = this.data;
    const f = this.info.frame;
    const xs = x.slice();
    const c = correct.slice();
    const w = wrong.slice();
    if (!xs.length || xs[0] > 0) {
      xs.unshift(0);
      c.unshift(null);
      w.unshift(null);
    }
    const span = f.theoryEnd === null ? 0 : Math.max(10, xs[xs.length - 1]);
    if (f.theoryEnd !== null && span > xs[xs.length - 1]) {
      xs.push(span);
      c.push(null);
      w.push(null);
    }
    const slope = f.theoryEnd === null ? 0 : f.theoryEnd / span;
    const theory = xs.map((t) => (f.theoryEnd === null || t > span ? null : slope * t));
    return [xs, c, w, theory];
  }

  newPlot() {
    if (this.plot) this.plot.destroy();
    this.plot = null;
    if (typeof uPlot !== 'function' || !this.info) return;
    const info = this.info;
    const width = this.binding.look.wideTraceLines ? 3 : 2;
    const ticks = (end, step) => {
      const out = [];
      for (let k = 0; k * step <= end * (1 + 1e-9); ++k) out.push(Number((k * step).toPrecision(12)));
      return out;
    };
    const frame = () => this.info.frame;
    this.plot = new uPlot({
      width: LAB_PLOT_WIDTH,
      height: LAB_PLOT_HEIGHT,
      scales: {
        x: { time: false, range: () => [0, frame().xEnd] },
        y: { range: () => [0, frame().yEnd] },
      },
      axes: [
        { label: info.names.time, splits: () => ticks(frame().xEnd, frame().xStep) },
        { label: info.names.count, splits: () => ticks(frame().yEnd, frame().yStep) },
      ],
      series: [
        { label: info.names.time },
        { label: info.names.correct, stroke: hexColour(info.colours.correct), width },
        { label: info.names.wrong, stroke: hexColour(info.colours.wrong), width },
        { label: info.names.theory, stroke: hexColour(info.colours.theory), width, dash: [6, 4] },
      ],
      cursor: { show: false },
      legend: { live: false },
    }, this.plotData(), this.plotBox);
  }

  // Drawn at the next frame, however often the clock wakes; on the real
  // clock at most every LAB_PLOT_MS, as the window's Lab refreshes (the
  // virtual clock of linkdemo.advance draws at the next frame).
  schedulePlot() {
    if (this.framePending || !this.plot) return;
    this.framePending = true;
    const draw = () => requestAnimationFrame(() => {
      this.framePending = false;
      this.lastDraw = performance.now();
      if (this.plot) this.plot.setData(this.plotData());
    });
    const wait = this.page.clock.virtual === null ? this.lastDraw + LAB_PLOT_MS - performance.now() : 0;
    if (wait > 0) setTimeout(draw, wait);
    else draw();
  }

  // ---- Copy as CSV ----

  // To the clipboard where the browser lets the page write it; otherwise
  // in a field to copy from, selected.
  async copyCsv() {
    const text = this.model.labCsv();
    this.csvField.value = text;
    try {
      if (!navigator.clipboard || !navigator.clipboard.writeText) throw new Error('no clipboard');
      await navigator.clipboard.writeText(text);
      this.csvField.hidden = true;
      this.page.status('The run copied as CSV');
    } catch (e) {
      this.csvField.hidden = false;
      this.csvField.focus();
      this.csvField.select();
      this.page.status('Copy the run as CSV from the field (Ctrl+C)');
    }
  }
}
