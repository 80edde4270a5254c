// Chromium driven over its DevTools protocol on a pipe (--remote-debugging-pipe: commands in on
// descriptor 3, answers and events out on descriptor 4, each message JSON ending in a NUL byte).
// Just what the browser test needs: targets, script in a page or frame, a screenshot.
import { spawn } from "node:child_process";

export async function launchChromium(executable, args, env) {
  const child = spawn(executable, ["--remote-debugging-pipe", ...args, "about:blank"],
                      { env, stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"] });
  const [input, output] = [child.stdio[3], child.stdio[4]];
  const pending = new Map();
  const listeners = new Set();
  let nextId = 1;
  let buffered = Buffer.alloc(0);
  let exited = null;
  child.on("exit", (code, signal) => {
    exited = new Error(`Chromium exited (${code ?? signal})`);
    for (const { reject } of pending.values()) reject(exited);
    pending.clear();
  });
  output.on("data", (chunk) => {
    buffered = Buffer.concat([buffered, chunk]);
    for (let end; (end = buffered.indexOf(0)) >= 0; buffered = buffered.subarray(end + 1)) {
      const message = JSON.parse(buffered.subarray(0, end).toString("utf8"));
      const waiting = pending.get(message.id);
      if (waiting) {
        pending.delete(message.id);
        if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
        else waiting.resolve(message.result);
      } else if (message.method) {
        for (const listener of listeners) listener(message);
      }
    }
  });

  // One command, to the browser (no session) or to an attached target's session.
  const send = (method, params = {}, sessionId = undefined) => {
    if (exited) return Promise.reject(exited);
    const id = nextId++;
    input.write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + "\0");
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject, method }));
  };
  // The first event that `accept` takes, within `ms`.
  const waitForEvent = (accept, ms, what) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => { listeners.delete(listener); reject(new Error(`timed out waiting for ${what}`)); }, ms);
    const listener = (message) => {
      if (!accept(message)) return;
      clearTimeout(timer);
      listeners.delete(listener);
      resolve(message);
    };
    listeners.add(listener);
  });

  // The targets the browser told of, and the frames of other sites (targets of their own), which
  // every page attaches as they come.
  const frameSessions = [];
  const targets = [];
  listeners.add((message) => {
    if (message.method === "Target.targetCreated") targets.push(message.params.targetInfo);
    if (message.method === "Target.attachedToTarget" && message.params.targetInfo.type === "iframe") {
      frameSessions.push(message.params.sessionId);
    }
  });

  // The value of `source`, a function's text, called with `args` in a session's page; promises
  // are awaited.
  const evaluate = async (sessionId, source, ...args) => {
    const { result, exceptionDetails } = await send("Runtime.evaluate", {
      expression: `(${source})(...${JSON.stringify(args)})`, awaitPromise: true, returnByValue: true,
    }, sessionId);
    if (exceptionDetails) throw new Error(exceptionDetails.exception?.description ?? exceptionDetails.text);
    return result.value;
  };
  const waitFor = async (sessionId, source, ms = 10000) => {
    for (const until = Date.now() + ms; Date.now() < until; await new Promise((r) => setTimeout(r, 100))) {
      if (await evaluate(sessionId, source).catch(() => false)) return;
    }
    throw new Error(`timed out waiting for ${source}`);
  };
  // Script in one session: evaluate(fn, ...args) and waitFor(fn, ms) take functions.
  const scripting = (sessionId) => ({
    evaluate: (source, ...args) => evaluate(sessionId, source.toString(), ...args),
    waitFor: (source, ms) => waitFor(sessionId, source.toString(), ms),
  });

  await send("Target.setDiscoverTargets", { discover: true });
  return {
    // The first target, known or to come, that `accept` takes.
    waitForTarget: async (accept, ms) => targets.find(accept) ??
      (await waitForEvent((m) => m.method === "Target.targetCreated" && accept(m.params.targetInfo), ms, "a target"))
        .params.targetInfo,
    async newPage(url) {
      const { targetId } = await send("Target.createTarget", { url: "about:blank" });
      const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
      await send("Target.setAutoAttach", { autoAttach: true, waitForDebuggerOnStart: false, flatten: true }, sessionId);
      await send("Page.enable", {}, sessionId);
      const loaded = waitForEvent((m) => m.sessionId === sessionId && m.method === "Page.loadEventFired", 20000, url);
      await send("Page.navigate", { url }, sessionId);
      await loaded;
      return {
        ...scripting(sessionId),
        screenshot: async () => Buffer.from((await send("Page.captureScreenshot", {}, sessionId)).data, "base64"),
        // The frame of another site, attached to a page, whose document is of `origin`.
        frame: async (origin) => {
          for (const session of frameSessions) {
            if (await evaluate(session, "() => location.origin").catch(() => "") !== origin) continue;
            return scripting(session);
          }
          throw new Error(`no frame of ${origin}`);
        },
      };
    },
    async close() {
      if (exited) return;
      const gone = new Promise((resolve) => child.once("exit", resolve));
      await send("Browser.close").catch(() => {});
      const timer = setTimeout(() => child.kill("SIGKILL"), 5000);
      await gone;
      clearTimeout(timer);
    },
  };
}
