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
  const response = await fetch(base + path, { method, headers: { "Content-Type": "application/json" },
    body: body === undefined ? undefined : JSON.stringify(body), signal: AbortSignal.timeout(30000) });
  const reply = await response.json();
  if (!response.ok) throw new Error(`${method} ${path}: ${JSON.stringify(reply.value)}`);
  return reply.value;
}
const inSession = (method, path, body) => call(method, `/session/${session}${path}`, body);

async function startDriver() {
  for (let attempt = 0; attempt < 5; attempt++) {
    const port = 20000 + Math.floor(Math.random() * 20000);
    driver = spawn(driverPath, [`--port=${port}`], { stdio: "ignore" });
    base = `http://127.0.0.1:${port}`;
    for (let i = 0; i < 100 && driver.exitCode === null; i++) {
      await new Promise((ok) => setTimeout(ok, 100));
      if (await call("GET", "/status").then((s) => s.ready, () => false)) return;
    }
    driver.kill();
  }
  throw new Error("chromedriver did not start");
}

const find = async (selector) => (await inSession("POST", "/element", { using: "css selector", value: selector }))[ELEMENT];
const textOf = (element) => inSession("GET", `/element/${element}/text`);

async function finish(status, message) {
  if (message) console.log(message);
  if (session) await inSession("DELETE", "").catch(() => {});
  if (driver) driver.kill();
  rmSync(profile, { recursive: true, force: true });
  process.exit(status);
}
setTimeout(() => finish(1, "browser check timed out"), 120000);

try {
  await startDriver();
  const args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic", `--user-data-dir=${profile}`];
  session = (await call("POST", "/session", {
    capabilities: { alwaysMatch: { browserName: "chrome", "goog:chromeOptions": { binary: browserPath, args } } },
  })).sessionId;
  await inSession("POST", "/url", { url: pathToFileURL(page).href });
  console.log("title: " + await textOf(await find("#title")));
  const items = await inSession("POST", "/elements", { using: "css selector", value: "#list li" });
  console.log("items: " + (await Promise.all(items.map((item) => textOf(item[ELEMENT])))).join(" | "));
  console.log("before: " + await textOf(await find("#out")));
  const button = await find("#go");
  for (let click = 0; click < 2; click++) await inSession("POST", `/element/${button}/click`, {});
  console.log("after: " + await textOf(await find("#out")));
  await finish(0);
} catch (e) {
  await finish(1, "browser check failed: " + e.message);
}
