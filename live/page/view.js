// The live page of tevrak-sim and tevrak-view: keeps the latest state from
// the server's event stream and draws it; for the simulator, sends fault
// controls and remote keys back. The real robot's page (scene.source
// "robot") is read-only and shows how old each value is. Where the server
// takes the drive's speed (the simulator; tevrak-view --control, with the
// token in the address's #control=...), a joystick in the arena's corner
// drives while pressed.
"use strict";

const view = {
  scene: null,   // arena, obstacles, body radius, start
  state: null,   // the latest state
  trail: [],     // x0, y0, x1, y1, ... in mm
  drawPending: false,
  clock: null,   // the world's time at an event, its speed, and when it came
};

const byId = (id) => document.getElementById(id);
const STATUS_NAMES = ["moving", "done", "stalled"];
const KEEP_FRAMES = 50;
const REPEAT_MS = 110;  // a held key repeats as a real remote does
const MOST_REPEATS = 255;

// ---- the event stream -------------------------------------------------------

function connect() {
  const events = new EventSource("events");
  events.onopen = () => setConnection(true);
  events.onerror = () => { setConnection(false); releaseStick(); };
  events.onmessage = (message) => take(JSON.parse(message.data));
}

// The world's time runs on between events (an idle robot sends none), at
// the simulator's speed.
function showClock() {
  const c = view.clock;
  if (!c) return;
  const seconds = c.seconds + ((performance.now() - c.at) / 1000) * c.speed;
  byId("clock").textContent = `${seconds.toFixed(1)} s` + (c.speed > 1 ? ` (${c.speed} times faster than life)` : "");
}
setInterval(showClock, 100);

function setConnection(on) {
  const mark = byId("connection");
  mark.textContent = on ? "live" : "disconnected, retrying…";
  mark.className = on ? "on" : "off";
}

const STALE_SECONDS = 1;

// The real robot: no faults to inject, no keys to press, no picture.
function showRobot() {
  document.title = "tevrak-view";
  document.querySelector("h1").textContent = "tevrak-view: the robot";
  for (const id of ["faults", "remote", "picture"]) byId(id).hidden = true;
  for (const element of document.querySelectorAll(".robot-only")) element.hidden = false;
}

// How long ago each value came (the tap's times, seconds since the epoch).
function showAges() {
  const s = view.state;
  if (!s || !s.ages) return;
  const now = Date.now() / 1000;
  const parts = [];
  const add = (name, at) => {
    if (!at) return;
    const age = now - at;
    parts.push(`${name} ${age.toFixed(1)} s${age > STALE_SECONDS ? " (stale)" : ""}`);
  };
  for (const name of ["speed", "status", "odometry"]) add(name, s.ages[name]);
  for (const group of ["encoders", "sensors", "servos", "motors"]) {
    for (const [n, at] of Object.entries(s.ages[group])) add(`${group.slice(0, -1)} ${n}`, at);
  }
  const shown = byId("ages");
  shown.textContent = (parts.join(", ") || "none yet") + (s.dropped ? `; ${s.dropped} records dropped` : "");
  shown.className = parts.some((part) => part.endsWith("(stale)")) ? "stale" : "";
}
setInterval(showAges, 250);

function take(event) {
  if (event.scene) {
    view.scene = event.scene;
    if (event.scene.source === "robot") showRobot();
  }
  if (event.trail.reset) view.trail = [];
  for (const value of event.trail.points) view.trail.push(value);
  view.state = event.state;
  if (event.clock) view.clock = { ...event.clock, at: performance.now() };
  addFrames(event.frames);
  showState(event.state);
  redraw();
}

function redraw() {
  if (view.drawPending) return;
  view.drawPending = true;
  requestAnimationFrame(() => { view.drawPending = false; draw(); });
}

// ---- panels -----------------------------------------------------------------

