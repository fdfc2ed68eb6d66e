// The station's page: follows the radio through the server's pushes and
// sends the operator's commands. The server decides everything (who may
// control, what the radio is); the page shows what it is told, and keeps
// the transmitter keyed only while the button or Space is held and the
// page is in front.
'use strict';

const BANDS = ['160', '80', '60', '40', '30', '20', '17', '15', '12', '10', '6'];
const MODES = ['LSB', 'USB', 'CW', 'CW-R', 'AM', 'FM', 'FSK', 'PKT'];
const DIGITS = 8;           // 10 MHz down to 1 Hz
const TUNE_EVERY_MS = 100;  // at most one tuning command this often per VFO
const HISTORY_MS = 60000;
const SAMPLE_MS = 250;

const $ = (sel, root = document) => root.querySelector(sel);
const $$ = (sel, root = document) => [...root.querySelectorAll(sel)];

const hash = new URLSearchParams(location.hash.slice(1));
const bench = hash.has('bench');
let token = hash.get('token') || sessionStorage.getItem('tovrak-token') || '';
if (hash.has('token')) {
  sessionStorage.setItem('tovrak-token', token);
  history.replaceState(null, '', location.pathname);  // the token leaves the address bar
}

let ws = null;
let me = -1;
let control = false;
let state = null;
let heartbeat = 0;
let retryMs = 500;
let pttHeld = false;
const local = [null, null];  // a tuning not yet confirmed: {hz, until}
const tuneTimer = [0, 0];
const tuneSent = [0, 0];
const selected = [4, 4];    // the digit arrows work on (0 = 10 MHz)
const samples = [];         // S-meter every SAMPLE_MS, newest last

function send(msg) {
  if (ws && ws.readyState === WebSocket.OPEN) ws.send(JSON.stringify(msg));
}

function note(text) {
  $('#notes').textContent = text;
}

// ---------------------------------------------------------------- the link

function connect() {
  ws = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws`);
  ws.onopen = () => {
    retryMs = 500;
    if (token) send({ t: 'hello', token });
    heartbeat = setInterval(() => send({ t: 'ping' }), 250);
  };
  ws.onmessage = (ev) => receive(JSON.parse(ev.data));
  ws.onclose = (ev) => {
    clearInterval(heartbeat);
    release();
    setPill('#link', 'bad', ev.reason ? `disconnected: ${ev.reason}` : 'disconnected from tovrak');
    setTimeout(connect, retryMs);
    retryMs = Math.min(retryMs * 2, 5000);
  };
}

function receive(m) {
  switch (m.t) {
    case 'hello':
      me = m.you;
      setControl(m.control, m.why);
      seedHistory(m.history);
      break;
    case 'control':
      setControl(m.control, m.why);
      if (!m.control) sessionStorage.removeItem('tovrak-token');
      break;
    case 'state':
      state = m.s;
      show(state);
      if (bench) send({ t: 'shown', at: m.at, now: performance.timeOrigin + performance.now() });
      break;
    case 'released':
      pttHeld = false;
      showPtt();
      note(m.text);
      break;
    case 'refused':
    case 'error':
      note(m.text);
      break;
  }
}

function setPill(sel, kind, text) {
  const el = $(sel);
  el.className = `pill ${kind}`;
  el.textContent = text;
}

function setControl(on, why) {
  control = on;
  setPill('#access', on ? 'good' : 'warn', on ? 'in control' : 'read only');
  $('#access').title = why || '';
  $('#unlock').hidden = on || /read-only/.test(why || '');
  for (const el of $$('main button, main input')) el.disabled = !on;
  note(on ? '' : why || '');
}

// ---------------------------------------------------------------- showing

function digitsOf(hz) {
  return String(Math.max(0, Math.round(hz))).padStart(DIGITS, '0').slice(-DIGITS);
}

function renderFreq(v, hz) {
  const el = $(`#vfo${v} .freq`);
  const text = digitsOf(hz);
  if (el.dataset.shown === `${text}/${selected[v]}`) return;  // as it is
  el.dataset.shown = `${text}/${selected[v]}`;
  let html = '';
  let lead = true;
  for (let i = 0; i < DIGITS; i++) {
    if (i === 2 || i === 5) html += '.';
    lead = lead && text[i] === '0' && i < 1;
    html += `<span class="d${i === selected[v] ? ' sel' : ''}${lead ? ' lead' : ''}" data-i="${i}">${text[i]}</span>`;
  }
  el.innerHTML = html;
  el.setAttribute('aria-valuenow', String(hz));
  el.setAttribute('aria-valuetext', `${(hz / 1e6).toFixed(6)} MHz`);
}

