// The staff page: one card per room, state from the API and the event socket only.
const KEYS = ['♭5', '♭4', '♭3', '♭2', '♭1', '♮ natural', '#1', '#2', '#3', '#4', '#5'];
const MODES = {
  MUSICMODE: ['MUSIC1', 'MUSIC2', 'MUSIC3', 'MUSIC4', 'MUSIC5', 'MUSIC6'],
  MICMODE: ['MIC1', 'MIC2', 'MIC3', 'MIC4', 'MIC5', 'MIC6'],
  EFFMODE: ['KTV1', 'KTV2', 'EFF1', 'EFF2'],
};
const TOKEN_KEY = 'tonvara-token';
const MAX_RECONNECT_MS = 30000;

const rooms = new Map(); // name -> {room, card}
const pending = new Set(); // "room\u0000key" of changes on their way
let socketDelay = 1000;

function token() {
  return localStorage.getItem(TOKEN_KEY) || '';
}

async function api(path, options = {}) {
  const headers = {...(options.headers || {})};
  if (token()) headers.Authorization = `Bearer ${token()}`;
  const response = await fetch(path, {...options, headers, cache: 'no-store'});
  let body = {};
  try {
    body = await response.json();
  } catch {
    body = {error: `the server answered ${response.status}`};
  }
  if (response.status === 401) askForToken(body.error);
  if (!response.ok) throw new Error(body.error || `the server answered ${response.status}`);
  return body;
}

function askForToken(message) {
  const form = document.getElementById('token-form');
  form.hidden = false;
  document.getElementById('token-error').textContent = token() ? message : '';
}

function roomPath(name) {
  return `/api/rooms/${encodeURIComponent(name)}`;
}

function buildCard(name) {
  const card = document.getElementById('room-card').content.firstElementChild.cloneNode(true);
  card.querySelector('.room-name').textContent = name;
  const keySelect = card.querySelector('select[data-key="KEY"]');
  KEYS.forEach((label, i) => keySelect.add(new Option(label, String(i))));
  for (const [key, labels] of Object.entries(MODES)) {
    const select = card.querySelector(`select[data-key="${key}"]`);
    labels.forEach((label, i) => select.add(new Option(label, String(i))));
  }
  card.querySelector('.mute').addEventListener('click', (event) => {
    const on = event.currentTarget.getAttribute('aria-pressed') !== 'true';
    change(name, 'MUTE', on ? 1 : 0);
  });
  for (const button of card.querySelectorAll('button[data-key="INPUTSELECT"]'))
    button.addEventListener('click', () => change(name, 'INPUTSELECT', Number(button.dataset.value)));
  for (const select of card.querySelectorAll('select[data-key]'))
    select.addEventListener('change', () => change(name, select.dataset.key, Number(select.value)));
  for (const range of card.querySelectorAll('input[type="range"]')) {
    const output = card.querySelector(`output[data-for="${range.dataset.key}"]`);
    range.addEventListener('input', () => { output.textContent = range.value; });
    range.addEventListener('change', () => change(name, range.dataset.key, Number(range.value)));
  }
  document.getElementById('rooms').append(card);
  return card;
}

// Puts a room's state onto its card; a control whose change is on its way keeps its place.
function renderRoom(room) {
  let entry = rooms.get(room.name);
  if (!entry) entry = {card: buildCard(room.name)};
  entry.room = room;
  rooms.set(room.name, entry);
  const {card} = entry;
  const connected = room.state === 'connected';
  const settings = room.settings || {};
  const known = Object.keys(settings).length > 0;
  const state = card.querySelector('.state');
  state.textContent = room.state;
  state.className = `state ${room.state.replace(' ', '-')}`;
  card.classList.toggle('down', !connected);
  const error = card.querySelector('.room-error');
  error.hidden = connected || !room.error;
  error.textContent = connected ? '' : (room.error || '');
  for (const control of card.querySelectorAll('[data-key]')) {
    const key = control.dataset.key;
    const busy = pending.has(`${room.name}\u0000${key}`);
    control.disabled = !connected || !known || busy;
    if (!known && !busy) {
      // A room never read holds no values: show none, rather than the first of each list.
      if (control.tagName === 'SELECT') control.selectedIndex = -1;
      const output = card.querySelector(`output[data-for="${key}"]`);
      if (output) output.textContent = '–';
      continue;
    }
    if (busy || !(key in settings)) continue;
    const value = settings[key];
    if (control.tagName === 'BUTTON' && key === 'MUTE')
      control.setAttribute('aria-pressed', String(value === 1));
    else if (control.tagName === 'BUTTON')
      control.setAttribute('aria-pressed', String(Number(control.dataset.value) === value));
    else if (document.activeElement !== control || control.tagName === 'SELECT')
      control.value = String(value);
    const output = card.querySelector(`output[data-for="${key}"]`);
    if (output) output.textContent = String(value);
  }
}