function showState(s) {
  const d = s.drive;
  const continuous = d.status === 1 && (d.linear !== 0 || d.angular !== 0);
  byId("drive-status").textContent = continuous ? "moving (continuous speed)" : (STATUS_NAMES[d.status] ?? d.status);
  byId("drive-speed").textContent = `${d.linear} mm/s, ${d.angular}/100 rad/s`;
  byId("drive-remaining").textContent = String(d.remaining);
  const o = s.odometry;
  byId("odometry").textContent = `x=${o.x} y=${o.y} heading=${o.heading}`;
  byId("pose").textContent = `x=${s.pose.x.toFixed(0)} y=${s.pose.y.toFixed(0)} heading=${s.pose.heading.toFixed(1)}°`;
  byId("encoders").textContent = `left=${s.encoders[0]} right=${s.encoders[1]}`;
  byId("sensors").textContent = s.sensors.map((r, i) => r.from ? `${r.psd ?? i + 1}: ${r.distance} mm` : `${r.psd}: raw ${r.raw}`).join("  ") || "none";
  byId("servos").textContent = s.servos.filter(([, p]) => p !== null).map(([n, p]) => `${n}: ${p}`).join("  ") || "none set";
  byId("motors").textContent = s.motors.map(([n, p]) => `${n}: ${p}`).join("  ") || "none driven";
  showAges();
  if (view.scene?.source === "robot") return;

  const b = s.board;
  const faults = [];
  if (!b.plugged) faults.push("unplugged");
  if (b.silent) faults.push("silent");
  if (b.late > 0) faults.push(`replies ${b.late} ms late`);
  if (b.stray > 0) faults.push(`${b.stray} stray bytes`);
  const state = byId("fault-state");
  state.textContent = faults.length ? faults.join(", ") : "plugged in, answering on time";
  state.className = faults.length ? "fault" : "";
  byId("unplug").disabled = !b.plugged;
  byId("replug").disabled = b.plugged;
  byId("silent-on").disabled = b.silent;
  byId("silent-off").disabled = !b.silent;
}

function addFrames(lines) {
  const list = byId("frames");
  for (const line of lines) {
    const item = document.createElement("li");
    item.textContent = line;
    if (line.startsWith("#")) item.className = "event";
    list.prepend(item);
  }
  while (list.children.length > KEEP_FRAMES) list.lastElementChild.remove();
}

// ---- drawing ----------------------------------------------------------------

function draw() {
  const canvas = byId("arena");
  const scene = view.scene;
  const s = view.state;
  if (!scene || !s) return;
  const ratio = window.devicePixelRatio || 1;
  const width = canvas.clientWidth * ratio;
  const height = canvas.clientHeight * ratio;
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  const g = canvas.getContext("2d");
  const w = scene.arena.width;
  const h = scene.arena.height;
  const margin = Math.max(w, h) * 0.04;
  const scale = Math.min(width / (w + 2 * margin), height / (h + 2 * margin));
  const px = 1 / scale;  // one device pixel in mm

  g.setTransform(1, 0, 0, 1, 0, 0);
  g.clearRect(0, 0, width, height);
  // Arena millimetres, y up, centred.
  const offsetX = (width - (w + 2 * margin) * scale) / 2 + margin * scale;
  const offsetY = height - ((height - (h + 2 * margin) * scale) / 2 + margin * scale);
  g.setTransform(scale, 0, 0, -scale, offsetX, offsetY);

  g.fillStyle = "#f7f7f2";
  g.fillRect(0, 0, w, h);
  g.strokeStyle = "#e2e2da";
  g.lineWidth = px;
  g.beginPath();
  for (let x = 500; x < w; x += 500) { g.moveTo(x, 0); g.lineTo(x, h); }
  for (let y = 500; y < h; y += 500) { g.moveTo(0, y); g.lineTo(w, y); }
  g.stroke();
  g.strokeStyle = "#333";
  g.lineWidth = 3 * px;
  g.strokeRect(0, 0, w, h);
  g.fillStyle = "#999";
  for (const [x, y, ow, oh] of scene.obstacles) {
    g.fillRect(x, y, ow, oh);
    g.strokeRect(x, y, ow, oh);
  }

  const radius = scene.radius;
  g.setLineDash([6 * px, 6 * px]);
  g.strokeStyle = "#4a4";
  g.lineWidth = 1.5 * px;
  g.beginPath();
  g.arc(scene.start[0], scene.start[1], radius, 0, 2 * Math.PI);
  g.stroke();
  g.setLineDash([]);

  const pose = s.pose;
  const trail = view.trail;
  g.strokeStyle = "#1f5fbf";
  g.lineWidth = 2.5 * px;
  g.lineJoin = "round";
  g.beginPath();
  for (let i = 0; i + 1 < trail.length; i += 2) {
    if (i === 0) g.moveTo(trail[i], trail[i + 1]); else g.lineTo(trail[i], trail[i + 1]);
  }
  g.lineTo(pose.x, pose.y);
  g.stroke();

  g.strokeStyle = "#d33";
  g.fillStyle = "#d33";
  g.lineWidth = 1.5 * px;
  g.setLineDash([5 * px, 4 * px]);
  // A real robot's sensor has a ray only when tevrak-view knows where it looks.
  const rays = s.sensors.filter((ray) => ray.from);
  for (const ray of rays) {
    g.beginPath();
    g.moveTo(ray.from[0], ray.from[1]);
    g.lineTo(ray.to[0], ray.to[1]);
    g.stroke();
  }
  g.setLineDash([]);
  for (const ray of rays) {
    g.beginPath();
    g.arc(ray.to[0], ray.to[1], 4 * px, 0, 2 * Math.PI);
    g.fill();
  }

  const heading = pose.heading * Math.PI / 180;
  g.fillStyle = "rgba(255, 210, 77, 0.85)";
  g.strokeStyle = "#333";
  g.lineWidth = 1.5 * px;
  g.beginPath();
  g.arc(pose.x, pose.y, radius, 0, 2 * Math.PI);
  g.fill();
  g.stroke();
  g.lineWidth = 3 * px;
  g.beginPath();
  g.moveTo(pose.x, pose.y);
  g.lineTo(pose.x + radius * Math.cos(heading), pose.y + radius * Math.sin(heading));
  g.stroke();

  // Texts upright, in device pixels, kept inside the canvas.
  g.setTransform(1, 0, 0, 1, 0, 0);
  g.font = `${12 * ratio}px sans-serif`;
  const gap = 6 * ratio;
  const toScreen = (x, y) => [offsetX + x * scale, offsetY - y * scale];
  const label = (text, x, y) => {
    const textWidth = g.measureText(text).width;
    const left = x + gap + textWidth > width ? x - gap - textWidth : x + gap;
    const base = y - gap < 12 * ratio ? y + 16 * ratio : y - gap;
    g.fillText(text, Math.max(0, left), base);
  };
  g.fillStyle = "#a22";
  rays.forEach((ray, i) => label(`${ray.psd ?? i + 1}: ${ray.distance} mm`, ...toScreen(ray.to[0], ray.to[1])));
  g.fillStyle = "#666";
  const [left, top] = toScreen(0, h);
  g.fillText(`arena ${w} × ${h} mm, grid 500 mm`, left, top - gap);
  drawStick(g, ratio);
}

