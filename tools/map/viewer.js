// The route viewer: draws the plan view and the long section of one stretch
// of the route from the data in #data, and lets the reader zoom, pan, hover
// and search. Both panels always show the same stretch.
(function () {
  'use strict';
  const D = JSON.parse(document.getElementById('data').textContent);
  const NS = 'http://www.w3.org/2000/svg';
  const plan = document.getElementById('plan');
  const section = document.getElementById('section');
  const tip = document.getElementById('tip');
  const status = document.getElementById('status');
  const tips = [];
  const L = Math.max(D.length, 100);
  let m0 = 0, m1 = L;
  let picked = null;

  function el(parent, name, attrs, text) {
    const e = document.createElementNS(NS, name);
    for (const k in attrs) e.setAttribute(k, attrs[k]);
    if (text !== undefined) e.textContent = text;
    parent.appendChild(e);
    return e;
  }
  function tipOf(e, text) {
    if (text) { e.setAttribute('data-tip', tips.length); tips.push(text); }
    return e;
  }
  function size(svg) {
    const r = svg.getBoundingClientRect();
    return [Math.max(r.width, 200), Math.max(r.height, 200)];
  }
  function kmLabel(m) {
    const k = m / 1000;
    return (Math.abs(k - Math.round(k)) < 1e-9 ? k.toFixed(0) : k.toFixed(Math.abs(k * 10 - Math.round(k * 10)) < 1e-9 ? 1 : 2)) + ' km';
  }
  function niceStep(span, count) {
    const raw = span / count, p = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const k of [1, 2, 5, 10]) if (k * p >= raw) return k * p;
    return 10 * p;
  }
  function lineKm(v, m) {
    for (const z of v.km) if (z[0] <= m) return z[1] - (m - z[0]);
    return null;
  }
  const inRange = (a, b) => b >= m0 && a <= m1;

  // ---- plan view: the route turned once so that it runs left to right ----
  const V = D.versions;
  const base = V[V.length - 1];
  let cosA = 1, sinA = 0;
  if (base.plan.length > 1) {
    const a = base.plan[0], b = base.plan[base.plan.length - 1];
    const ang = Math.atan2(b[2] - a[2], b[1] - a[1]);
    cosA = Math.cos(ang); sinA = Math.sin(ang);
  }
  const turn = (p) => [p[1] * cosA + p[2] * sinA, -p[1] * sinA + p[2] * cosA];
  function planPoint(v, m) {
    const p = v.plan;
    if (!p.length) return null;
    let lo = 0, hi = p.length - 1;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (p[mid][0] < m) lo = mid + 1; else hi = mid; }
    return turn(p[lo]);
  }

  function drawPlan() {
    plan.textContent = '';
    const [w, h] = size(plan);
    el(plan, 'rect', { x: 0, y: 0, width: w, height: h, fill: '#fff' });
    if (!base.plan.length) { el(plan, 'text', { x: 12, y: 24, 'font-size': 14 }, 'no plan view: ' + base.noplan); return; }
    let u0 = Infinity, u1 = -Infinity, v0 = Infinity, v1 = -Infinity;
    for (const p of base.plan) {
      if (p[0] < m0 || p[0] > m1) continue;
      const q = turn(p);
      u0 = Math.min(u0, q[0]); u1 = Math.max(u1, q[0]); v0 = Math.min(v0, q[1]); v1 = Math.max(v1, q[1]);
    }
    if (!(u1 >= u0)) { u0 = 0; u1 = 1; v0 = 0; v1 = 1; }
    const k = Math.min((w - 120) / Math.max(u1 - u0, 1), (h - 200) / Math.max(v1 - v0, 1));
    const ox = w / 2 - k * (u0 + u1) / 2, oy = h / 2 + k * (v0 + v1) / 2;
    const P = (q) => [ox + k * q[0], oy - k * q[1]];
    function path(v, a, b) {
      const pts = [];
      const step = Math.max(1, Math.floor((b - a) / 3000 / 5));
      let i = 0;
      for (const p of v.plan) {
        if (p[0] < a || p[0] > b) continue;
        if (i++ % step) continue;
        const q = P(turn(p));
        pts.push(q[0].toFixed(1) + ',' + q[1].toFixed(1));
      }
      if (pts.length === 1) pts.push(pts[0]);
      return pts.join(' ');
    }
    for (const c of D.changes) {
      if (!inRange(c.from, c.to)) continue;
      tipOf(el(plan, 'polyline', { points: path(base, Math.max(c.from - 25, m0), Math.min(c.to + 25, m1)), fill: 'none', stroke: '#ffe14d', 'stroke-width': 22, 'stroke-linecap': 'round', 'class': 'change' }), c.text);
    }
    V.forEach((v, vi) => {
      const old = vi < V.length - 1;
      const g = el(plan, 'g', old ? { opacity: 0.35 } : {});
      for (const s of v.stations) {
        if (!inRange(s.s, s.e)) continue;
        tipOf(el(g, 'polyline', { points: path(v, Math.max(s.s, m0), Math.min(s.e, m1)), fill: 'none', stroke: '#9ec9e0', 'stroke-width': 12, 'stroke-linecap': 'round' }), s.tip);
      }
      el(g, 'polyline', { points: path(v, m0, m1), fill: 'none', stroke: old ? '#888' : '#333', 'stroke-width': 3 });
      for (const o of v.objects.slowdown) {
        if (!inRange(o[0], o[1])) continue;
        tipOf(el(g, 'polyline', { points: path(v, Math.max(o[0], m0), Math.min(Math.max(o[1], o[0] + 1), m1)), fill: 'none', stroke: '#ff800d', 'stroke-width': 9, 'stroke-opacity': 0.85, 'stroke-linecap': 'round' }), o[3]);
      }
      const marks = { signal: ['#d6262a', 0, -12], board: ['#1f78b5', 1, 10], warning: ['#ff800d', 2, -16], code: ['#2ba12b', 3, 0], indication: ['#9466bd', 4, 12] };
      for (const kind in marks) {
        const [col, shape, off] = marks[kind];
        for (const o of v.objects[kind]) {
          if (o[0] < m0 || o[0] > m1) continue;
          const q = planPoint(v, o[0]);
          if (!q) continue;
          const [x, y] = P(q);
          const e = shape === 3 ? el(g, 'circle', { cx: x, cy: y, r: 3.5, fill: col })
            : el(g, 'rect', { x: x - 4, y: y + off - 4, width: 8, height: 8, fill: col, transform: shape === 4 ? 'rotate(45 ' + x + ' ' + (y + off) + ')' : '' });
          e.setAttribute('class', kind);
          tipOf(e, o[3]);
        }
      }
      if (old) return;
      // Names where they overlap no other name: a few places above and
      // below the point, nearer first; a crowded one takes the first.
      const taken = [];
      let side = -1;
      for (const s of v.stations) {
        if (s.p < m0 || s.p > m1) continue;
        const q = planPoint(v, s.p);
        if (!q) continue;
        const [x, y] = P(q);
        const sg = el(g, 'g', { 'class': 'station' + (picked === s.n ? ' picked' : '') });
        tipOf(el(sg, 'circle', { cx: x, cy: y, r: 6, fill: picked === s.n ? '#ffe14d' : '#fff', stroke: '#222', 'stroke-width': 2 }), s.tip);
        const tw = s.n.length * 10.5 + 6;
        const cx = Math.min(Math.max(x, tw / 2 + 4), w - tw / 2 - 4);
        let place = null;
        for (const d of [18, 36, 54, 72, 90]) {
          for (const sd of [side, -side]) {
            const ty = y + sd * d + (sd > 0 ? 10 : 0);
            const box = [cx - tw / 2, ty - 13, cx + tw / 2, ty + 3];
            if (!taken.some((b) => b[0] < box[2] && box[0] < b[2] && b[1] < box[3] && box[1] < b[3])) { place = [ty, box]; break; }
          }
          if (place) break;
        }
        if (!place) { const ty = y + side * 18 + (side > 0 ? 10 : 0); place = [ty, [cx - tw / 2, ty - 13, cx + tw / 2, ty + 3]]; }
        taken.push(place[1]);
        if (Math.abs(place[0] - y) > 30) el(sg, 'line', { x1: x, y1: y, x2: cx, y2: place[0] + (place[0] < y ? 4 : -14), stroke: '#999' });
        tipOf(el(sg, 'text', { x: cx, y: place[0], 'font-size': 14, 'font-weight': 'bold', 'text-anchor': 'middle', 'class': 'halo' }, s.n), s.tip);
        side = -side;
      }
      for (const mk of D.marks) {
        if (mk.p < m0 || mk.p > m1) continue;
        const q = planPoint(v, mk.p);
        if (!q) continue;
        const [x, y] = P(q);
        const mg = el(g, 'g', { 'class': 'mark' });
        tipOf(el(mg, 'path', { d: `M${x - 9},${y - 9}L${x + 9},${y + 9}M${x - 9},${y + 9}L${x + 9},${y - 9}`, stroke: '#e6003a', 'stroke-width': 4 }), mk.text);
        tipOf(el(mg, 'text', { x: x + 12, y: y - 12, 'font-size': 13, 'font-weight': 'bold', fill: '#e6003a', 'class': 'halo' }, mk.text.split('\n')[0]), mk.text);
      }
    });
    el(plan, 'text', { x: 10, y: h - 10, 'font-size': 12, fill: '#666' }, kmLabel(m0) + ' to ' + kmLabel(m1) + ' \u00b7 wheel or +/- to zoom, drag or arrows to pan, 0 for the whole route');
  }

  // ---- long section along the distance ----
  function drawSection() {
    section.textContent = '';
    const [w, h] = size(section);
    el(section, 'rect', { x: 0, y: 0, width: w, height: h, fill: '#fff' });
    const left = 70, right = w - 15;
    const X = (m) => left + (right - left) * (Math.min(Math.max(m, m0), m1) - m0) / Math.max(m1 - m0, 1);
    const strips = { names: [10, 0.22], objects: [0.22, 0.34], gradient: [0.36, 0.56], speed: [0.58, 0.78], adhesion: [0.8, 0.9] };
    const Y = {};
    for (const s in strips) Y[s] = [strips[s][0] < 1 ? strips[s][0] * h : strips[s][0], strips[s][1] * h];
    const titles = { objects: 'line side', gradient: 'gradient \u2030', speed: 'speed km/h', adhesion: 'adhesion %' };
    for (const s in titles) {
      el(section, 'rect', { x: left, y: Y[s][0], width: right - left, height: Y[s][1] - Y[s][0], fill: 'none', stroke: '#ddd' });
      el(section, 'text', { x: left + 4, y: Y[s][0] + 12, 'font-size': 11, 'font-weight': 'bold', fill: '#555', 'class': 'halo' }, titles[s]);
    }
    for (const c of D.changes) {
      if (!inRange(c.from, c.to)) continue;
      tipOf(el(section, 'rect', { x: X(c.from) - 2, y: Y.objects[0], width: Math.max(X(c.to) - X(c.from), 0) + 4, height: Y.adhesion[1] - Y.objects[0], fill: '#ffe14d', 'fill-opacity': 0.55, 'class': 'change' }), c.text);
    }
    function scale(strip, runs, floor, ceil) {
      let lo = floor, hi = ceil;
      for (const r of runs) if (inRange(r[0], r[1]) && r[2] !== null) { lo = Math.min(lo, r[2]); hi = Math.max(hi, r[3]); }
      const [y0, y1] = Y[strip];
      const f = (val) => y1 - 4 - (y1 - y0 - 8) * (val - lo) / Math.max(hi - lo, 1);
      for (const t of lo < 0 && hi > 0 ? [lo, 0, hi] : [lo, hi]) {
        el(section, 'text', { x: left - 4, y: f(t) + 4, 'font-size': 10, fill: '#666', 'text-anchor': 'end' }, String(t));
      }
      return f;
    }
    function steps(g, runs, Ys, col, width, dash, text) {
      const pts = [];
      for (const r of runs) {
        if (!inRange(r[0], r[1])) continue;
        pts.push(X(r[0]).toFixed(1) + ',' + Ys(r[2]).toFixed(1));
        if (r[3] !== r[2]) pts.push(X(r[0]).toFixed(1) + ',' + Ys(r[3]).toFixed(1));
        pts.push(X(r[1]).toFixed(1) + ',' + Ys(r[3]).toFixed(1));
      }
      if (pts.length) tipOf(el(g, 'polyline', { points: pts.join(' '), fill: 'none', stroke: col, 'stroke-width': width, 'stroke-dasharray': dash || 'none' }), text);
    }
    const ygr = scale('gradient', base.profiles.gradient, -5, 5);
    const ysp = scale('speed', base.profiles.speed, 0, 40);
    const yad = scale('adhesion', base.profiles.adhesion, 0, 100);
    V.forEach((v, vi) => {
      const old = vi < V.length - 1;
      const g = el(section, 'g', old ? { opacity: 0.4 } : {});
      const cy = (Y.objects[0] + Y.objects[1]) / 2;
      if (v.rep && inRange(v.rep[0], v.rep[1])) tipOf(el(g, 'rect', { x: X(v.rep[0]), y: Y.objects[1] - 5, width: X(v.rep[1]) - X(v.rep[0]), height: 4, fill: '#99d999' }), v.rep[2]);
      for (const s of v.stations) if (inRange(s.s, s.e)) tipOf(el(g, 'rect', { x: X(s.s), y: cy - 9, width: Math.max(X(s.e) - X(s.s), 1), height: 18, fill: '#9ec9e0', 'fill-opacity': 0.8 }), s.tip);
      el(g, 'line', { x1: left, x2: right, y1: cy, y2: cy, stroke: '#333' });
      for (const o of v.objects.slowdown) {
        if (!inRange(o[0], o[1])) continue;
        tipOf(el(g, 'rect', { x: X(o[0]), y: cy - 5, width: Math.max(X(o[1]) - X(o[0]), 2), height: 10, fill: '#ff800d', 'class': 'slowdown' }), o[3]);
        const sp = o[4];
        if (sp !== undefined) tipOf(el(g, 'rect', { x: X(o[0]), y: ysp(sp), width: Math.max(X(o[1]) - X(o[0]), 2), height: Math.max(ysp(0) - ysp(sp), 0), fill: '#ff800d', 'fill-opacity': 0.25 }), o[3]);
      }
      const sym = { signal: ['#d6262a', -16], board: ['#1f78b5', 12], warning: ['#ff800d', -24], code: ['#2ba12b', 0], indication: ['#9466bd', 20] };
      for (const kind in sym) {
        for (const o of v.objects[kind]) {
          if (o[0] < m0 || o[0] > m1) continue;
          const x = X(o[0]);
          const e = kind === 'code' ? el(g, 'circle', { cx: x, cy: cy, r: 3, fill: sym[kind][0] })
            : el(g, 'rect', { x: x - 3, y: cy + sym[kind][1] - 4, width: kind === 'signal' ? 3 : 7, height: kind === 'signal' ? 14 : 7, fill: sym[kind][0] });
          e.setAttribute('class', kind);
          tipOf(e, o[3]);
        }
      }
      for (const r of v.profiles.gradient) {
        if (!inRange(r[0], r[1]) || r[2] === null) continue;
        for (const val of r[2] === r[3] ? [r[2]] : [r[2], r[3]]) {
          if (!val) continue;
          const ya = ygr(0), yb = ygr(val);
          tipOf(el(g, 'rect', { x: X(r[0]), y: Math.min(ya, yb), width: Math.max(X(r[1]) - X(r[0]), 0.8), height: Math.abs(yb - ya), fill: val > 0 ? '#b5661c' : '#3b87ad' }),
            'gradient ' + (r[2] === r[3] ? r[2] : r[2] + ' to ' + r[3]) + ' \u2030 from ' + r[0] + ' m to ' + r[1] + ' m');
        }
      }
      el(g, 'line', { x1: left, x2: right, y1: ygr(0), y2: ygr(0), stroke: '#222' });
      steps(g, v.profiles.speed, ysp, '#1f3b8c', 2.5, null, 'the train\'s speed limit');
      steps(g, v.profiles.effective, ysp, '#d91a1a', 1.5, '5 5', 'the speed limit to respect: the train\'s limit with the slowdowns applied');
      steps(g, v.profiles.adhesion, yad, '#2e7d33', 2.5, null, 'adhesion');
      if (old) return;
      let lastX = -1e9;
      for (const s of v.stations) {
        if (s.p < m0 || s.p > m1) continue;
        const x = Math.max(X(s.p), lastX + 14);
        lastX = x;
        el(g, 'line', { x1: X(s.p), x2: X(s.p), y1: Y.objects[0], y2: Y.adhesion[1], stroke: '#999', 'stroke-dasharray': '4 4' });
        tipOf(el(g, 'text', { x: x + 4, y: Y.names[1] - 2, 'font-size': 12, 'font-weight': picked === s.n ? 'bold' : 'normal', fill: picked === s.n ? '#c00' : '#222', transform: `rotate(-90 ${x + 4} ${Y.names[1] - 2})`, 'class': 'station' }, s.n + (s.t ? '  ' + s.t : '')), s.tip);
      }
      for (const mk of D.marks) {
        if (mk.p < m0 || mk.p > m1) continue;
        tipOf(el(g, 'line', { x1: X(mk.p), x2: X(mk.p), y1: Y.objects[0], y2: Y.adhesion[1], stroke: '#e6003a', 'stroke-width': 2.5, 'class': 'mark' }), mk.text);
      }
    });
    const step = niceStep(m1 - m0, Math.max(2, (right - left) / 110));
    const ya = Y.adhesion[1];
    for (let m = Math.ceil(m0 / step) * step; m <= m1 + 1e-6; m += step) {
      el(section, 'line', { x1: X(m), x2: X(m), y1: ya, y2: ya + 6, stroke: '#222' });
      el(section, 'text', { x: X(m), y: ya + 19, 'font-size': 11, 'text-anchor': 'middle' }, kmLabel(m));
      const k = lineKm(base, m);
      if (k !== null) el(section, 'text', { x: X(m), y: ya + 33, 'font-size': 10, fill: '#777', 'text-anchor': 'middle' }, (k / 1000).toFixed(3));
    }
    el(section, 'text', { x: 4, y: ya + 19, 'font-size': 11, 'font-weight': 'bold' }, 'distance');
    if (base.km.length) el(section, 'text', { x: 4, y: ya + 33, 'font-size': 10, fill: '#777' }, 'line km');
  }

  let queued = false;
  function draw() {
    if (queued) return;
    queued = true;
    setTimeout(() => { queued = false; tips.length = 0; drawPlan(); drawSection(); }, 10);
  }
  function setRange(a, b) {
    const span = Math.min(Math.max(b - a, 200), L);
    a = Math.min(Math.max(a, 0), L - span);
    m0 = a; m1 = a + span;
    document.getElementById('range').textContent = kmLabel(m0) + ' \u2013 ' + kmLabel(m1);
    draw();
  }
  function zoom(f, at) {
    if (at === undefined) at = (m0 + m1) / 2;
    setRange(at - (at - m0) * f, at + (m1 - at) * f);
  }
  function pan(share) { const d = (m1 - m0) * share; setRange(m0 + d, m1 + d); }
  // The metre under the mouse: along the section's axis, or the nearest plan point.
  function metreAt(svg, ev) {
    const r = svg.getBoundingClientRect();
    const t = (ev.clientX - r.left) / Math.max(r.width, 1);
    return m0 + (m1 - m0) * Math.min(Math.max(t, 0), 1);
  }
  for (const svg of [plan, section]) {
    svg.addEventListener('wheel', (ev) => { ev.preventDefault(); zoom(ev.deltaY > 0 ? 1.25 : 0.8, metreAt(svg, ev)); }, { passive: false });
    let drag = null;
    svg.addEventListener('mousedown', (ev) => { drag = [ev.clientX, m0, m1]; });
    window.addEventListener('mouseup', () => { drag = null; });
    svg.addEventListener('mousemove', (ev) => {
      if (drag) {
        const r = svg.getBoundingClientRect();
        const d = (drag[0] - ev.clientX) / Math.max(r.width, 1) * (drag[2] - drag[1]);
        setRange(drag[1] + d, drag[2] + d);
      }
      const i = ev.target.getAttribute && ev.target.getAttribute('data-tip');
      if (i === null || i === undefined) { tip.style.display = 'none'; return; }
      tip.textContent = tips[+i];
      tip.style.display = 'block';
      tip.style.left = Math.min(ev.clientX + 14, window.innerWidth - 360) + 'px';
      tip.style.top = (ev.clientY + 14) + 'px';
    });
    svg.addEventListener('mouseleave', () => { tip.style.display = 'none'; });
  }
  window.addEventListener('keydown', (ev) => {
    if (ev.target && ev.target.tagName === 'INPUT') return;
    if (ev.key === '+' || ev.key === '=') zoom(0.8);
    else if (ev.key === '-') zoom(1.25);
    else if (ev.key === 'ArrowLeft') pan(-0.2);
    else if (ev.key === 'ArrowRight') pan(0.2);
    else if (ev.key === '0') setRange(0, L);
    else return;
    ev.preventDefault();
  });
  window.addEventListener('resize', draw);

  // ---- search: the first station whose name holds the text ----
  const search = document.getElementById('search');
  function find() {
    const q = search.value.trim().toUpperCase();
    if (!q) return;
    const s = base.stations.find((x) => x.n.toUpperCase().includes(q));
    if (!s) { status.textContent = 'no station named "' + search.value.trim() + '"'; picked = null; draw(); return; }
    picked = s.n;
    status.textContent = s.tip;
    const half = Math.max((s.e - s.s) / 2 + 1500, 1500);
    setRange(s.p - half, s.p + half);
  }
  search.addEventListener('keydown', (ev) => { if (ev.key === 'Enter') { ev.preventDefault(); find(); } });
  document.getElementById('go').addEventListener('click', find);

  const list = document.getElementById('changes');
  if (list) {
    for (const c of D.changes) {
      const li = document.createElement('li');
      li.textContent = c.text;
      li.addEventListener('click', () => { const pad = Math.max((c.to - c.from) * 0.5, 1000); setRange(c.from - pad, c.to + pad); });
      list.appendChild(li);
    }
  }
  setRange(D.from, D.to);
  // A link may name where to start: #km=36-37.5 or #station=CORSENA.
  const hash = decodeURIComponent(location.hash.slice(1));
  const byKm = /^km=([0-9.]+)-([0-9.]+)$/.exec(hash);
  if (byKm) setRange(+byKm[1] * 1000, +byKm[2] * 1000);
  const byName = /^station=(.+)$/.exec(hash);
  if (byName) { search.value = byName[1]; find(); }
  document.body.setAttribute('data-ready', '1');
})();
