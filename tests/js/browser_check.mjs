// Drives headless Chromium through ChromeDriver (WebDriver over plain
// HTTP, no npm packages): opens a page, reads it, clicks, reads again.
// Usage: node browser_check.mjs <page.html> <chromedriver> <chromium>
// Prints "title: ...", "items: ...", "before: ...", "after: ..." and exits 0,
// or prints the failure and exits 1. Everything it starts is stopped.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [page, driverPath, browserPath] = process.argv.slice(2);
const ELEMENT = "element-6066-11e4-a52e-4f735466cecf";
const profile = mkdtempSync(join(tmpdir(), "qo-js-chromium-"));
let driver = null, base = "", session = "";

async function call(method, path, body) {
  const response = await fetch(base + path, {
    method,
    headers: { "Content-Type": "application/json" },
    body: body === undefined ? undefined : JSON.stringify(body),
    signal: AbortSignal.timeout(30000),
  });
  const reply = await response.json();
  if (!response.ok) throw new Error(`${method} ${path}: ${JSON.stringify(reply.value)}`);
  return reply.value;
}

async function startDriver() {
  for (let attempt = 0; attempt < 5; attempt++) {
    const port = 20000 + Math.floor(Math.random() * 20000);
    driver = spawn(driverPath, [`--port=${port}`], { stdio: "ignore" });
    base = `http://127.0.0.1:${port}`;
    for (let i = 0; i < 100; i++) {
      await new Promise((ok) => setTimeout(ok, 100));
      if (driver.exitCode !== null) break;
      try {
        if ((await call("GET", "/status")).ready) return;
      } catch (e) { /* not listening yet */ }
    }
    driver.kill();
  }
  throw new Error("chromedriver did not start");
}

async function find(selector) { return (await call("POST", `/session/${session}/element`, { using: "css selector", value: selector }))[ELEMENT]; }
async function text(selector) { return call("GET", `/session/${session}/element/${await find(selector)}/text`); }

async function cleanup() {
  if (session) await call("DELETE", `/session/${session}`).catch(() => {});
  if (driver) driver.kill();
  rmSync(profile, { recursive: true, force: true });
}

const deadline = setTimeout(async () => {
  console.log("browser check timed out");
  await cleanup();
  process.exit(1);
}, 120000);

try {
  await startDriver();
  const args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic", `--user-data-dir=${profile}`];
  session = (await call("POST", "/session", {
    capabilities: { alwaysMatch: { browserName: "chrome", "goog:chromeOptions": { binary: browserPath, args } } },
  })).sessionId;
  await call("POST", `/session/${session}/url`, { url: pathToFileURL(page).href });
  console.log("title: " + await text("#title"));
  const items = await call("POST", `/session/${session}/elements`, { using: "css selector", value: "#list li" });
  const texts = [];
  for (const item of items) texts.push(await call("GET", `/session/${session}/element/${item[ELEMENT]}/text`));
  console.log("items: " + texts.join(" | "));
  console.log("before: " + await text("#out"));
  const button = await find("#go");
  await call("POST", `/session/${session}/element/${button}/click`, {});
  await call("POST", `/session/${session}/element/${button}/click`, {});
  console.log("after: " + await text("#out"));
  await cleanup();
  clearTimeout(deadline);
} catch (e) {
  console.log("browser check failed: " + e.message);
  await cleanup();
  clearTimeout(deadline);
  process.exit(1);
}
