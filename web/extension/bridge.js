// Content script (the extension's isolated world): carries the page's requests from page_api.js
// to the background and the answers back. Only messages the page's own window posted are taken,
// never those of another frame or window.
window.addEventListener("message", (event) => {
  if (event.source !== window || event.data?.corvane !== "request") return;
  const HOST_UNAVAILABLE = -20004;  // no answer came back (corvane.d.ts)
  const { seq, request } = event.data;
  const reply = (answer) => window.postMessage({ corvane: "answer", seq, answer }, "*");
  chrome.runtime.sendMessage(request).then(
    (answer) => reply(answer ?? { code: HOST_UNAVAILABLE, text: "the Corvane extension gave no answer" }),
    (error) => reply({ code: HOST_UNAVAILABLE, text: String(error?.message ?? error) }));
});
