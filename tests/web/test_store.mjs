// What the browser host's tests share: a throw-away Corvane folder and the host's frames.
//
// The store: a CA ("CN=QDRA, OU=config, O=Ostrevalia", the library's fixed issuer) in ROOT, and a
// user certificate of serial number 00C0FFEE with its key in MY and, as a recipient for
// envelopes, in CA; made with the openssl command and imported with the tool.
import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

export const SERIAL = "00C0FFEE";

export function fail(message) {
  console.log(`FAIL: ${message}`);
  process.exit(1);
}

export function openssl(args, options = {}) {
  return execFileSync("openssl", args, { stdio: ["pipe", "pipe", "ignore"], ...options });
}

// Returns the folder, the environment of the host (script front end, UI log) and the files.
export function makeStore(tool) {
  const work = mkdtempSync(join(tmpdir(), "corvane-web-"));
  process.on("exit", () => rmSync(work, { recursive: true, force: true }));
  const file = (name) => join(work, name);
  openssl(["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", file("ca.key"), "-out", file("ca.pem"),
           "-days", "30", "-set_serial", "1", "-subj", "/CN=QDRA/OU=config/O=Ostrevalia"]);
  openssl(["req", "-newkey", "rsa:2048", "-nodes", "-keyout", file("user.key"), "-out", file("user.csr"),
           "-subj", "/CN=Web User"]);
  openssl(["x509", "-req", "-in", file("user.csr"), "-CA", file("ca.pem"), "-CAkey", file("ca.key"),
           "-set_serial", `0x${SERIAL}`, "-days", "30", "-out", file("user.pem")]);
  const env = { ...process.env, CORVANE_HOME: file("home"), CORVANE_UI: "script", CORVANE_UI_LOG: file("ui.log"),
                HOME: file("user-home") };
  delete env.CORVANE_UI_CHOICES;
  mkdirSync(env.HOME);
  for (const [store, ...files] of [["ROOT", "ca.pem"], ["MY", "user.pem", "user.key"], ["CA", "user.pem"]]) {
    execFileSync(tool, ["store", "import", store, ...files.map(file)], { env, stdio: "ignore" });
  }
  return { work, env, file };
}

// One native messaging frame: the length in this machine's byte order, then the bytes.
export function frame(body) {
  const bytes = Buffer.isBuffer(body) ? body : Buffer.from(typeof body === "string" ? body : JSON.stringify(body));
  const length = Buffer.alloc(4);
  length.writeUInt32LE(bytes.length);  // the machines the tests run on are little-endian
  return Buffer.concat([length, bytes]);
}

// Runs the host on the frames (until end of input) and returns its answers and exit status.
export function exchange(host, frames, env) {
  const run = spawnSync(host, [], { input: Buffer.concat(frames), env, maxBuffer: 64 << 20 });
  const answers = [];
  for (let at = 0; at + 4 <= run.stdout.length;) {
    const length = run.stdout.readUInt32LE(at);
    answers.push(JSON.parse(run.stdout.subarray(at + 4, at + 4 + length).toString("utf8")));
    at += 4 + length;
  }
  return { answers, status: run.status };
}
