// corvane-web-host on frames written to its standard input: each operation with the script front
// end (checked with the openssl command), the user's questions, and every kind of bad input, after
// which the host must still serve.
//   node host_protocol.mjs HOST TOOL
import { execFileSync } from "node:child_process";
import { createHash, X509Certificate } from "node:crypto";
import { readFileSync, writeFileSync } from "node:fs";
import { SERIAL, exchange, fail, frame, makeStore, openssl } from "./test_store.mjs";

const [host, tool] = process.argv.slice(2);
const { env, file } = makeStore(tool);
const ORIGIN = "https://shop.example";
execFileSync(tool, ["web", "allow", ORIGIN], { env });
const data = Buffer.from("web data\0with 中文");
writeFileSync(file("data.bin"), data);
const base64Of = (path) => readFileSync(path).toString("base64");
const der = (message, name) => (writeFileSync(file(name), Buffer.from(message, "base64")), file(name));
const uiLog = () => { try { return readFileSync(file("ui.log"), "utf8"); } catch { return ""; } };
const cms = (args) => openssl(["cms", ...args, "-binary", "-CAfile", file("ca.pem"), "-purpose", "any"]);

// Messages made by the peer for verification and opening.
openssl(["cms", "-sign", "-binary", "-nodetach", "-in", file("data.bin"), "-signer", file("user.pem"),
         "-inkey", file("user.key"), "-outform", "DER", "-out", file("attached.der")]);
openssl(["cms", "-sign", "-binary", "-in", file("data.bin"), "-signer", file("user.pem"), "-inkey", file("user.key"),
         "-outform", "DER", "-out", file("detached.der")]);
openssl(["cms", "-encrypt", "-binary", "-aes256", "-in", file("data.bin"), "-outform", "DER",
         "-out", file("envelope.der"), file("user.pem")]);
openssl(["cms", "-encrypt", "-binary", "-aes256", "-in", file("data.bin"), "-outform", "DER", "-out", file("oaep.der"),
         "-recip", file("user.pem"), "-keyopt", "rsa_padding_mode:oaep"]);

// A certificate of MY without a key whose thumbprint sorts before the user's: an envelope made for
// both is opened with the user's key, found after it.
const thumbprint = (path) => createHash("sha1").update(new X509Certificate(readFileSync(path)).raw).digest("hex");
openssl(["req", "-newkey", "rsa:2048", "-nodes", "-keyout", file("keyless.key"), "-out", file("keyless.csr"),
         "-subj", "/CN=Keyless"]);
for (let serial = 1; serial <= 64; ++serial) {
  openssl(["x509", "-req", "-in", file("keyless.csr"), "-CA", file("ca.pem"), "-CAkey", file("ca.key"),
           "-set_serial", String(serial), "-days", "30", "-out", file("keyless.pem")]);
  if (thumbprint(file("keyless.pem")) < thumbprint(file("user.pem"))) break;
}
execFileSync(tool, ["store", "import", "MY", file("keyless.pem")], { env, stdio: "ignore" });
openssl(["cms", "-encrypt", "-binary", "-aes256", "-in", file("data.bin"), "-outform", "DER",
         "-out", file("two-recipients.der"), file("keyless.pem"), file("user.pem")]);

const sameData = (bytes) => Buffer.compare(Buffer.from(bytes), data) === 0;
const asked = (pattern) => () => pattern.test(uiLog()) || `no question /${pattern.source}/ in the UI log`;