// ---- fault controls ---------------------------------------------------------

function post(path, body) {
  return fetch(path, { method: "POST", headers: { "X-Tevrak-View": "1" }, body });
}

async function control(line) {
  const shown = byId("control-error");
  const response = await post("control", line);
  shown.hidden = response.ok;
  if (!response.ok) shown.textContent = await response.text();
}

for (const button of document.querySelectorAll("button[data-control]")) {
  button.addEventListener("click", () => control(button.dataset.control));
}
for (const form of document.querySelectorAll("form[data-control]")) {
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    control(`${form.dataset.control} ${form.elements.value.value}`);
  });
}

// ---- the remote's keypad ----------------------------------------------------
// A click is one press; holding a key sends its repeats every REPEAT_MS.

function sendKey(button, repeat) {
  post(`key?button=${encodeURIComponent(button)}&repeat=${repeat}`, "");
}

for (const key of document.querySelectorAll("#keypad .key")) {
  let timer = null;
  const release = () => {
    if (timer === null) return;
    clearInterval(timer);
    timer = null;
    key.classList.remove("pressed");
  };
  key.addEventListener("pointerdown", (event) => {
    if (event.button !== 0 || timer !== null) return;
    key.setPointerCapture(event.pointerId);
    key.classList.add("pressed");
    let repeat = 0;
    sendKey(key.dataset.key, repeat);
    timer = setInterval(() => {
      repeat = Math.min(repeat + 1, MOST_REPEATS);
      sendKey(key.dataset.key, repeat);
    }, REPEAT_MS);
  });
  for (const end of ["pointerup", "pointercancel", "lostpointercapture"]) key.addEventListener(end, release);
  // Keyboard activation (Enter, space) clicks without a pointer.
  key.addEventListener("click", (event) => { if (event.detail === 0) sendKey(key.dataset.key, 0); });
}
window.addEventListener("blur", () => {
  for (const key of document.querySelectorAll("#keypad .key.pressed")) {
    key.dispatchEvent(new PointerEvent("pointercancel"));
  }
});
window.addEventListener("resize", () => draw());

