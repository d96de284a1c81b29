// txr preview: asks this server's API for the printer's dots as the user types and draws each
// dot as a zoom x zoom square. One request at a time: changes made while one is out are sent,
// latest only, when it returns.
"use strict";

const $ = (id) => document.getElementById(id);
const kDebounceMs = 120;
const kLargestCanvasSide = 16384;
const kDefaultLabel = {
  width: 400, height: 120, dpi: 203,
  boxes: [{x: 0, y: 0, width: 400, height: 120, thickness: 3}],
  fields: [
    {x: 12, y: 12, family: 2, font: 3, text: "LOT 42"},
    {x: 12, y: 60, family: 0, font: 2, scale: [2, 2], text: "Best before"},
    {x: 250, y: 16, family: 1, font: 1, invert: true, placement: "whole", text: "NEW"},
  ],
};

// What the browser test and the page's own status read: how many renderings were drawn, the
// last one's size in dots and the zoom it was drawn at.
window.txrPreview = {rendered: 0, width: 0, height: 0, zoom: 1, busy: false, error: ""};

let fontFiles = [];

function fillNumbers(select, from, to, format) {
  select.replaceChildren();
  for (let n = from; n <= to; ++n) select.add(new Option(format ? format(n) : String(n), n));
}

// The files that serve a family at a dpi (Z.bin serves both resolutions).
function fileFor(family, dpi) {
  return fontFiles.find((f) => f.family === family && f.dpi.includes(dpi));
}

function refreshFontChoices() {
  const family = Number($("family").value);
  const dpi = Number($("dpi").value);
  const file = fileFor(family, dpi);
  const previous = $("font").value;
  $("font").replaceChildren();
  for (const font of file ? file.fonts : []) {
    const codes = family === 1 ? "glyphs" : "codes";
    $("font").add(new Option(`${font.font}: ${font.cellWidth} x ${font.cellHeight}, ` +
                             `${codes} ${font.firstCode}-${font.lastCode}`, font.font));
  }
  if ([...$("font").options].some((o) => o.value === previous)) $("font").value = previous;
  $("charset").disabled = family !== 1;
}

// Which byte stands for which character in each selection's font, asked of the server once.
const charmaps = new Map();

async function charmapFor(family, font, dpi, charset) {
  const key = `${family}/${font}/${dpi}/${family === 1 ? charset : 0}`;
  if (!charmaps.has(key)) {
    const query = new URLSearchParams({family, font, dpi, charset: family === 1 ? charset : 0});
    const response = await fetch("api/charmap?" + query);
    if (!response.ok) return null;
    const characters = (await response.json()).characters;
    const byteOf = new Map();
    characters.forEach((c, byte) => { if (c !== null && !byteOf.has(c)) byteOf.set(c, byte); });
    charmaps.set(key, byteOf);
  }
  return charmaps.get(key);
}

// The typed text as the bytes the printer takes, through the font's character map. A
// character the font has no byte for is left out of the request and marked.
function textBytes(text, byteOfCharacter) {
  const characters = [...text];
  const bytes = [];
  const byteOf = [];  // for each character: its index among the bytes, or -1
  for (const c of characters) {
    const byte = byteOfCharacter ? byteOfCharacter.get(c.codePointAt(0)) : undefined;
    byteOf.push(byte === undefined ? -1 : bytes.length);
    if (byte !== undefined) bytes.push(byte);
  }
  return {characters, bytes, byteOf};
}

function hexOf(bytes) {
  return bytes.map((b) => b.toString(16).padStart(2, "0")).join("").toUpperCase();
}

function selectionQuery(bytes) {
  const query = new URLSearchParams();
  for (const id of ["family", "font", "dpi", "scale-h", "scale-v", "rotate", "charset"]) {
    query.set(id, $(id).value);
  }
  query.set("invert", $("invert").checked ? "1" : "0");
  query.set("hex", hexOf(bytes));
  return query;
}

