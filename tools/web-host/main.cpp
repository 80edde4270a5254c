// corvane-web-host: the browsers' native messaging host. Reads one request frame at a time from
// standard input, serves it with the library's exports and writes the answer frame to standard
// output; ends when the browser closes the port (end of input). Nothing a request names is read
// from files or the environment.
#include <signal.h>
#include <unistd.h>

#include "frame_loop.h"

int main() {
  // A browser that has gone makes the answer's write fail, which ends the host.
  signal(SIGPIPE, SIG_IGN);
  return corvane::web::ServeFrames(STDIN_FILENO, STDOUT_FILENO);
}
