// SPDX-License-Identifier: MIT
'use strict';
// Going back in the session and Record…, as the window has them, in the
// core's logic (Rewind, Recording through WebDemo): tool-bar buttons Back
// One Tick and Back Five Seconds, the time slider (the running time so far;
// a new position goes back to that moment), the keys of the core's key
// table (Shift+S, Shift+Left), and Record…, whose end offers the session as
// a file to save, a cancel asking before the recording goes. This file only
// draws and forwards.

// Elements are made with panels.js's el().

// The least time between two writes of the time slider's range while it
// has no focus.
const SLIDER_EVERY_MS = 1000;

class TimeControls {
  constructor(page) {
    this.page = page;
    this.binding = page.binding;
    this.model = page.binding.model;
    this.toolbar();
    this.keys();
    this.recordDialog();
    const synced = this.binding.onSynced;
    this.binding.onSynced = () => {
      if (synced) synced();
      this.showTime();
    };
    this.showTime();
  }

  // ---- the tool bar ----

  toolbar() {
    const bar = document.getElementById('toolbar');
    const step = document.getElementById('step');
    // Clicks take no focus, so that Space goes on pressing the pause button.
    const button = (id, text, label, title) => {
      const b = el('button', { type: 'button', id, class: 'full-only', 'aria-label': label, title, text });
      b.addEventListener('mousedown', (ev) => ev.preventDefault());
      return b;
    };
    const tick = button('back-tick', '\u25C2 Tick', 'Back One Tick', 'Back One Tick (Shift+S): the run as it was one main tick ago');
    const five = button('back-five', '\u25C2 5 s', 'Back Five Seconds',
      'Back Five Seconds (Shift+Left): the run as it was five seconds of running ago');
    tick.addEventListener('click', () => this.back(() => this.model.backTick()));
    five.addEventListener('click', () => this.back(() => this.model.back(5000)));
    this.slider = el('input', {
      type: 'range', id: 'timeline', min: '0', max: '0', value: '0', step: '1', 'aria-label': 'Time in the run',
      title: 'The run so far: drag back to return to that moment (Shift+S: one tick, Shift+Left: five seconds); '
        + 'going on from there discards what came after',
    });
    // Held by the pointer, the slider stands where it is put; let go (or
    // moved by a key), the run goes back to that moment. Used with the
    // pointer, it gives the focus back to the pause button, as the window's
    // slider takes none, so that Space goes on pressing the pause button.
    this.slider.addEventListener('pointerdown', () => {
      this.showTime(true);
      this.holding = true;
    });
    this.slider.addEventListener('focus', () => this.showTime(true));
    this.slider.addEventListener('change', () => {
      const pointer = this.holding;
      this.holding = false;
      const value = Number(this.slider.value);
      this.back(() => this.model.backToTick(value));
      if (pointer) this.binding.focusControl(this.model.home());
    });
    this.slider.addEventListener('pointerup', () => {
      // A click that moved nothing sends no change.
      setTimeout(() => { this.holding = false; }, 0);
    });
    const time = el('span', { id: 'time-controls', class: 'full-only' },
      tick, ' ', five, ' ', el('label', { title: this.slider.title },
        el('span', { class: 'word', text: 'Time' }), ' ', el('span', { id: 'timeline-box' }, this.slider)));
    step.after(time);
    this.recordButton = button('record', 'Record\u2026', 'Record\u2026',
      'Record what you do from now on as a script of user actions, saved when you stop (replay it with Play script)');
    this.recordButton.setAttribute('aria-pressed', 'false');
    this.recordButton.addEventListener('click', () => this.toggleRecording());
    document.getElementById('play').after(this.recordButton);
  }

  // Goes back through `rewind` (a call of the model), then shows all.
  back(rewind) {
    const b = this.binding;
    b.act(() => rewind());
    this.page.clock.rebase();
    this.page.status(this.model.backStatus());
    this.showTime(true);
  }