// Each row: one request (origin ORIGIN unless given) to a host of its own, the script front end's
// answers, the code expected, and what else must hold (true, or what went wrong).
const operations = [
  { name: "certificates: a new origin is asked once and remembered", origin: "https://new.example",
    request: { op: "certificates" }, choices: "ok", code: 0,
    check: (answer) => {
      const entry = answer.certificates.find((certificate) => certificate.serial === SERIAL);
      if (entry?.serial !== SERIAL || entry.subject !== "CN=Web User") return "no certificate " + SERIAL;
      if (Object.keys(entry).some((key) => /key/i.test(key))) return "a key field in the listing";
      if (!/^ask\tCorvane\tAllow https:\/\/new\.example to use your certificates\?\tok$/m.test(uiLog())) return "not asked";
      return execFileSync(tool, ["web", "list"], { env }).includes("https://new.example") || "not remembered";
    } },
  { name: "a refused origin is not served and not remembered", origin: "https://other.example",
    request: { op: "certificates" }, choices: "cancel", code: -20001,
    check: (answer) => (!answer.certificates &&
      !execFileSync(tool, ["web", "list"], { env }).includes("other.example")) || "served or remembered" },
  { name: "sign attached, certificate chosen", request: { op: "sign", data: data.toString("base64") },
    choices: "1", code: 0,  // the user's certificate, after the keyless one
    check: (answer) => (sameData(cms(["-verify", "-inform", "DER", "-in", der(answer.message, "signed.der")])) &&
      /^for\thttps:\/\/shop\.example\nchoose\t/m.test(uiLog())) || "openssl verified other content, or no origin" },
  { name: "sign detached by serial number: asked with the certificate, allowed",
    request: { op: "sign", data: data.toString("base64"), detached: true, serial: SERIAL }, choices: "ok", code: 0,
    check: (answer) => {
      cms(["-verify", "-inform", "DER", "-in", der(answer.message, "detached-made.der"), "-content", file("data.bin")]);
      const digest = createHash("sha256").update(data).digest("hex");
      return asked(new RegExp(`^ask\tCorvane\thttps://shop\\.example asks to sign.*Subject: CN=Web User.*` +
                              `Data of ${data.length} bytes, SHA-256 ${digest}.*\tok$`, "m"))();
    } },
  { name: "sign by serial number, the user cancels: a text is shown",
    request: { op: "sign", data: Buffer.from("Pay 1 EUR to Q").toString("base64"), serial: SERIAL,
               issuer: "CN=QDRA, OU=config, O=Ostrevalia" },
    choices: "cancel", code: -20002, check: (answer) => (answer.message === undefined &&
      asked(/^ask\tCorvane\t.*The text \(14 bytes\):\\nPay 1 EUR to Q\\n.*\tcancel$/m)()) || "a message made, or no text" },
  { name: "verify attached", request: { op: "verify", message: base64Of(file("attached.der")) }, code: 0,
    check: (answer) => (sameData(Buffer.from(answer.data, "base64")) && answer.text.startsWith("验证签名成功") &&
      answer.detached === false) || `content, form or text wrong: ${answer.text}` },
  { name: "verify attached with the same data",
    request: { op: "verify", message: base64Of(file("attached.der")), data: data.toString("base64") }, code: 0,
    check: (answer) => sameData(Buffer.from(answer.data, "base64")) || "content not sent back" },
  { name: "verify attached with other data",
    request: { op: "verify", message: base64Of(file("attached.der")), data: "b3RoZXI=" }, code: -10010,
    check: (answer) => (answer.data === undefined && /differs/.test(answer.text)) || "content sent or no reason" },
  { name: "verify detached over the data",
    request: { op: "verify", message: base64Of(file("detached.der")), data: data.toString("base64") }, code: 0,
    check: (answer) => (answer.data === undefined && answer.detached === true) || "content sent back or form wrong" },
  { name: "verify detached over other data",
    request: { op: "verify", message: base64Of(file("detached.der")), data: "b3RoZXI=" }, code: -10010 },
  { name: "verify detached without data",
    request: { op: "verify", message: base64Of(file("detached.der")) }, code: -10010,
    check: (answer) => (answer.detached === true && /detached signature/.test(answer.text)) || "no reason given" },
  { name: "encrypt by serial number",
    request: { op: "encrypt", data: data.toString("base64"), serial: SERIAL }, code: 0,
    check: (answer) => sameData(openssl(["cms", "-decrypt", "-binary", "-provider", "legacy", "-provider", "default",
      "-inform", "DER", "-in",
      der(answer.message, "made-envelope.der"), "-recip", file("user.pem"), "-inkey", file("user.key")])) ||
      "openssl opened other content" },
  { name: "decrypt: asked with the certificate, allowed",
    request: { op: "decrypt", message: base64Of(file("envelope.der")) }, choices: "ok", code: 0,
    check: (answer) => (sameData(Buffer.from(answer.data, "base64")) &&
      asked(/^ask\tCorvane\thttps:\/\/shop\.example asks to open an envelope.*CN=Web User.*\tok$/m)()) ||
      "content or question wrong" },
  { name: "decrypt: the question names the certificate whose key opens it, not a keyless one before it",
    request: { op: "decrypt", message: base64Of(file("two-recipients.der")) }, choices: "ok", code: 0,
    check: (answer) => {
      const question = uiLog().split("\n").filter((line) => line.startsWith("ask\t")).pop();
      return (sameData(Buffer.from(answer.data, "base64")) &&
        /^ask\tCorvane\thttps:\/\/shop\.example asks to open an envelope.*CN=Web User.*\tok$/.test(question)) ||
        `question wrong: ${question}`;
    } },
  { name: "decrypt: an algorithm the library does not have is named",
    request: { op: "decrypt", message: base64Of(file("oaep.der")) }, choices: "ok", code: -10023,
    check: (answer) => /rsaesOaep .* is not supported/.test(answer.text) || `no reason: ${answer.text}` },
  { name: "decrypt, the user cancels", request: { op: "decrypt", message: base64Of(file("envelope.der")) },
    choices: "cancel", code: -20002, check: (answer) => answer.data === undefined || "content sent" },
];

