// Generation off the page's thread: numbers made a block at a time, progress
// reported after each block, the whole batch sent back as text and CSV.
/* global KesmalPage */
const kesmal = KesmalPage.load();

const csvField = (value) => {
  if (value === undefined || value === null) return "";
  const text = String(value);
  return /[",\r\n]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
};

self.onmessage = async ({ data }) => {
  const api = await kesmal;
  if (data.type !== "make") return;
  try {
    const iterator = api.make(data.request);
    const count = Number(data.request.count ?? 1);
    const blocks = [];
    let made = 0;
    let reported = 0;
    for (let block; (block = iterator.nextBlock()) !== null; ) {
      blocks.push(block);
      for (let at = block.indexOf("\n"); at >= 0; at = block.indexOf("\n", at + 1)) ++made;
      if (made - reported >= 50000) {
        reported = made;
        self.postMessage({ type: "progress", done: made, count });
      }
    }
    const text = blocks.join("");
    self.postMessage({ type: "made", text, count: made });
    if (data.csv) {
      const header = ["input", "jurisdiction", "valid", "birthplace", "region_code", "birth_date", "sex", "report"];
      const rows = [header.join(",")];
      for (const number of text.split("\n").slice(0, -1)) {
        const report = api.check(number, { rules: data.rules });
        rows.push(header.map((field) => csvField(report[field])).join(","));
      }
      self.postMessage({ type: "csv", csv: rows.join("\r\n") + "\r\n" });
    }
  } catch (error) {
    self.postMessage({ type: "error", message: error.message });
  }
};