  // The slider covers the running time so far and stands at the present,
  // unless the user holds it; a played script has it disabled. At the
  // present its thumb stands at the right end however long the run, and a
  // new range lays the slider out again: without the focus it takes the
  // running time at most once a second (and a second after the last
  // change), at once when the user reaches for it (`now`: a press, the
  // focus, a way back).
  showTime(now = false) {
    const playing = this.model.playing();
    if (this.slider.disabled !== playing) this.slider.disabled = playing;
    if (this.holding) return;
    const ticks = String(this.model.timeTicks());
    if (this.slider.max === ticks && this.slider.value === ticks) return;
    const wait = (this.written || -Infinity) + SLIDER_EVERY_MS - performance.now();
    if (!now && wait > 0 && this.slider.max !== '0' && document.activeElement !== this.slider) {
      if (!this.later) {
        this.later = setTimeout(() => {
          this.later = 0;
          this.showTime(true);
        }, wait);
      }
      return;
    }
    clearTimeout(this.later);
    this.later = 0;
    this.slider.max = ticks;
    this.slider.value = ticks;
    this.written = performance.now();
  }

  // Shift+S and Shift+Left, from the core's key table (the Keyboard help
  // lists them once the page has them).
  keys() {
    const actions = this.page.actions;
    if (!actions) return;
    actions.backTick = () => this.back(() => this.model.backTick());
    actions.backFive = () => this.back(() => this.model.back(5000));
    this.page.keyActions.add('backTick');
    this.page.keyActions.add('backFive');
  }

  // ---- Record… ----

  // A small window over the page, as the help windows: Save offers the
  // session under the name given; Cancel asks before the recording goes.
  recordDialog() {
    const name = el('input', { type: 'text', id: 'record-name', value: 'session.txt', 'aria-label': 'File name' });
    this.dialog = el('div', { id: 'record-dialog', class: 'help-window', role: 'dialog',
      'aria-labelledby': 'record-title', hidden: '' },
    el('div', { class: 'panel-head' }, el('h2', { id: 'record-title', text: 'Save recording' })),
    el('div', { class: 'help-body' },
      el('p', { id: 'record-text' }),
      el('p', { id: 'record-file' }, el('label', {}, 'File name ', name))),
    el('div', { class: 'help-foot' },
      el('button', { type: 'button', id: 'record-yes' }),
      el('button', { type: 'button', id: 'record-no', text: 'Cancel' })));
    document.body.append(this.dialog);
    this.nameField = name;
    this.dialog.querySelector('#record-yes').addEventListener('click', () => (this.asking ? this.discard() : this.save()));
    this.dialog.querySelector('#record-no').addEventListener('click', () => (this.asking ? this.keep() : this.ask()));
    this.dialog.addEventListener('keydown', (ev) => {
      if (ev.key === 'Escape') {
        ev.preventDefault();
        ev.stopPropagation();
        if (this.asking) this.keep();
        else this.ask();
      } else if (ev.key === 'Enter' && ev.target === name) {
        ev.preventDefault();
        this.save();
      }
    });
  }

  toggleRecording() {
    if (!this.model.recording()) {
      this.model.startRecording();
      this.showRecording();
      this.page.status('Recording');
      return;
    }
    this.showDialog(false);
  }

  showRecording() {
    const on = this.model.recording();
    this.recordButton.setAttribute('aria-pressed', String(on));
    this.recordButton.classList.toggle('recording', on);
  }

  // `asking`: whether to discard the unsaved recording.
  showDialog(asking) {
    this.asking = asking;
    const d = this.dialog;
    d.querySelector('#record-title').textContent = asking ? 'Record' : 'Save recording';
    d.querySelector('#record-text').textContent = asking
      ? 'Discard the recording? It has not been saved.'
      : 'The session as a script of the runner\'s language, from the start-up state: the lines before the '
        + 'recording\'s start bring the demonstration to where it was.';
    d.querySelector('#record-file').hidden = asking;
    d.querySelector('#record-yes').textContent = asking ? 'Discard' : 'Save';
    d.hidden = false;
    document.body.append(d);
    if (asking) d.querySelector('#record-no').focus({ preventScroll: true });
    else this.nameField.select();
  }

  close() {
    this.dialog.hidden = true;
    this.recordButton.focus({ preventScroll: true });
  }

  save() {
    const name = this.nameField.value.trim().replace(/[\\/]/g, '_') || 'session.txt';
    offerDownload(name, 'text/plain', this.model.recordingFile());
    const note = this.model.recordingNote();
    this.model.stopRecording();
    this.showRecording();
    this.close();
    this.page.status(note ? `Recorded ${name}. ${note}` : `Recorded ${name}`);
  }

  ask() {
    this.showDialog(true);
  }

  discard() {
    this.model.stopRecording();
    this.showRecording();
    this.close();
    this.page.status('');
  }

  // Still recording, as before Record… was pressed again.
  keep() {
    this.close();
    this.page.status('Recording');
  }
}
