// The host's loop: one request frame at a time from the browser, each answered with one frame,
// until the browser closes the port (end of input) or takes no more answers.
#pragma once

namespace corvane::web {

// Serves the frames of `input_fd` onto `output_fd`. A request whose serving fails inside (the host
// runs out of memory) is answered -10000 and the next one is served. Returns the exit status.
int ServeFrames(int input_fd, int output_fd);

}  // namespace corvane::web
