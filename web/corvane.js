// Corvane for page authors: the extension's window.corvane, once it is there, and text helpers.
//
//   import { corvane, textOf } from "./corvane.js";
//   const api = await corvane();                      // rejects when the extension is missing
//   const { message } = await api.sign("text to sign", { detached: false });
//   const { data } = await api.verify(message);
//   console.log(textOf(data));
//
// Failures reject with an Error named "CorvaneError" whose code is the library's result code
// (-100xx) or one of the refusals below (-2000x), and whose message is its text.

// Refusals of the host and the extension, outside the library's codes.
export const ORIGIN_NOT_ALLOWED = -20001;  // the user did not allow this page's origin
export const CONSENT_REFUSED = -20002;     // the user cancelled the question about this signature or envelope
export const UNREADABLE_REQUEST = -20003;  // the host could not read the request
export const HOST_UNAVAILABLE = -20004;    // the host could not be started, or ended without answering

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