function shownHz(v) {
  const l = local[v];
  if (l && performance.now() < l.until) return l.hz;
  local[v] = null;
  return state ? state.vfo[v].hz : 0;
}

// S-units as the radio's meter is marked: 0-255, S9 at 120, +60 dB at 255
// (the same reading as the monitor's).
function sUnits(raw) {
  const s = Math.min(255, Math.max(0, raw));
  if (s <= 120) return `S${Math.floor((s * 9 + 60) / 120)}`;
  return `S9+${Math.floor(((s - 120) * 60 + 67) / 135)} dB`;
}

function show(s) {
  const unsure = new Set(s.unsure);
  for (const v of [0, 1]) {
    const card = $(`#vfo${v}`);
    renderFreq(v, shownHz(v));
    $('.freq', card).classList.toggle('unsure', unsure.has(v ? 'b' : 'a'));
    const mode = $('.mode', card);
    mode.textContent = v === 0 && s.memory ? `${s.vfo[v].mode} · M${s.channel}` : s.vfo[v].mode;
    mode.classList.toggle('unsure', unsure.has(v ? 'mode_b' : 'mode_a'));
    card.classList.toggle('receiving', s.rx === v);
    card.classList.toggle('transmitting', s.tx === v);
    card.classList.toggle('keyed', s.tx === v && s.ptt);
  }
  $('#split').setAttribute('aria-pressed', String(s.split));
  for (const b of $$('#modes button')) {
    b.setAttribute('aria-pressed', String(b.textContent === s.vfo[s.rx].mode));
  }
  $('#sunits').textContent = unsure.has('smeter') ? '—' : sUnits(s.smeter);
  $('#sbar').style.width = `${100 - (Math.min(255, s.smeter) / 255) * 100}%`;
  $('#width').textContent = s.width ? `width ${s.width} Hz${s.narrow ? ' (narrow)' : ''}` : 'width —';
  for (const input of $$('.levels input')) {
    if (document.activeElement === input) continue;  // the operator is moving it
    const raw = s[input.dataset.level];
    input.value = input.dataset.level === 'rf' ? 255 - raw : raw;
    input.nextElementSibling.textContent = input.value;
    input.classList.toggle('unsure', unsure.has(input.dataset.level));
  }
  const health = { answering: 'good', silent: 'warn', lost: 'bad' }[s.link.health] || 'warn';
  setPill('#link', health, `radio ${s.link.text || s.link.health}`);
  const list = $('#clients');
  list.replaceChildren(...s.clients.map((c) => {
    const li = document.createElement('li');
    li.textContent = `${c.id === me ? 'this page' : c.endpoint}${c.keyed ? ' — transmitting' : ''}`;
    li.classList.toggle('keyed', c.keyed);
    return li;
  }));
  showPtt();
}

function showPtt() {
  const keyedByMe = !!state && state.clients.some((c) => c.id === me && c.keyed);
  const b = $('#ptt');
  b.setAttribute('aria-pressed', String(pttHeld));
  b.classList.toggle('keyed', keyedByMe);
  b.firstChild.textContent = keyedByMe ? 'TRANSMITTING ' : state && state.ptt ? 'Another station transmits ' : 'Hold to transmit ';
}

// ---------------------------------------------------------------- history

function seedHistory(points) {
  // Change points [ms before now, value] into one sample per SAMPLE_MS.
  samples.length = 0;
  let i = 0;
  let v = -1;
  for (let t = -HISTORY_MS; t <= 0; t += SAMPLE_MS) {
    while (i < points.length && points[i][0] <= t) v = points[i++][1];
    samples.push(v);
  }
}