for (const row of operations) {
  const request = { id: row.name, origin: row.origin ?? ORIGIN, ...row.request };
  const run = exchange(host, [frame(request)], { ...env, CORVANE_UI_CHOICES: row.choices ?? "" });
  const [answer] = run.answers;
  if (run.status !== 0 || run.answers.length !== 1) fail(`${row.name}: ${run.answers.length} answers, status ${run.status}`);
  if (answer.id !== row.name || answer.code !== row.code) fail(`${row.name}: ${JSON.stringify(answer).slice(0, 300)}`);
  const verdict = row.check ? row.check(answer) : true;
  if (verdict !== true) fail(`${row.name}: ${verdict}`);
}

// Bad input, one host for all: each answered with its code and reason (and the deepest nesting
// taken, served), and then the host serves a good request and ends at the end of its input.
const ok = { origin: ORIGIN, op: "sign", serial: SERIAL };
// A request whose objects and arrays are nested `levels` deep (its own object being the first),
// with a value in the innermost.
const nested = (id, levels) => frame({ id, origin: ORIGIN, op: "certificates",
                                       deep: JSON.parse("[".repeat(levels - 1) + "1" + "]".repeat(levels - 1)) });
const oversize = Buffer.alloc(4 + (8 << 20) + 1, 0x20);
oversize.writeUInt32LE((8 << 20) + 1);
const bad = [
  ["frame over the 8 MiB the host reads", oversize, null, -20003, /longer than the 8 MiB/],
  ["malformed JSON", frame('{"id": 1, "op": '), null, -20003, /not JSON/],
  ["a number beyond a double", frame('{"id": 1e999}'), null, -20003, /not JSON.*number overflow/],
  ["JSON that is not an object", frame("[1, 2]"), null, -20003, /not a JSON object/],
  ["nested 16 deep, served", nested(5, 16), 5, 0, /^$/],
  ["nested 17 deep", nested(6, 17), null, -20003, /nested too deeply/],
  ["no origin", frame({ id: 7, op: "certificates" }), 7, -20003, /no origin/],
  ["plain http origin", frame({ id: 8, origin: "http://shop.example", op: "certificates" }), 8, -20001, /refused/],
  ["origin with a path", frame({ id: 9, origin: "https://shop.example/pay", op: "certificates" }), 9, -20001, /refused/],
  ["unknown op", frame({ id: 10, origin: ORIGIN, op: "export-key" }), 10, -20003, /unknown op/],
  ["missing data", frame({ id: 11, ...ok }), 11, -10001, /"data" is missing/],
  ["data not a string", frame({ id: 12, ...ok, data: 5 }), 12, -10001, /"data" must be a string/],
  ["data not Base64", frame({ id: 13, ...ok, data: "d2Vi!!!!ZGF0YQ==" }), 13, -10002, /not Base64/],
  ["missing message", frame({ id: 14, origin: ORIGIN, op: "decrypt" }), 14, -10001, /"message" is missing/],
  ["serial not hex", frame({ id: 15, ...ok, data: "AA==", serial: "../../etc/passwd" }), 15, -10001, /hex digits/],
  ["issuer without serial", frame({ id: 16, origin: ORIGIN, op: "encrypt", data: "AA==", issuer: "CN=x" }), 16,
   -10001, /needs "serial"/],
  ["detached not a boolean", frame({ id: 17, ...ok, data: "AA==", detached: "yes" }), 17, -10001, /true or false/],
  ["answer over the 1 MiB a browser takes", frame({ id: 18, ...ok, data: Buffer.alloc(800000, 7).toString("base64") }),
   18, -10003, /longer than the 1 MiB/],
];
const run = exchange(host, [...bad.map((row) => row[1]), frame({ id: "last", origin: ORIGIN, op: "certificates" })],
                     { ...env, CORVANE_UI_CHOICES: "ok" });
if (run.status !== 0 || run.answers.length !== bad.length + 1) fail(`bad input: ${run.answers.length} answers, status ${run.status}`);
bad.forEach(([name, , id, code, text], index) => {
  const answer = run.answers[index];
  if (answer.id !== id || answer.code !== code || !text.test(answer.text)) fail(`${name}: ${JSON.stringify(answer)}`);
});
if (run.answers.at(-1).code !== 0 || run.answers.at(-1).certificates?.length !== 2) fail("not served after bad input");
console.log("browser host protocol: ok");