function showCharacters(encoded, missing) {
  const line = $("characters");
  line.replaceChildren();
  encoded.characters.forEach((c, i) => {
    const span = document.createElement("span");
    span.textContent = c === " " ? "\u00a0" : c;
    const byte = encoded.byteOf[i];
    if (byte < 0 || missing.has(byte)) {
      span.className = "missing";
      span.title = byte < 0 ? "no byte for this character" : "no glyph in this font";
    }
    line.append(span);
  });
}

// Draws a picture with each dot as a zoom x zoom square (lowered so the canvas stays drawable).
function drawDots(canvas, picture, width, height, zoom) {
  const fit = Math.max(1, Math.min(zoom, Math.floor(kLargestCanvasSide / Math.max(width, height))));
  canvas.width = width * fit;
  canvas.height = height * fit;
  const context = canvas.getContext("2d");
  context.imageSmoothingEnabled = false;
  context.drawImage(picture, 0, 0, canvas.width, canvas.height);
  return fit;
}

function millimetres(dots, dpi) {
  return (dots * 25.4 / dpi).toFixed(1);
}

function setStatus(element, text, isError) {
  element.textContent = text;
  element.classList.toggle("error", Boolean(isError));
}

let renderTimer = 0;
let renderPending = false;

function scheduleRender() {
  clearTimeout(renderTimer);
  renderTimer = setTimeout(startRender, kDebounceMs);
}

async function startRender() {
  if (window.txrPreview.busy) {
    renderPending = true;
    return;
  }
  window.txrPreview.busy = true;
  renderPending = false;
  try {
    await render();
  } finally {
    window.txrPreview.busy = false;
    if (renderPending) startRender();
  }
}

async function render() {
  let byteOfCharacter = null;
  try {
    byteOfCharacter = await charmapFor(Number($("family").value), Number($("font").value),
                                       Number($("dpi").value), Number($("charset").value));
  } catch (failure) {
    // Shown below, when the picture cannot be fetched either.
  }
  const encoded = textBytes($("text").value, byteOfCharacter);
  const query = selectionQuery(encoded.bytes);
  const dpi = Number($("dpi").value);
  const zoom = Number($("zoom").value);
  $("download-png").href = "api/render?" + query;
  $("download-bmp").href = "api/render?format=bmp&" + query;
  let response;
  try {
    response = await fetch("api/render?" + query);
  } catch (failure) {
    setStatus($("status"), "The server cannot be reached: " + failure.message, true);
    window.txrPreview.error = String(failure);
    return;
  }
  const missing = new Set((response.headers.get("X-Txr-Missing") || "")
                              .split(",").filter((s) => s !== "").map(Number));
  showCharacters(encoded, missing);
  const canvas = $("picture");
  if (response.status === 204) {
    canvas.width = canvas.height = 1;
    setStatus($("status"), "Nothing to draw: type a text.");
  } else if (!response.ok) {
    const refusal = await response.json();
    setStatus($("status"), `${refusal.parameter || "request"}: ${refusal.error}`, true);
    window.txrPreview.error = refusal.error;
    return;
  } else {
    const width = Number(response.headers.get("X-Txr-Width"));
    const height = Number(response.headers.get("X-Txr-Height"));
    const picture = await createImageBitmap(await response.blob());
    const drawnZoom = drawDots(canvas, picture, width, height, zoom);
    const absent = encoded.characters.filter((c, i) => encoded.byteOf[i] < 0 ||
                                                      missing.has(encoded.byteOf[i])).length;
    setStatus($("status"),
              `${width} x ${height} dots, ${millimetres(width, dpi)} x ${millimetres(height, dpi)} mm ` +
              `at ${dpi} dpi` + (drawnZoom !== zoom ? `, shown at ${drawnZoom}x` : "") +
              (absent ? `; ${absent} character${absent > 1 ? "s" : ""} without a glyph` : ""));
    Object.assign(window.txrPreview, {width, height, zoom: drawnZoom});
  }
  window.txrPreview.error = "";
  window.txrPreview.rendered += 1;
}

// The label tab: the same one-request-at-a-time rhythm, for POST /api/label.
let labelTimer = 0;
let labelBusy = false;
let labelPending = false;

