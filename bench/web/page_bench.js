// The page in headless Chromium on the demo tour, from file://: the start
// photograph's largest-contentful paint against a bare page showing only that
// photograph, a move painted with preloading on and off, and the page's code
// size. Prints rows in the benchmark table's columns.
//   node page_bench.js --tourweb T --make-demo-tour M --tourmake P --data DIR [--runs N]
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { pathToFileURL } = require("node:url");

const root = path.resolve(__dirname, "../..");
const { launch } = require(path.join(root, "tests/web/browser.js"));
const page = require(path.join(root, "tests/web/tour_files.js")).readLogic();

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2)
  args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
const runs = Number(args.runs || 21);
const data = path.resolve(args.data || "bench-data");

// The demo tour (made once, as the viewer benchmarks make it) and its export.
function exportDemo() {
  const demo = path.join(data, "demo");
  if (!fs.existsSync(path.join(demo, "complete"))) {
    const source = demo + "-source";
    execFileSync(args["make-demo-tour"], [source], { stdio: "ignore" });
    execFileSync(args.tourmake, ["--force", path.join(source, "plan.txt"), demo], {
      stdio: "ignore",
    });
    fs.writeFileSync(path.join(demo, "complete"), "");
  }
  const out = path.join(data, "demo-web"),
    single = path.join(data, "demo-web.html");
  fs.rmSync(out, { recursive: true, force: true });
  fs.rmSync(single, { force: true });
  execFileSync(args.tourweb, [demo, out], { stdio: "ignore" });
  execFileSync(args.tourweb, ["--single-file", demo, single], { stdio: "ignore" });
  return { out, single };
}

const median = (xs) => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// Milliseconds from navigation to the largest-contentful paint of `photo`.
async function lcp(browser, url, photo) {
  const context = await browser.newContext({ viewport: { width: 912, height: 645 } });
  const tab = await context.newPage();
  await tab.goto(url);
  const time = await tab.evaluate(
    (name) =>
      new Promise((resolve) => {
        new PerformanceObserver((list) => {
          for (const e of list.getEntries()) if (e.url.endsWith(name)) resolve(e.startTime);
        }).observe({ type: "largest-contentful-paint", buffered: true });
      }),
    photo,
  );
  await context.close();
  return time;
}

// Milliseconds from the key press to the paint of the next photograph.
async function movePainted(browser, url, key) {
  const context = await browser.newContext({ viewport: { width: 912, height: 645 } });
  const tab = await context.newPage();
  // Element timing reports the paint of each photograph the page inserts.
  await tab.addInitScript(() => {
    window.__painted = [];
    new PerformanceObserver((list) => window.__painted.push(...list.getEntries())).observe({
      type: "element",
      buffered: true,
    });
    new MutationObserver((records) =>
      records.forEach((r) =>
        r.addedNodes.forEach((n) => {
          if (n.classList && n.classList.contains("tw-photo"))
            n.setAttribute("elementtiming", "photo");
        }),
      ),
    ).observe(document, { childList: true, subtree: true });
    addEventListener(
      "keydown",
      (e) => {
        window.__pressed = e.timeStamp;
      },
      true,
    );
  });
  await tab.goto(url);
  await tab.waitForFunction(() => window.__painted.length > 0);
  await tab.waitForTimeout(500); // the preloads settle
  const before = await tab.evaluate(() => location.hash);
  await tab.keyboard.press(key);
  const time = await tab.evaluate(
    (hash) =>
      new Promise((resolve) => {
        const poll = () => {
          const next = window.__painted.find((e) => e.renderTime > window.__pressed);
          if (next && location.hash !== hash) resolve(next.renderTime - window.__pressed);
          else setTimeout(poll, 5);
        };
        poll();
      }),
    before,
  );
  await context.close();
  return time;
}

