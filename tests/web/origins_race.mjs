// `corvane web revoke` and a host recording another origin's consent, started together round
// after round: the revoked origin never comes back and the consented one is never lost.
//   node origins_race.mjs HOST TOOL
import { spawn } from "node:child_process";
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { fail, frame, makeStore } from "./test_store.mjs";

const [host, tool] = process.argv.slice(2);
const { env } = makeStore(tool);
const ROUNDS = 300;
const revoked = (round) => `https://revoked-${round}.example`;
const consented = (round) => `https://consented-${round}.example`;
const list = join(env.CORVANE_HOME, "web-origins");
writeFileSync(list, Array.from({ length: ROUNDS }, (_, round) => `${revoked(round)}\n`).join(""), { mode: 0o600 });

// The exit status of `program` on `input` (null when it had to be killed). A program that ends
// before it reads its input is judged by its status, not by the broken pipe.
const run = (program, args, input = "") => new Promise((resolve) => {
  const child = spawn(program, args, { env: { ...env, CORVANE_UI_CHOICES: "ok" }, stdio: ["pipe", "ignore", "ignore"],
                                       timeout: 30000 });
  child.on("close", resolve);
  child.stdin.on("error", () => {});
  child.stdin.end(input);
});

let resurrected = 0;
let lost = 0;
for (let round = 0; round < ROUNDS; ++round) {
  const [revoking, consenting] = await Promise.all([
    run(tool, ["web", "revoke", revoked(round)]),
    run(host, [], frame({ id: round, origin: consented(round), op: "certificates" })),
  ]);
  if (revoking !== 0 || consenting !== 0) fail(`round ${round}: revoke ${revoking}, host ${consenting}`);
  const origins = readFileSync(list, "utf8").split("\n");
  if (origins.includes(revoked(round))) ++resurrected;
  if (!origins.includes(consented(round))) ++lost;
}
if (resurrected || lost) fail(`${resurrected} revoked origins came back, ${lost} consents were lost in ${ROUNDS} rounds`);
console.log(`web origins under concurrent updates: ok (${ROUNDS} rounds)`);