// ---- the joystick -----------------------------------------------------------
// Drawn in the arena's lower right corner. While pressed, the page sends the
// stick's speeds every SEND_MS; the server stops the drive by itself when
// none came for 0.3 s, and the page sends speed 0 on release, on leaving or
// hiding the page and when its event stream breaks.

const SEND_MS = 100;
const STICK = { radius: 60, margin: 16 };     // CSS pixels
const MOST = { linear: 150, angular: 90 };    // mm/s, degrees/s (the server clamps to its own)
const stick = {
  available: false,
  token: new URLSearchParams(location.hash.slice(1)).get("control") ?? "",
  pointer: null,   // the pressing pointer's id
  x: 0, y: 0,      // the knob, -1..1, y up
  timer: null,
};

function sendDrive(linear, angular, keepalive = false) {
  const headers = { "X-Tevrak-View": "1" };
  if (stick.token) headers["X-Tevrak-Token"] = stick.token;
  return fetch(`drive?linear=${linear}&angular=${angular}`, { method: "POST", headers, body: "", keepalive });
}

function stickCentre() {
  const canvas = byId("arena");
  return [canvas.clientWidth - STICK.margin - STICK.radius, canvas.clientHeight - STICK.margin - STICK.radius];
}

function drawStick(g, ratio) {
  if (!stick.available) return;
  const [cx, cy] = stickCentre().map((v) => v * ratio);
  const r = STICK.radius * ratio;
  g.fillStyle = "rgba(40, 40, 40, 0.15)";
  g.strokeStyle = "#555";
  g.lineWidth = 1.5 * ratio;
  g.beginPath();
  g.arc(cx, cy, r, 0, 2 * Math.PI);
  g.fill();
  g.stroke();
  g.fillStyle = stick.pointer !== null ? "#ffd24d" : "#bbb";
  g.beginPath();
  g.arc(cx + stick.x * r, cy - stick.y * r, r * 0.35, 0, 2 * Math.PI);
  g.fill();
  g.stroke();
}

// The knob follows the pointer, kept inside the ring.
function moveStick(event) {
  const rect = byId("arena").getBoundingClientRect();
  const [cx, cy] = stickCentre();
  let x = (event.clientX - rect.left - cx) / STICK.radius;
  let y = -(event.clientY - rect.top - cy) / STICK.radius;
  const length = Math.hypot(x, y);
  if (length > 1) { x /= length; y /= length; }
  stick.x = x;
  stick.y = y;
  redraw();
}

// Up drives ahead, left turns left (positive angular speed).
function sendStick() {
  sendDrive(Math.round(stick.y * MOST.linear), Math.round(-stick.x * MOST.angular));
}

function releaseStick() {
  if (stick.pointer === null) return;
  clearInterval(stick.timer);
  stick.timer = null;
  stick.pointer = null;
  stick.x = 0;
  stick.y = 0;
  sendDrive(0, 0, true);
  redraw();
}

async function offerStick() {
  // A speed 0 asks whether the server takes the drive from this page.
  const response = await sendDrive(0, 0).catch(() => null);
  stick.available = response?.status === 204;
  const canvas = byId("arena");
  canvas.style.touchAction = stick.available ? "none" : "";
  canvas.dataset.joystick = stick.available ? "on" : "off";
  redraw();
}

{
  const canvas = byId("arena");
  canvas.addEventListener("pointerdown", (event) => {
    if (!stick.available || stick.pointer !== null || event.button !== 0) return;
    const rect = canvas.getBoundingClientRect();
    const [cx, cy] = stickCentre();
    if (Math.hypot(event.clientX - rect.left - cx, event.clientY - rect.top - cy) > STICK.radius) return;
    event.preventDefault();
    canvas.setPointerCapture(event.pointerId);
    stick.pointer = event.pointerId;
    moveStick(event);
    sendStick();
    stick.timer = setInterval(sendStick, SEND_MS);
  });
  canvas.addEventListener("pointermove", (event) => { if (event.pointerId === stick.pointer) moveStick(event); });
  for (const end of ["pointerup", "pointercancel", "lostpointercapture"]) {
    canvas.addEventListener(end, (event) => { if (event.pointerId === stick.pointer) releaseStick(); });
  }
  window.addEventListener("blur", releaseStick);
  window.addEventListener("pagehide", releaseStick);
  document.addEventListener("visibilitychange", () => { if (document.hidden) releaseStick(); });
}
offerStick();

connect();