async function main() {
  const { out, single } = exportDemo();
  const context = {};
  require("node:vm").runInNewContext(fs.readFileSync(path.join(out, "tour.js"), "utf8"), context);
  const tour = context.TOURWEB_TOUR,
    format = tour.format;
  const start = tour.slides.find((s) => s.id === format.start);
  const key = ["ArrowUp", "ArrowLeft", "ArrowRight"].find((k) =>
    page.exitTaken(format, start.exits, page.keyMove(format, k)),
  );
  const photo = start.photo.split("/").pop();
  fs.writeFileSync(
    path.join(out, "bare.html"),
    '<!DOCTYPE html>\n<html><body style="margin:0;background:#000">' +
      `<img src="${start.photo}" alt="" style="position:absolute;left:56px;top:56px"></body></html>\n`,
  );

  const browser = await launch();
  const index = pathToFileURL(path.join(out, "index.html")).href;
  const bare = pathToFileURL(path.join(out, "bare.html")).href;
  const times = { page: [], bare: [], on: [], off: [] };
  try {
    // Alternate which side goes first, so neither always follows the other.
    for (let i = 0; i < runs; i++) {
      const pair = [
        ["bare", bare],
        ["page", index],
      ];
      for (const [side, url] of i % 2 ? pair.reverse() : pair)
        times[side].push(await lcp(browser, url, photo));
      process.stderr.write(".");
    }
    for (let i = 0; i < runs; i++) {
      const pair = [
        ["on", index],
        ["off", index + "?preload=0"],
      ];
      for (const [side, url] of i % 2 ? pair.reverse() : pair)
        times[side].push(await movePainted(browser, url, key));
      process.stderr.write(".");
    }
    process.stderr.write("\n");
  } finally {
    await browser.close();
  }
  const code = ["index.html", "tourweb.css", "tourweb-logic.js", "tourweb.js"].reduce(
    (sum, f) => sum + fs.statSync(path.join(root, "src/web", f)).size,
    0,
  );
  const ms = (t) => `${t.toFixed(1)} ms`;
  const p = median(times.page),
    b = median(times.bare),
    on = median(times.on),
    off = median(times.off);
  const rows = [
    [
      "page: start photograph painted (LCP)",
      ms(p),
      "bare <img> page",
      ms(b),
      (p / b).toFixed(2),
      `<= 1.20 ${p / b <= 1.2 ? "met" : "MISSED"}`,
    ],
    [
      "page: a move painted, preloading on",
      ms(on),
      "preloading off",
      ms(off),
      (on / off).toFixed(2),
      "",
    ],
    [
      "page: its code (index.html, css, js)",
      `${code} B`,
      "30 KB",
      "30720 B",
      (code / 30720).toFixed(2),
      `<= 1.00 ${code <= 30720 ? "met" : "MISSED"}`,
    ],
    ["page: the demo as one file", `${fs.statSync(single).size} B`, "", "", "", ""],
  ];
  const heads = ["measurement", "result", "baseline", "baseline result", "ratio", "target"];
  const width = heads.map((h, i) => Math.max(h.length, ...rows.map((r) => r[i].length)));
  const line = (cells) =>
    cells
      .map((c, i) => (i === 1 || i === 3 || i === 4 ? c.padStart(width[i]) : c.padEnd(width[i])))
      .join(" | ")
      .trimEnd();
  console.log(`\n${line(heads)}\n${width.map((w) => "-".repeat(w)).join("-+-")}`);
  rows.forEach((r) => console.log(line(r)));
  const best = (xs) => Math.min(...xs);
  console.log(
    `\nmedians of ${runs} runs in headless Chromium from file://, each in a fresh context; ` +
      `the move is ${key} from ${format.start}.\nfastest runs: start painted ${ms(best(times.page))} ` +
      `against ${ms(best(times.bare))} (${(best(times.page) / best(times.bare)).toFixed(2)}), ` +
      `move painted ${ms(best(times.on))} preloaded, ${ms(best(times.off))} not.`,
  );
}

main().catch((e) => {
  console.error(`page_bench: ${e.message}`);
  process.exit(1);
});
