// Content script in the page's own world: window.corvane, a promise for each operation.
//   sign(data, {detached, serial, issuer})  -> {code, text, message}
//   verify(message, {data})                 -> {code, text, detached, data?}   data: the attached
//                                              content (equal to the data given, if any)
//   encrypt(data, {serial, issuer})         -> {code, text, message}
//   decrypt(message)                        -> {code, text, data}
//   certificates()                          -> {code, text, certificates}
// data: a string (sent as UTF-8), an ArrayBuffer or a typed array; data in answers: Uint8Array.
// A result code other than 0 rejects with an Error named "CorvaneError" carrying code and text.
(() => {
  if (window.corvane) return;
  const waiting = new Map();
  let seq = 0;

  const toBase64 = (bytes) => {
    let binary = "";
    for (let at = 0; at < bytes.length; at += 0x8000) {
      binary += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
    }
    return btoa(binary);
  };
  const fromBase64 = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const bytesOf = (data) => {
    if (typeof data === "string") return new TextEncoder().encode(data);
    if (data instanceof ArrayBuffer) return new Uint8Array(data);
    if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
    throw new TypeError("data must be a string, an ArrayBuffer or a typed array");
  };
  const encoded = (data) => (data === undefined ? undefined : toBase64(bytesOf(data)));

  window.addEventListener("message", (event) => {
    if (event.source !== window || event.data?.corvane !== "answer") return;
    const promise = waiting.get(event.data.seq);
    if (!promise) return;
    waiting.delete(event.data.seq);
    const answer = event.data.answer;
    if (answer.code !== 0) {
      const error = new Error(answer.text);
      error.name = "CorvaneError";
      error.code = answer.code;
      promise.reject(error);
      return;
    }
    const result = { code: answer.code, text: answer.text };
    if (answer.message !== undefined) result.message = answer.message;
    if (answer.data !== undefined) result.data = fromBase64(answer.data);
    if (answer.detached !== undefined) result.detached = answer.detached;
    if (answer.certificates !== undefined) result.certificates = answer.certificates;
    promise.resolve(result);
  });

  const call = (request) =>
    new Promise((resolve, reject) => {
      const id = ++seq;
      waiting.set(id, { resolve, reject });
      window.postMessage({ corvane: "request", seq: id, request }, "*");
    });

  const api = {
    sign: (data, options = {}) =>
      call({ op: "sign", data: encoded(data), detached: Boolean(options.detached),
             serial: options.serial, issuer: options.issuer }),
    verify: (message, options = {}) => call({ op: "verify", message, data: encoded(options.data) }),
    encrypt: (data, options = {}) =>
      call({ op: "encrypt", data: encoded(data), serial: options.serial, issuer: options.issuer }),
    decrypt: (message) => call({ op: "decrypt", message }),
    certificates: () => call({ op: "certificates" }),
  };
  Object.defineProperty(window, "corvane", { value: Object.freeze(api), enumerable: false });
  window.dispatchEvent(new Event("corvane-ready"));
})();