function sample() {
  samples.push(state && !state.unsure.includes('smeter') ? state.smeter : -1);
  while (samples.length > HISTORY_MS / SAMPLE_MS) samples.shift();
  drawHistory();
}

function drawHistory() {
  const c = $('#history');
  const w = (c.width = c.clientWidth * devicePixelRatio);
  const h = (c.height = c.clientHeight * devicePixelRatio);
  const g = c.getContext('2d');
  const y = (raw) => h - (raw / 255) * (h - 4) - 2;
  g.strokeStyle = '#2c3540';
  g.fillStyle = '#8b98a5';
  g.font = `${10 * devicePixelRatio}px sans-serif`;
  for (const [raw, label] of [[40, 'S3'], [80, 'S6'], [120, 'S9'], [165, '+20'], [210, '+40']]) {
    g.beginPath();
    g.moveTo(0, y(raw));
    g.lineTo(w, y(raw));
    g.stroke();
    g.fillText(label, 3, y(raw) - 2);
  }
  g.strokeStyle = '#4fb3ff';
  g.lineWidth = 2 * devicePixelRatio;
  g.beginPath();
  const n = HISTORY_MS / SAMPLE_MS;
  let drawing = false;
  samples.forEach((v, i) => {
    const x = w - ((samples.length - 1 - i) / n) * w;
    if (v < 0) { drawing = false; return; }
    if (drawing) g.lineTo(x, y(v)); else g.moveTo(x, y(v));
    drawing = true;
  });
  g.stroke();
}

function buildScale() {
  const marks = [[0, 'S0'], [40, 'S3'], [80, 'S6'], [120, 'S9'], [165, '+20'], [210, '+40'], [255, '+60']];
  $('#scale').replaceChildren(...marks.map(([raw, label]) => {
    const s = document.createElement('span');
    s.textContent = label;
    s.style.left = `${(raw / 255) * 100}%`;
    return s;
  }));
}

// ---------------------------------------------------------------- tuning

function tune(v, hz) {
  hz = Math.min(60000000, Math.max(30000, Math.round(hz)));
  local[v] = { hz, until: performance.now() + 1500 };
  renderFreq(v, hz);
  // The newest value goes out at most every TUNE_EVERY_MS.
  const wait = tuneSent[v] + TUNE_EVERY_MS - performance.now();
  clearTimeout(tuneTimer[v]);
  const go = () => {
    tuneSent[v] = performance.now();
    send({ t: 'tune', vfo: v, hz: local[v] ? local[v].hz : hz });
  };
  if (wait <= 0) go(); else tuneTimer[v] = setTimeout(go, wait);
}

function step(v, place, by) {
  if (!control) return note('this page cannot tune the radio');
  tune(v, shownHz(v) + by * 10 ** (DIGITS - 1 - place));
}

// "14.074" MHz, "14074" kHz, "14074000" Hz.
function parseFrequency(text) {
  const t = text.trim().replace(',', '.').replace(/\s*(mhz|khz|hz)$/i, '');
  if (!/^\d+(\.\d*)?$/.test(t)) return NaN;
  const x = parseFloat(t);
  if (x < 100) return x * 1e6;
  if (x < 100000) return x * 1e3;
  return x;
}

// VFO B's card: VFO A's, with its names.
function makeVfoB() {
  const b = $('#vfo0').cloneNode(true);
  b.id = 'vfo1';
  $('h2', b).textContent = 'VFO B';
  $('.freq', b).setAttribute('aria-label', 'VFO B frequency');
  const input = $('.entry input', b);
  input.placeholder = '7074 kHz';
  input.setAttribute('aria-label', 'VFO B frequency to go to (MHz, kHz or Hz)');
  $('#vfo0').after(b);
}

