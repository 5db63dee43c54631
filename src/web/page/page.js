'use strict';
// The page only shows what Zelvo says and forwards to the same core the
// window uses; every rule lives there.
(function () {
  const $ = (id) => document.getElementById(id);
  const words = { on: 'an', standby: 'im Standby', off: 'aus', unknown: 'unbekannt' };
  const kinds = { nhttpd: 'D-Box', enigma2: 'Enigma2', unknown: 'Art unbekannt' };
  let timer = null;
  let shown = '';
  let list = 'daily';
  let listVersion = '';
  let editing = null; // the open form: { line (0: new), version, event as written }

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
    const fromLogin = !$('loginSection').hidden;
    $('loginSection').hidden = true;
    $('app').hidden = false;
    $('logout').hidden = false;
    if (fromLogin) $('text').focus();
    refresh();
    start();
  }

  // The length as the core counts it (the dialog's rule and words), asked
  // a moment after the typing stops.
  let lengthTimer = null;
  function askLength() {
    clearTimeout(lengthTimer);
    lengthTimer = setTimeout(async () => {
      const text = $('text').value;
      if (text === '') { $('length').textContent = ''; return; }
      const r = await call('POST', '/api/preview', { text, kind: $('popup').checked ? 'popup' : 'message' });
      if (r.status === 200) {
        $('length').textContent = r.data.words;
        $('length').classList.toggle('failed', r.data.shortened);
      }
    }, 250);
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
      // The colour repeats the words beside it, which a screen reader reads.
      const lamp = el('span', 'lamp ' + b.state);
      lamp.setAttribute('aria-hidden', 'true');
      li.append(lamp);
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
      b.id = 'discard' + m.id;
      b.setAttribute('aria-label', 'Nachricht für Box ' + m.box + ' verwerfen');
      b.addEventListener('click', async () => {
        await call('DELETE', '/api/held/' + m.id, {});
        await refresh();
        // The button is gone: the keyboard goes on at the next one, or the list's title.
        ($('held').querySelector('.discard') || $('heldTitle')).focus();
      });
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
      li.append(el('span', e.outcome === 'failed' || e.confirmation === 'unconfirmed' ? 'small failed' : 'small', e.detail));
      list.append(li);
    }
  }

  // Held and expired say it in the record's own words.
  function outcomeLine(x) {
    return 'Box ' + x.box + ': ' + (x.outcome === 'delivered' ? 'zugestellt'
      : x.outcome === 'failed' ? 'nicht angekommen – ' + x.detail : x.detail);
  }

  function button(text, label, action) {
    const b = el('button', '', text);
    b.type = 'button';
    b.setAttribute('aria-label', label);
    b.addEventListener('click', action);
    return b;
  }

  function renderLines(data) {
    const ol = $('lines');
    ol.replaceChildren();
    listVersion = data.version;
    if (data.error) ol.append(el('li', 'failed', data.error));
    else if (data.records.length === 0) ol.append(el('li', 'small', 'Die Liste ist leer.'));
    for (const r of data.records) {
      const li = el('li', r.fields ? '' : 'raw');
      li.dataset.line = r.line;
      const f = r.fields;
      const actions = el('div');
      if (f) {
        const day = f.day ? $('day').querySelector('option[value="' + f.day + '"]').textContent + ', ' : '';
        const date = f.date ? f.date.split('-').reverse().join('.') + ', ' : '';
        li.append(el('span', 'small', 'Zeile ' + r.line + ' · ' + day + date + f.trigger + ' (Termin ' + f.event + ') · '
          + (f.kind === 'popup' ? 'Popup' : 'Message') + ' · Box ' + f.box));
        li.append(el('span', 'text', f.text));
        actions.append(button('Ändern', 'Zeile ' + r.line + ' ändern', () => openForm(r.line, f)));
      } else {
        li.append(el('span', 'small', 'Zeile ' + r.line));
        li.append(el('span', 'text', r.raw));
      }
      if (r.reason) li.append(el('span', f && !r.fires ? 'small failed' : 'small', r.reason));
      for (const h of r.hints) li.append(el('span', 'small', h));
      actions.append(button('Löschen', 'Zeile ' + r.line + ' löschen', () => removeLine(r.line)));
      if (f) actions.append(button('Jetzt senden', 'Zeile ' + r.line + ' jetzt senden', () => sendLine(r.line)));
      li.append(actions);
      ol.append(li);
    }
  }

  // "Demnächst": the next seven days of every list and calendar, asked for
  // every tenth refresh (about 15 s) and after a change on the page.
  let upcomingTurn = 0;
  let upcomingShown = '';
  async function refreshUpcoming() {
    const r = await call('GET', '/api/upcoming?days=7');
    if (r.status !== 200) return;
    const now = JSON.stringify(r.data);
    if (now === upcomingShown) return;
    upcomingShown = now;
    const ol = $('upcoming');
    ol.replaceChildren();
    if (r.data.reminders.length === 0) ol.append(el('li', 'small', 'In den nächsten sieben Tagen nichts.'));
    for (const u of r.data.reminders) {
      const li = el('li');
      const t = new Date(u.time);
      li.append(el('span', 'small', t.toLocaleString('de-DE', { weekday: 'short', day: '2-digit', month: '2-digit',
        hour: '2-digit', minute: '2-digit', second: '2-digit' }) + ' · Box ' + u.box + ' · '
        + (u.kind === 'popup' ? 'Popup' : 'Message') + ' · ' + u.source));
      li.append(el('span', 'text', u.text));
      ol.append(li);
    }
  }

  async function refresh() {
    if (upcomingTurn++ % 10 === 0) refreshUpcoming();
    const asked = list;
    const [status, held, record, lines] = await Promise.all([
      call('GET', '/api/status'), call('GET', '/api/held'), call('GET', '/api/record?limit=50'),
      call('GET', '/api/lists/' + asked)]);
    if ([status, held, record, lines].some((r) => r.status !== 200) || asked !== list) return;
    // Each part redrawn only when it changed, so focus stays and a screen
    // reader hears only what is new (the boxes are a live region).
    const now = [status.data, held.data, record.data, lines.data].map((d) => JSON.stringify(d));
    const before = shown || [];
    shown = now;
    // A change may be a new reminder: "Demnächst" is asked again next time.
    if (now.some((part, i) => part !== before[i])) upcomingTurn = 0;
    const focused = document.activeElement ? document.activeElement.id : '';
    if (now[0] !== before[0]) renderBoxes(status.data.boxes);
    if (now[1] !== before[1]) renderHeld(held.data.held);
    if (now[2] !== before[2]) renderRecord(record.data.entries);
    if (now[3] !== before[3]) renderLines(lines.data);
    // A redrawn button keeps the keyboard's focus.
    if (focused && document.activeElement === document.body && $(focused)) $(focused).focus();
  }

  function two(n) { return String(n).padStart(2, '0'); }

  function openForm(line, f) {
    const today = new Date();
    const hhmm = two(today.getHours()) + ':' + two(today.getMinutes());
    f = f || { trigger: hhmm, event: hhmm, kind: 'popup', box: 1, text: '', day: 'mf',
      date: today.getFullYear() + '-' + two(today.getMonth() + 1) + '-' + two(today.getDate()) };
    editing = { line, version: listVersion, event: f.event };
    $('formTitle').textContent = line ? 'Zeile ' + line + ' ändern' : 'Neue Erinnerung';
    $('dayField').hidden = list !== 'weekly';
    $('dateField').hidden = $('everyHourField').hidden = list !== 'dated';
    if (f.day) $('day').value = f.day;
    if (f.date) $('date').value = f.date;
    $('everyHour').checked = f.trigger.startsWith('??');
    $('trigger').value = f.trigger.replace('??', '00');
    $('event').value = f.event;
    $('reminderKind').value = f.kind;
    $('reminderBox').value = String(f.box);
    $('reminderText').value = f.text;
    $('formMessage').textContent = '';
    $('forceReminder').hidden = true;
    $('reminderForm').hidden = false;
    $('trigger').focus();
  }

  function closeForm() {
    editing = null;
    $('reminderForm').hidden = true;
  }

  async function save(force) {
    const trigger = $('trigger').value;
    // An event time not written as a clock time stays as it was unless one is chosen.
    const fields = { trigger: $('everyHour').checked && list === 'dated' ? '??' + trigger.slice(2) : trigger,
      event: $('event').value || editing.event, kind: $('reminderKind').value,
      box: Number($('reminderBox').value), text: $('reminderText').value };
    if (list === 'weekly') fields.day = $('day').value;
    if (list === 'dated') fields.date = $('date').value;
    const body = { version: editing.version, fields, force };
    const r = editing.line ? await call('PUT', '/api/lists/' + list + '/' + editing.line, body)
      : await call('POST', '/api/lists/' + list, body);
    if (r.status === 200) {
      closeForm();
      $('listMessage').textContent = 'Gespeichert.';
    } else if (r.status === 409) {
      // The new state is shown; saving again writes into it.
      editing.version = r.data.version;
      $('formMessage').textContent = 'Nicht gespeichert: ' + r.data.reason
        + '. Der neue Stand steht oben; „Speichern“ schreibt die Eingabe in ihn.';
    } else {
      $('formMessage').textContent = 'Nicht gespeichert: ' + (r.data.reason || r.data.error || 'Fehler ' + r.status);
      $('forceReminder').hidden = r.status !== 422;
    }
    shown = '';
    refresh();
  }

  async function removeLine(line) {
    if (!window.confirm('Zeile ' + line + ' löschen?')) return;
    const r = await call('DELETE', '/api/lists/' + list + '/' + line + '?version=' + encodeURIComponent(listVersion), {});
    $('listMessage').textContent = r.status === 200 ? 'Zeile ' + line + ' gelöscht.'
      : 'Nicht gelöscht: ' + (r.data.reason || r.data.error);
    shown = '';
    refresh();
  }

  async function sendLine(line) {
    $('listMessage').textContent = 'Wird gesendet …';
    const r = await call('POST', '/api/lists/' + list + '/' + line + '/send', { version: listVersion });
    $('listMessage').textContent = r.status === 200 ? outcomeLine(r.data.results[0])
      : 'Nicht gesendet: ' + (r.data.reason || r.data.error);
    refresh();
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
    // Not disabled: a disabled button would drop the keyboard's focus.
    if ($('send').getAttribute('aria-disabled') === 'true') return;
    $('send').setAttribute('aria-disabled', 'true');
    out.textContent = 'Wird gesendet …';
    const r = await call('POST', '/api/send', {
      text: $('text').value, boxes, kind: $('popup').checked ? 'popup' : 'message', confirm: $('confirm').checked });
    $('send').removeAttribute('aria-disabled');
    out.replaceChildren();
    if (r.status !== 200) { out.textContent = r.data.error || 'Senden ging nicht.'; return; }
    if (r.data.notice) out.append(el('p', 'small', r.data.notice));
    for (const x of r.data.results) out.append(el('p', x.outcome === 'failed' ? 'failed' : '', outcomeLine(x)));
    refresh();
  });

  $('text').addEventListener('input', askLength);
  for (const radio of document.querySelectorAll('input[name=kind]')) radio.addEventListener('change', askLength);

  for (const radio of document.querySelectorAll('input[name=list]')) {
    radio.addEventListener('change', () => {
      list = radio.value;
      closeForm();
      $('listMessage').textContent = '';
      $('lines').replaceChildren();
      shown = '';
      refresh();
    });
  }
  $('addReminder').addEventListener('click', () => openForm(0, null));
  $('cancelReminder').addEventListener('click', closeForm);
  $('forceReminder').addEventListener('click', () => save(true));
  $('reminderForm').addEventListener('submit', (ev) => { ev.preventDefault(); save(false); });

  // A login that is still valid goes straight to the page.
  call('GET', '/api/status').then((r) => { if (r.status === 200) showApp(); else showLogin(''); });
})();
