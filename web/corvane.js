// Corvane for page authors: the extension's window.corvane, once it is there, and text helpers.
//
//   import { corvane, textOf } from "./corvane.js";
//   const api = await corvane();                      // rejects when the extension is missing
//   const { message } = await api.sign("text to sign", { detached: false });
//   const { data } = await api.verify(message);
//   console.log(textOf(data));
//
// Failures reject with an Error named "CorvaneError" whose code is the library's result code
// (-100xx) and whose message is its text.

// The extension's API; rejects after `timeoutMs` when no extension has provided it.
export function corvane(timeoutMs = 3000) {
  if (window.corvane) return Promise.resolve(window.corvane);
  return new Promise((resolve, reject) => {
    const ready = () => {
      clearTimeout(timer);
      resolve(window.corvane);
    };
    const timer = setTimeout(() => {
      window.removeEventListener("corvane-ready", ready);
      reject(new Error("the Corvane browser extension is not installed or not enabled for this page"));
    }, timeoutMs);
    window.addEventListener("corvane-ready", ready, { once: true });
  });
}

// The UTF-8 text of bytes an answer carries.
export function textOf(bytes) {
  return new TextDecoder().decode(bytes);
}

// Whether an error is a refusal or failure reported by Corvane (rather than one of the page).
export function isCorvaneError(error) {
  return error instanceof Error && error.name === "CorvaneError" && typeof error.code === "number";
}
