// The page: check, generate (in a worker), find and mask. Everything runs
// here; nothing is sent anywhere.
/* global KesmalPage */
import { LANGUAGES, MESSAGES } from "./i18n.js";

const $ = (selector) => document.querySelector(selector);
let language = "en";
const t = (key, values = {}) =>
  (MESSAGES[language][key] ?? MESSAGES.en[key]).replace(/\{(\w+)\}/g, (_, name) => values[name]);

function chooseLanguage(wanted) {
  language = LANGUAGES.includes(wanted) ? wanted : "en";
  document.documentElement.lang = language;
  $("#lang").value = language;
  for (const element of document.querySelectorAll("[data-i18n]")) element.textContent = t(element.dataset.i18n);
}

function initialLanguage() {
  for (const wanted of navigator.languages ?? []) {
    if (/^zh-(TW|HK|MO|Hant)/i.test(wanted)) return "zh-Hant";
    if (/^zh/i.test(wanted)) return "zh-Hans";
    if (/^ko/i.test(wanted)) return "ko";
    if (/^en/i.test(wanted)) return "en";
  }
  return "en";
}

function download(name, text, type) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([text], { type }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

const rules = () => $("#rules").value;

// Check: the report as the window gives it, and the fields in a table.
function showCheck(api) {
  const text = $("#number").value;
  const report = $("#report");
  const body = $("#fields tbody");
  body.replaceChildren();
  if (text === "") {
    report.textContent = "";
    report.className = "";
    $("#fields").hidden = true;
    return;
  }
  const result = api.check(text, { rules: rules() });
  report.textContent = result.report;
  report.className = result.valid ? "valid" : "invalid";
  const rows = [
    ["fieldRules", rules()],
    ["fieldJurisdiction", result.jurisdiction && t(result.jurisdiction)],
    ["fieldValid", result.valid === null ? null : t(result.valid ? "yes" : "no")],
    ["fieldKind", result.kind],
    ["fieldBirthplace", result.birthplace],
    ["fieldRegionCode", result.region_code],
    ["fieldBirthDate", result.birth_date],
    ["fieldSex", result.sex && t(result.sex)],
    ["fieldUpgrade", result.upgrade],
    ["fieldExpected", result.faults.find((fault) => fault.expected)?.expected],
  ];
  for (const [key, value] of rows) {
    if (value === undefined || value === null) continue;
    const row = body.insertRow();
    const head = document.createElement("th");
    head.scope = "row";
    head.textContent = t(key);
    row.append(head);
    row.insertCell().textContent = value;
  }
  $("#fields").hidden = false;
}

// Generate: the panels' settings as a request of `make`.
function makeRequest() {
  const jurisdiction = $("#jurisdiction").value;
  const request = { jurisdiction, count: Number($("#count").value) };
  const applies = (element) => !element.closest("[data-for]") || element.closest("[data-for]").dataset.for.split(" ").includes(jurisdiction);
  if ($("#seed").value !== "") request.seed = Number($("#seed").value);
  if ($("#unique").checked) request.unique = true;
  if ($("#fault").value) request.invalid = $("#fault").value;
  if (applies($("#sex")) && $("#sex").value) request.sex = $("#sex").value;
  if (applies($("#letter")) && $("#letter").value) request.region = $("#letter").value;
  if (applies($("#length")) && $("#length").value) request.length = Number($("#length").value);
  if (applies($("#county")) && $("#county").value) request.region = $("#county").value;
  if (applies($("#birth-mode"))) {
    const mode = $("#birth-mode").value;
    if (mode === "date") request.birth = $("#birth-from").value;
    if (mode === "range") request.birth = `${$("#birth-from").value}..${$("#birth-to").value}`;
    if (mode === "ages") request.age = `${$("#age-min").value}-${$("#age-max").value}`;
  }
  return request;
}

function showPanels() {
  const jurisdiction = $("#jurisdiction").value;
  for (const element of document.querySelectorAll("#make-form [data-for]"))
    element.hidden = !element.dataset.for.split(" ").includes(jurisdiction);
  const mode = $("#birth-mode").value;
  for (const element of document.querySelectorAll("#make-form [data-mode]"))
    element.hidden = !element.dataset.mode.split(" ").includes(mode);
}

function fillRegions(api) {
  const { taiwan, mainland } = api.regions();
  for (const { letter, name } of taiwan) $("#letter").add(new Option(`${letter} ${name}`, letter));
  for (const { code, name } of mainland) $("#province").add(new Option(`${code} ${name}`, code));
  $("#province").addEventListener("change", () => {
    const county = $("#county");
    county.replaceChildren();
    const province = mainland.find((p) => p.code === $("#province").value);
    county.disabled = !province;
    if (province) for (const { code, name } of province.regions) county.add(new Option(`${code} ${name}`, code));
  });
}

const SHOWN = 10000;

function startWorker() {
  const source = $("#kesmal-lib").textContent + "\n" + $("#worker-src").textContent;
  return new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
}

function setUpMake(worker) {
  let made = { text: "", csv: null };
  let started = 0;
  let pendingCsv = null;
  worker.onmessage = ({ data }) => {
    const progress = $("#progress");
    if (data.type === "progress") {
      progress.max = data.count;
      progress.value = data.done;
    } else if (data.type === "made") {
      made = { text: data.text, csv: null };
      progress.value = progress.max;
      const seconds = ((performance.now() - started) / 1000).toFixed(2);
      let shown = data.text;
      let status = t("made", { n: data.count.toLocaleString(), s: seconds });
      if (data.count > SHOWN) {
        let at = 0;
        for (let i = 0; i < SHOWN; ++i) at = data.text.indexOf("\n", at) + 1;
        shown = data.text.slice(0, at);
        status += " " + t("showing", { n: data.count.toLocaleString(), shown: SHOWN.toLocaleString() });
      }
      $("#numbers").value = shown;
      $("#make-status").textContent = status;
      $("#make").disabled = false;
      document.body.dataset.made = String(data.count);
    } else if (data.type === "csv") {
      made.csv = data.csv;
      if (pendingCsv) pendingCsv(data.csv);
      pendingCsv = null;
    } else if (data.type === "error") {
      $("#make-status").textContent = t("error", { m: data.message });
      $("#make").disabled = false;
      $("#progress").hidden = true;
    }
  };
  $("#make-form").addEventListener("submit", (event) => {
    event.preventDefault();
    let request;
    try {
      request = makeRequest();
    } catch (error) {
      $("#make-status").textContent = t("error", { m: error.message });
      return;
    }
    started = performance.now();
    $("#make").disabled = true;
    $("#progress").hidden = false;
    $("#progress").value = 0;
    $("#make-status").textContent = t("making");
    delete document.body.dataset.made;
    worker.postMessage({ type: "make", request, rules: rules(), csv: false });
    made = { text: "", csv: null, request };
  });
  $("#copy").addEventListener("click", async () => {
    await navigator.clipboard?.writeText(made.text);
    $("#make-status").textContent = t("copied");
  });
  $("#download-txt").addEventListener("click", () => download("numbers.txt", made.text, "text/plain"));
  $("#download-csv").addEventListener("click", () => {
    if (made.csv) return download("numbers.csv", made.csv, "text/csv");
    if (!made.request) return;
    pendingCsv = (csv) => download("numbers.csv", csv, "text/csv");
    // The same request again, with the same seed when one was given, in CSV.
    worker.postMessage({ type: "make", request: made.request, rules: rules(), csv: true });
  });
}

// Find: every number highlighted where it stands, its check on hover.
function showFindings(api) {
  const text = $("#text").value;
  const findings = api.scan(text, {
    rules: rules(),
    nearMisses: $("#near-misses").checked,
    implausible: $("#implausible").checked,
  });
  const view = $("#findings");
  const pieces = [];
  let at = 0;
  const counts = {};
  for (const finding of findings) {
    pieces.push(document.createTextNode(text.slice(at, finding.start)));
    const mark = document.createElement("mark");
    mark.textContent = finding.text;
    mark.title = finding.check.report;
    mark.dataset.jurisdiction = finding.jurisdiction;
    if (!finding.valid) mark.className = "invalid";
    else if (!finding.plausible) mark.className = "implausible";
    pieces.push(mark);
    at = finding.end;
    counts[finding.jurisdiction] = (counts[finding.jurisdiction] ?? 0) + 1;
  }
  pieces.push(document.createTextNode(text.slice(at)));
  view.replaceChildren(...pieces);
  $("#counts").textContent = findings.length === 0 ? t("none") :
    t("found", { n: findings.length }) + ": " + Object.entries(counts).map(([j, n]) => `${t(j)} ${n}`).join(", ");
  return findings;
}

function keyText() {
  return $("#key").value.trim();
}

function setUpMask(api) {
  $("#new-key").addEventListener("click", () => {
    const bytes = crypto.getRandomValues(new Uint8Array(32));
    $("#key").value = Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
    bytes.fill(0);
  });
  $("#save-key").addEventListener("click", () => {
    if (keyText()) download("kesmal.key", keyText() + "\n", "application/octet-stream");
  });
  $("#key-file").addEventListener("change", async () => {
    const file = $("#key-file").files[0];
    if (!file) return;
    const bytes = new Uint8Array(await file.arrayBuffer());
    $("#key").value = bytes.length === 32 ? Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("")
      : new TextDecoder().decode(bytes).trim();
    $("#key-file").value = "";
  });
  $("#mask").addEventListener("click", () => {
    const redact = $("#redact").checked;
    const keep = [...document.querySelectorAll("input[name=keep]:checked")].map((box) => box.value);
    if (!redact && !keyText()) {
      $("#mask-status").textContent = t("needKey");
      return;
    }
    try {
      const masker = new api.Masker(redact ? null : keyText() + "\n", {
        keep, redact, reverse: $("#reverse").checked, rules: rules(),
        implausible: $("#implausible").checked,
      });
      const text = $("#text").value;
      $("#masked").value = masker.text(text);
      masker.dispose();
      const count = api.scan(text, { rules: rules(), implausible: $("#implausible").checked }).length;
      $("#mask-status").textContent = t("maskedStatus", { n: count });
    } catch (error) {
      $("#mask-status").textContent = t("error", { m: error.message });
    }
  });
  $("#download-masked").addEventListener("click", () => download("masked.txt", $("#masked").value, "text/plain"));
}

async function readFiles(files) {
  const texts = [];
  for (const file of files) texts.push(await file.text());
  $("#text").value = texts.join("\n");
  $("#scan").click();
}

async function main() {
  chooseLanguage(initialLanguage());
  $("#lang").addEventListener("change", () => chooseLanguage($("#lang").value));
  const worker = startWorker();
  const api = await KesmalPage.load();
  fillRegions(api);
  showPanels();
  $("#jurisdiction").addEventListener("change", showPanels);
  $("#birth-mode").addEventListener("change", showPanels);
  $("#check-form").addEventListener("submit", (event) => {
    event.preventDefault();
    showCheck(api);
  });
  $("#number").addEventListener("input", () => showCheck(api));
  $("#rules").addEventListener("change", () => showCheck(api));
  setUpMake(worker);
  $("#scan").addEventListener("click", () => showFindings(api));
  $("#files").addEventListener("change", () => readFiles($("#files").files));
  const drop = $("#text");
  drop.addEventListener("dragover", (event) => event.preventDefault());
  drop.addEventListener("drop", (event) => {
    if (event.dataTransfer.files.length === 0) return;
    event.preventDefault();
    readFiles(event.dataTransfer.files);
  });
  setUpMask(api);
  document.body.dataset.ready = "true";
}

main();