function setUpVfo(v) {
  const card = $(`#vfo${v}`);
  const freq = $('.freq', card);
  const input = $('.entry input', card);
  freq.addEventListener('wheel', (e) => {
    const d = e.target.closest('.d');
    if (!d) return;
    e.preventDefault();
    selected[v] = Number(d.dataset.i);
    step(v, selected[v], e.deltaY < 0 ? 1 : -1);
  }, { passive: false });
  freq.addEventListener('click', (e) => {
    const d = e.target.closest('.d');
    if (d) selected[v] = Number(d.dataset.i);
    renderFreq(v, shownHz(v));
  });
  freq.addEventListener('keydown', (e) => {
    const moves = { ArrowLeft: -1, ArrowRight: 1 };
    if (e.key in moves) {
      selected[v] = Math.min(DIGITS - 1, Math.max(0, selected[v] + moves[e.key]));
      renderFreq(v, shownHz(v));
    } else if (e.key === 'ArrowUp' || e.key === 'ArrowDown') {
      step(v, selected[v], e.key === 'ArrowUp' ? 1 : -1);
    } else if (e.key === 'Enter' || /^[0-9]$/.test(e.key)) {
      input.value = e.key === 'Enter' ? '' : e.key;
      input.focus();
    } else {
      return;
    }
    e.preventDefault();
  });
  $('.entry', card).addEventListener('submit', (e) => {
    e.preventDefault();
    const hz = parseFrequency(input.value);
    if (!(hz >= 30000 && hz <= 60000000)) return note(`${input.value}: a frequency from 0.03 to 60 MHz`);
    tune(v, hz);
    input.value = '';
    freq.focus();
  });
}

// ---------------------------------------------------------------- transmit

function press() {
  if (!control) return note('this page cannot transmit');
  if (pttHeld) return;
  pttHeld = true;
  send({ t: 'ptt', on: true });
  showPtt();
}

// Lets go: the button or Space released, the page left or hidden.
function release() {
  if (!pttHeld) return;
  pttHeld = false;
  send({ t: 'ptt', on: false });
  showPtt();
}

function typing(target) {
  return target instanceof HTMLInputElement && target.type !== 'range';
}

function setUpPtt() {
  const b = $('#ptt');
  b.addEventListener('pointerdown', (e) => {
    b.setPointerCapture(e.pointerId);
    press();
  });
  for (const ev of ['pointerup', 'pointercancel', 'lostpointercapture']) b.addEventListener(ev, release);
  b.addEventListener('contextmenu', (e) => e.preventDefault());
  window.addEventListener('keydown', (e) => {
    if (e.code !== 'Space' || typing(e.target)) return;
    e.preventDefault();
    if (!e.repeat) press();
  });
  window.addEventListener('keyup', (e) => {
    if (e.code !== 'Space' || typing(e.target)) return;
    e.preventDefault();
    release();
  });
  window.addEventListener('blur', release);
  window.addEventListener('pagehide', release);
  document.addEventListener('visibilitychange', () => document.hidden && release());
}

// ---------------------------------------------------------------- the rest

function setUpButtons() {
  $('#bands').replaceChildren(...BANDS.map((name, band) => {
    const b = document.createElement('button');
    b.textContent = name;
    b.title = `${name} m`;
    b.addEventListener('click', () => send({ t: 'band', band }));
    return b;
  }));
  $('#modes').replaceChildren(...MODES.map((mode) => {
    const b = document.createElement('button');
    b.textContent = mode;
    b.addEventListener('click', () => send({ t: 'mode', vfo: state ? state.rx : 0, mode }));
    return b;
  }));
  for (const b of $$('[data-vfo-op]')) b.addEventListener('click', () => send({ t: 'vfo', op: b.dataset.vfoOp }));
  $('#split').addEventListener('click', () => send({ t: 'split', on: !(state && state.split) }));
  for (const input of $$('.levels input')) {
    let last = 0;
    const level = () => {
      const value = Number(input.value);
      input.nextElementSibling.textContent = value;
      last = performance.now();
      send({ t: 'level', name: input.dataset.level, value: input.dataset.level === 'rf' ? 255 - value : value });
    };
    input.addEventListener('input', () => performance.now() - last > 150 && level());
    input.addEventListener('change', level);
  }
  $('#unlock').addEventListener('submit', (e) => {
    e.preventDefault();
    token = $('#token').value;
    sessionStorage.setItem('tovrak-token', token);
    send({ t: 'hello', token });
    $('#token').value = '';
  });
}

makeVfoB();
setUpVfo(0);
setUpVfo(1);
setUpPtt();
setUpButtons();
buildScale();
seedHistory([]);
setInterval(sample, SAMPLE_MS);
connect();