function scheduleLabel() {
  clearTimeout(labelTimer);
  labelTimer = setTimeout(startLabel, kDebounceMs * 3);
}

async function startLabel() {
  if (labelBusy) {
    labelPending = true;
    return;
  }
  labelBusy = true;
  labelPending = false;
  try {
    await renderLabel();
  } finally {
    labelBusy = false;
    if (labelPending) startLabel();
  }
}

function showReport(items, isProblem) {
  $("label-report").replaceChildren(...items.map((item) => {
    const li = document.createElement("li");
    li.textContent = `${item.path}: ${item.message}`;
    if (isProblem) li.className = "problem";
    return li;
  }));
}

async function renderLabel() {
  let response;
  try {
    response = await fetch("api/label", {
      method: "POST", headers: {"Content-Type": "application/json"}, body: $("label-json").value,
    });
  } catch (failure) {
    setStatus($("label-status"), "The server cannot be reached: " + failure.message, true);
    return;
  }
  const answer = await response.json();
  if (!response.ok) {
    setStatus($("label-status"), `${answer.parameter || "label"}: ${answer.error}`, true);
    showReport(answer.issues || [], true);
    return;
  }
  const picture = new Image();
  picture.src = "data:image/png;base64," + answer.png;
  await picture.decode();
  const zoom = drawDots($("label-picture"), picture, answer.width, answer.height,
                        Number($("label-zoom").value));
  $("label-download-png").href = picture.src;
  setStatus($("label-status"),
            `${answer.width} x ${answer.height} dots, ${millimetres(answer.width, answer.dpi)} x ` +
            `${millimetres(answer.height, answer.dpi)} mm at ${answer.dpi} dpi, shown at ${zoom}x; ` +
            (answer.problems.length ? `${answer.problems.length} problem(s):` : "no problems"));
  showReport(answer.problems, true);
}

async function downloadLabelBmp() {
  const response = await fetch("api/label?format=bmp", {
    method: "POST", headers: {"Content-Type": "application/json"}, body: $("label-json").value,
  });
  if (!response.ok) return;
  const link = document.createElement("a");
  link.href = URL.createObjectURL(await response.blob());
  link.download = "label.bmp";
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function showTab(name) {
  for (const tab of ["text", "label"]) {
    $(`tab-${tab}`).setAttribute("aria-selected", String(tab === name));
    $(`${tab}-panel`).hidden = tab !== name;
  }
  if (name === "label") scheduleLabel();
}

async function start() {
  fillNumbers($("scale-h"), 1, 16);
  fillNumbers($("scale-v"), 1, 16);
  fillNumbers($("charset"), 0, 14);
  for (const select of [$("zoom"), $("label-zoom")]) {
    for (const zoom of [1, 2, 3, 4, 6, 8, 12, 16]) select.add(new Option(`${zoom}x`, zoom));
  }
  $("zoom").value = "4";
  $("label-zoom").value = "2";
  $("label-json").value = JSON.stringify(kDefaultLabel, null, 2);
  try {
    fontFiles = (await (await fetch("api/fonts")).json()).files;
  } catch (failure) {
    setStatus($("status"), "The fonts could not be listed: " + failure.message, true);
    return;
  }
  const families = [...new Set(fontFiles.map((f) => f.family))].sort();
  for (const family of families) $("family").add(new Option(String(family), family));
  refreshFontChoices();
  for (const id of ["family", "dpi"]) {
    $(id).addEventListener("change", () => { refreshFontChoices(); scheduleRender(); });
  }
  for (const id of ["font", "scale-h", "scale-v", "rotate", "charset", "invert", "zoom"]) {
    $(id).addEventListener("change", scheduleRender);
  }
  $("text").addEventListener("input", scheduleRender);
  $("label-json").addEventListener("input", scheduleLabel);
  $("label-zoom").addEventListener("change", scheduleLabel);
  $("label-download-bmp").addEventListener("click", downloadLabelBmp);
  $("tab-text").addEventListener("click", () => showTab("text"));
  $("tab-label").addEventListener("click", () => showTab("label"));
  scheduleRender();
}

start();
