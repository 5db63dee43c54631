'use strict';
// The page only shows what Zelvo says and forwards to the same core the
// window uses; every rule lives there.
(function () {
  const $ = (id) => document.getElementById(id);
  const words = { on: 'an', standby: 'im Standby', off: 'aus', unknown: 'unbekannt' };
  const kinds = { nhttpd: 'D-Box', enigma2: 'Enigma2', unknown: 'Art unbekannt' };
  let timer = null;
  let shown = '';

  async function call(method, path, body) {
    const init = { method, headers: { 'X-Zelvo-Seite': '1' }, credentials: 'same-origin' };
    if (body !== undefined) {
      init.headers['Content-Type'] = 'application/json';
      init.body = JSON.stringify(body);
    }
    const response = await fetch(path, init);
    let data = {};
    try { data = await response.json(); } catch (e) { data = {}; }
    if (response.status === 401 && path !== '/api/login') showLogin('');
    return { status: response.status, data };
  }

  function el(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function showLogin(message) {
    stop();
    $('app').hidden = true;
    $('logout').hidden = true;
    $('loginSection').hidden = false;
    $('loginMessage').textContent = message;
    $('password').focus();
  }

  function showApp() {
    $('loginSection').hidden = true;
    $('app').hidden = false;
    $('logout').hidden = false;
    refresh();
    start();
  }

  function renderBoxes(boxes) {
    const list = $('boxes');
    list.replaceChildren();
    const configured = new Set();
    for (const b of boxes) {
      configured.add(b.box);
      const li = el('li');
      li.dataset.box = b.box;
      li.dataset.state = b.state;
      li.append(el('span', 'lamp ' + b.state));
      li.setAttribute('aria-label', 'Box ' + b.box + ': ' + words[b.state]);
      let line = 'Box ' + b.box + ' (' + b.address + '): ' + words[b.state] + ', ' + kinds[b.kind];
      if (b.held > 0) line += ', ' + b.held + ' zurückgehalten';
      li.append(el('span', '', line));
      list.append(li);
    }
    for (let n = 1; n <= 4; n++) $('box' + n).parentElement.hidden = !configured.has(n);
  }

  function renderHeld(held) {
    const list = $('held');
    list.replaceChildren();
    if (held.length === 0) list.append(el('li', 'small', 'Keine Nachricht wartet.'));
    for (const m of held) {
      const li = el('li');
      li.dataset.id = m.id;
      li.append(el('span', 'small', 'Box ' + m.box + ' (' + (m.reason === 'standby' ? 'Standby' : 'aus') + '), ' + m.source));
      li.append(el('span', 'text', m.text));
      const b = el('button', 'discard', 'Verwerfen');
      b.type = 'button';
      b.setAttribute('aria-label', 'Nachricht für Box ' + m.box + ' verwerfen');
      b.addEventListener('click', async () => { await call('DELETE', '/api/held/' + m.id, {}); refresh(); });
      li.append(b);
      list.append(li);
    }
  }

  function renderRecord(entries) {
    const list = $('record');
    list.replaceChildren();
    for (const e of entries) {
      const li = el('li');
      li.dataset.id = e.id;
      const t = new Date(e.time);
      li.append(el('span', 'small', t.toLocaleString('de-DE') + ' · ' + e.to + ' · ' + e.source + ' · ' + (e.kind === 'popup' ? 'Popup' : 'Message')));
      li.append(el('span', 'text', e.firstLine));
      li.append(el('span', e.outcome === 'failed' ? 'small failed' : 'small', e.detail));
      list.append(li);
    }
  }

  async function refresh() {
    const [status, held, record] = await Promise.all([
      call('GET', '/api/status'), call('GET', '/api/held'), call('GET', '/api/record?limit=50')]);
    if (status.status !== 200 || held.status !== 200 || record.status !== 200) return;
    // Redrawn only when something changed, so focus and reading stay.
    const now = JSON.stringify([status.data, held.data, record.data]);
    if (now === shown) return;
    shown = now;
    renderBoxes(status.data.boxes);
    renderHeld(held.data.held);
    renderRecord(record.data.entries);
  }

  // Every 1.5 s while the page is seen; a hidden tab asks nothing.
  function start() {
    if (timer === null && document.visibilityState === 'visible' && !$('app').hidden)
      timer = setInterval(refresh, 1500);
  }
  function stop() {
    if (timer !== null) clearInterval(timer);
    timer = null;
  }
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') { refresh(); start(); } else stop();
  });

  $('loginForm').addEventListener('submit', async (ev) => {
    ev.preventDefault();
    $('login').disabled = true;
    const r = await call('POST', '/api/login', { password: $('password').value });
    $('login').disabled = false;
    $('password').value = '';
    if (r.status === 200) showApp(); else showLogin(r.data.error || 'Anmelden ging nicht.');
  });

  $('logout').addEventListener('click', async () => {
    await call('POST', '/api/logout', {});
    shown = '';
    showLogin('Abgemeldet.');
  });

  $('sendForm').addEventListener('submit', async (ev) => {
    ev.preventDefault();
    const boxes = [1, 2, 3, 4].filter((n) => $('box' + n).checked && !$('box' + n).parentElement.hidden);
    const out = $('outcome');
    if (boxes.length === 0) { out.textContent = 'Bitte mindestens eine Box ankreuzen.'; return; }
    $('send').disabled = true;
    out.textContent = 'Wird gesendet …';
    const r = await call('POST', '/api/send', {
      text: $('text').value, boxes, kind: $('popup').checked ? 'popup' : 'message' });
    $('send').disabled = false;
    out.replaceChildren();
    if (r.status !== 200) { out.textContent = r.data.error || 'Senden ging nicht.'; return; }
    if (r.data.notice) out.append(el('p', 'small', r.data.notice));
    for (const x of r.data.results) {
      // Held and expired say it in the record's own words.
      const line = 'Box ' + x.box + ': ' + (x.outcome === 'delivered' ? 'zugestellt'
        : x.outcome === 'failed' ? 'nicht angekommen – ' + x.detail : x.detail);
      out.append(el('p', x.outcome === 'failed' ? 'failed' : '', line));
    }
    refresh();
  });

  // A login that is still valid goes straight to the page.
  call('GET', '/api/status').then((r) => { if (r.status === 200) showApp(); else showLogin(''); });
})();
