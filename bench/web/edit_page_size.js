// The code touredit sends a browser for its editor page (every file of
// tools/touredit/page/, as installed), raw and gzipped, against the tourweb
// page's code measured the same way in the same run. Prints rows in the
// benchmark table's columns.
//   node edit_page_size.js
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const zlib = require("node:zlib");

const root = path.resolve(__dirname, "../..");

// Bytes of the files, raw and each gzipped at the highest level.
function size(dir, files) {
  return files.reduce(
    (sum, f) => {
      const bytes = fs.readFileSync(path.join(root, dir, f));
      return {
        raw: sum.raw + bytes.length,
        gz: sum.gz + zlib.gzipSync(bytes, { level: 9 }).length,
      };
    },
    { raw: 0, gz: 0 },
  );
}

const editFiles = fs.readdirSync(path.join(root, "tools/touredit/page")).sort();
const edit = size("tools/touredit/page", editFiles);
const web = size("src/web", ["index.html", "tourweb.css", "tourweb-logic.js", "tourweb.js"]);
const rows = [
  ["editor page: its code", `${edit.raw} B`, "tourweb page", `${web.raw} B`, edit.raw / web.raw],
  [
    "editor page: its code gzipped",
    `${edit.gz} B`,
    "tourweb page",
    `${web.gz} B`,
    edit.gz / web.gz,
  ],
].map((r) => [...r.slice(0, 4), r[4].toFixed(2)]);
const heads = ["measurement", "result", "baseline", "baseline result", "ratio"];
const width = heads.map((h, i) => Math.max(h.length, ...rows.map((r) => r[i].length)));
const line = (cells) =>
  cells
    .map((c, i) => (i === 1 || i >= 3 ? c.padStart(width[i]) : c.padEnd(width[i])))
    .join(" | ")
    .trimEnd();
console.log(`\n${line(heads)}\n${width.map((w) => "-".repeat(w)).join("-+-")}`);
rows.forEach((r) => console.log(line(r)));
console.log(`the editor's files: ${editFiles.join(", ")}`);
