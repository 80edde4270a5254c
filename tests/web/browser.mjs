// The browser test's steps (browser_test.sh starts it): Chromium with the unpacked extension and
// the host installed for its profile, pages served on 127.0.0.1 (allowed) and localhost (not),
// driven over the DevTools protocol (devtools.mjs).
//   node browser.mjs HOST TOOL CHROMIUM WEB_DIR WORK_DIR
import { execFileSync } from "node:child_process";
import { readFileSync, writeFileSync } from "node:fs";
import { createServer } from "node:http";
import { extname, join, normalize } from "node:path";
import { launchChromium } from "./devtools.mjs";
import { fail, makeStore, openssl } from "./test_store.mjs";

const [host, tool, chromium, webDir, work] = process.argv.slice(2);
const { env, file } = makeStore(tool);
const EXTENSION_ID = "mbomfelbipohpfgkobmacgfkgmomapok";

// The web folder (the example page and corvane.js), on one port for both host names.
const types = { ".html": "text/html; charset=utf-8", ".js": "text/javascript" };
const server = createServer((request, response) => {
  const path = normalize(join(webDir, new URL(request.url, "http://x").pathname));
  try {
    if (!path.startsWith(normalize(webDir))) throw new Error("outside");
    const body = readFileSync(path);
    response.writeHead(200, { "content-type": types[extname(path)] ?? "application/octet-stream" }).end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const port = server.address().port;
const allowed = `http://127.0.0.1:${port}`;
const other = `http://localhost:${port}`;
execFileSync(tool, ["web", "allow", allowed], { env });

// The host's request log, on while the file exists.
writeFileSync(join(env.CORVANE_HOME, "web-host.log"), "");
const profile = file("profile");
execFileSync(tool, ["web", "install", "--browser", "chromium", "--user-data-dir", profile, "--host", host], { env });
execFileSync(tool, ["web", "check", "--browser", "chromium", "--user-data-dir", profile], { env });

// The questions, in the order the steps below raise them in the one host the port keeps: the
// chooser of the signature, opening the envelope, the chooser of the example page's signature,
// then the other origin refused three times.
const extension = join(webDir, "extension");
const browser = await launchChromium(chromium, [
  `--user-data-dir=${profile}`, `--disable-extensions-except=${extension}`, `--load-extension=${extension}`,
  "--no-sandbox", "--no-first-run", "--no-default-browser-check", "--window-size=1100,900",
], { ...env, CORVANE_UI_CHOICES: "0,ok,0,cancel,cancel,cancel" });
let failure = null;
try {
  const worker = await browser.waitForTarget((target) => target.type === "service_worker", 20000);
  if (!worker.url.startsWith(`chrome-extension://${EXTENSION_ID}/`)) throw new Error(`extension ID: ${worker.url}`);

  const open = async (origin) => {
    const page = await browser.newPage(`${origin}/example/index.html`);
    await page.waitFor(() => window.corvane !== undefined);
    return page;
  };
  const outcome = (page, action, ...args) =>
    page.evaluate(async (action, ...args) => {
      try {
        const result = await new Function("corvane", "args", `return (${action})(corvane, ...args)`)(window.corvane, args);
        return { ok: true, ...result, data: result.data && Array.from(result.data) };
      } catch (error) {
        return { ok: false, name: error.name, code: error.code, text: error.message };
      }
    }, action.toString(), ...args);

  // The allowed page signs (the user chooses the certificate); openssl verifies it.
  const text = "signed in Chromium: 你好";
  const page = await open(allowed);
  const signed = await outcome(page, (api, data) => api.sign(data), text);
  if (!signed.ok) throw new Error(`sign: ${JSON.stringify(signed)}`);
  writeFileSync(file("page-signed.der"), Buffer.from(signed.message, "base64"));
  const verified = openssl(["cms", "-verify", "-binary", "-inform", "DER", "-in", file("page-signed.der"),
                            "-CAfile", file("ca.pem"), "-purpose", "any"]).toString("utf8");
  if (verified !== text) throw new Error(`openssl verified "${verified}"`);

  // Envelope for the serial number, then open it (the user allows it).
  const opened = await outcome(page, async (api, data) => {
    const { message } = await api.encrypt(data, { serial: "00C0FFEE" });
    return api.decrypt(message);
  }, text);
  if (!opened.ok || Buffer.from(opened.data).toString("utf8") !== text) throw new Error(`open: ${JSON.stringify(opened)}`);

  // The example page itself, driven by its buttons (the user chooses again), kept as the test's
  // picture.
  const waiting = await page.evaluate(() => {
    document.getElementById("sign").click();
    return document.getElementById("verify").disabled;
  });
  if (!waiting) throw new Error("the example page's buttons stay enabled while a request waits");
  await page.waitFor(() => document.getElementById("status").textContent === "签名成功" &&
                           !document.getElementById("verify").disabled);
  writeFileSync(join(work, "example-page.png"), await page.screenshot());

  // A page of another origin is refused; naming the allowed origin, in the options or in a message
  // posted straight to the extension's bridge, changes nothing: the origin is the browser's.
  const stranger = await open(other);
  const refusals = [
    await outcome(stranger, (api) => api.certificates()),
    await outcome(stranger, (api, origin) => api.sign("as the other page", { origin }), allowed),
    await stranger.evaluate((origin) => new Promise((resolve) => {
      window.addEventListener("message", (event) => {
        if (event.data?.corvane === "answer" && event.data.seq === "forged") resolve(event.data.answer);
      });
      window.postMessage({ corvane: "request", seq: "forged", request: { op: "certificates", origin } }, "*");
    }), allowed),
  ];
  for (const refusal of refusals) {
    if (refusal.code !== -20001 || !refusal.text.includes(`${other} is not allowed`)) {
      throw new Error(`other origin: ${JSON.stringify(refusal)}`);
    }
  }

  // The other page frames the allowed one and posts a request into it: the frame's bridge takes
  // only what its own window posted. The frame's own request after it is served, and the log
  // (which never holds data) shows that nothing else was asked in the allowed origin's name.
  await stranger.evaluate((origin) => new Promise((resolve) => {
    const frame = Object.assign(document.createElement("iframe"), { src: `${origin}/example/index.html` });
    frame.onload = resolve;
    document.body.append(frame);
  }), allowed);
  const framed = await stranger.frame(allowed);
  await framed.waitFor(() => window.corvane !== undefined);
  await stranger.evaluate(() => document.querySelector("iframe").contentWindow.postMessage(
    { corvane: "request", seq: "framed", request: { op: "encrypt", data: "AA==", serial: "00C0FFEE" } }, "*"));
  const own = await outcome(framed, (api) => api.certificates());
  if (!own.ok) throw new Error(`the framed page's own request: ${JSON.stringify(own)}`);
  const log = readFileSync(join(env.CORVANE_HOME, "web-host.log"), "utf8");
  const served = log.split("\n").filter((line) => line.includes(` ${allowed} `)).map((line) => line.split(" ")[2]);
  if (served.join() !== "sign,encrypt,decrypt,sign,certificates") throw new Error(`requests of ${allowed}: ${served}`);
  if (log.includes(signed.message.slice(0, 40)) || log.includes("Chromium")) throw new Error(`data in the log: ${log}`);

  const asked = readFileSync(file("ui.log"), "utf8").split("\n").filter((line) => line.startsWith("ask\t"));
  if (asked.filter((line) => line.includes(`Allow ${other} `)).length !== 3) throw new Error(`questions: ${asked}`);
} catch (error) {
  failure = error;
} finally {
  await browser.close();
  server.close();
}
if (failure) fail(failure.stack ?? failure);
console.log("browser: ok");
