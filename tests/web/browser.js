// Debian's Chromium through playwright-core and its Firefox ESR through
// puppeteer-core over WebDriver BiDi (never a downloaded browser), and a static
// file server on 127.0.0.1, for the page's tests and benchmark.
"use strict";
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");

// An npm package of tests/web, or one line saying how to install them.
function need(name) {
  try {
    return require(name);
  } catch (e) {
    console.error(`${name} is missing: run npm ci --prefix tests/web`);
    process.exit(1);
  }
}

function launch(extraArgs = []) {
  return need("playwright-core").chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: [
      "--no-sandbox",
      "--disable-gpu",
      "--disable-quic",
      "--no-first-run",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      ...extraArgs,
    ],
  });
}

// Firefox with a fresh profile and a HOME of its own (it would leave
// ~/Downloads and ~/.cache/mozilla behind); resolves to {browser, close}.
async function launchFirefox() {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), "tourweb-firefox-"));
  const removeHome = () => fs.rmSync(home, { recursive: true, force: true });
  let browser;
  try {
    browser = await need("puppeteer-core").launch({
      browser: "firefox",
      protocol: "webDriverBiDi",
      executablePath: "/usr/bin/firefox-esr",
      headless: true,
      env: { ...process.env, HOME: home },
    });
  } catch (e) {
    removeHome();
    throw e;
  }
  return { browser, close: () => browser.close().finally(removeHome) };
}

const types = {
  ".html": "text/html",
  ".js": "text/javascript",
  ".css": "text/css",
  ".jpg": "image/jpeg",
  ".png": "image/png",
  ".xml": "application/xml",
};

// Serves `root` at http://127.0.0.1:PORT/; resolves to {url, close}.
function serve(root) {
  const server = http.createServer((req, res) => {
    let file = null;
    try {
      const name = decodeURIComponent(new URL(req.url, "http://x").pathname);
      file = path.join(root, name);
    } catch (e) {}
    if (!file || !file.startsWith(path.resolve(root) + path.sep)) {
      res.writeHead(400).end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) return res.writeHead(404).end();
      res.writeHead(200, {
        "Content-Type": types[path.extname(file)] || "application/octet-stream",
      });
      res.end(data);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, "127.0.0.1", () =>
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((done) => server.close(done)),
      }),
    );
  });
}

module.exports = { need, launch, launchFirefox, serve };
