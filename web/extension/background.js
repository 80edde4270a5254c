// The extension's background: one native messaging port to corvane-web-host, opened when the
// first request comes and again after the host has gone. Every request gets the origin of the
// page that sent it from the browser's sender data; whatever origin a page puts in its request is
// dropped with its other unknown fields. The host answers one request at a time, in order, so
// the answers are matched to the waiting requests first in, first out.
const HOST = "corvane.web_host";
const HOST_UNAVAILABLE = -20004;  // the host cannot be started or ended without answering (corvane.d.ts)
const FIELDS = ["data", "message", "detached", "serial", "issuer"];

let port = null;
let nextId = 1;
const waiting = [];

function connect() {
  port = chrome.runtime.connectNative(HOST);
  port.onMessage.addListener((answer) => {
    const reply = waiting.shift();
    if (reply) reply(answer);
  });
  port.onDisconnect.addListener(() => {
    const why = chrome.runtime.lastError?.message || "the Corvane host closed the connection";
    port = null;
    for (const reply of waiting.splice(0)) reply({ code: HOST_UNAVAILABLE, text: why });
  });
}

function originOf(sender) {
  if (sender.origin) return sender.origin;
  try {
    return new URL(sender.url).origin;
  } catch {
    return "null";
  }
}

chrome.runtime.onMessage.addListener((request, sender, sendResponse) => {
  // Only this extension's own content scripts, in a tab's page.
  if (sender.id !== chrome.runtime.id || !sender.tab || typeof request?.op !== "string") return false;
  const message = { id: nextId++, origin: originOf(sender), op: request.op };
  for (const field of FIELDS) {
    if (request[field] !== undefined && request[field] !== null) message[field] = request[field];
  }
  waiting.push(({ id, ...answer }) => sendResponse(answer));
  try {
    if (!port) connect();
    port.postMessage(message);
  } catch (error) {
    waiting.pop()({ code: HOST_UNAVAILABLE, text: String(error?.message ?? error) });
  }
  return true;  // sendResponse is called later
});