function note(name, key, text) {
  const entry = rooms.get(name);
  const target = entry && entry.card.querySelector(`.note[data-for="${key}"]`);
  if (target) target.textContent = text;
}

async function change(name, key, value) {
  const id = `${name}\u0000${key}`;
  pending.add(id);
  note(name, key, '');
  const entry = rooms.get(name);
  entry.card.querySelectorAll(`[data-key="${key}"]`).forEach((c) => c.classList.add('sending'));
  renderRoom(entry.room);
  try {
    const room = await api(`${roomPath(name)}/settings`, {
      method: 'POST',
      headers: {'Content-Type': 'application/json'},
      body: JSON.stringify({[key]: value}),
    });
    pending.delete(id);
    renderRoom(room);
  } catch (error) {
    pending.delete(id);
    note(name, key, `Not changed: ${error.message}`);
    renderRoom(entry.room);
  } finally {
    entry.card.querySelectorAll(`[data-key="${key}"]`).forEach((c) => c.classList.remove('sending'));
  }
}

async function loadRooms() {
  try {
    const venue = await api('/api/rooms');
    document.getElementById('venue').textContent = venue.venue;
    document.title = `${venue.venue}: rooms`;
    venue.rooms.forEach(renderRoom);
    if (venue.rooms.length === 0)
      document.getElementById('rooms').innerHTML = '<p class="empty">This venue has no rooms.</p>';
  } catch (error) {
    setLive(`Rooms not loaded: ${error.message}`, true);
  }
}

async function reloadRoom(name) {
  try {
    renderRoom(await api(roomPath(name)));
  } catch (error) {
    note(name, 'MUTE', error.message);
  }
}

function setLive(text, down) {
  const live = document.getElementById('live');
  live.textContent = text;
  live.classList.toggle('down', down);
}

function connectEvents() {
  const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
  const query = token() ? `?access_token=${encodeURIComponent(token())}` : '';
  const socket = new WebSocket(`${scheme}://${location.host}/api/events${query}`);
  socket.addEventListener('open', () => {
    socketDelay = 1000;
    setLive('Live', false);
    loadRooms(); // whatever changed while the socket was away
  });
  socket.addEventListener('message', (message) => {
    let event;
    try {
      event = JSON.parse(message.data);
    } catch {
      return;
    }
    const entry = rooms.get(event.room);
    if (!entry) return;
    if ('state' in event) {
      reloadRoom(event.room);
    } else if ('key' in event) {
      entry.room.settings = {...entry.room.settings, [event.key]: event.value};
      renderRoom(entry.room);
    }
  });
  socket.addEventListener('close', () => {
    setLive(`Not live: trying again in ${Math.round(socketDelay / 1000)} s`, true);
    setTimeout(connectEvents, socketDelay);
    socketDelay = Math.min(socketDelay * 2, MAX_RECONNECT_MS);
  });
}

document.getElementById('token-form').addEventListener('submit', (event) => {
  event.preventDefault();
  localStorage.setItem(TOKEN_KEY, document.getElementById('token').value.trim());
  document.getElementById('token-form').hidden = true;
  loadRooms();
});

loadRooms();
connectEvents();
