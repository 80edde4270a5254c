// corvane: manage the certificate stores and run the library's operations from a shell. The
// commands, their options and the help are the table of command_table.h.
#include <string>
#include <vector>

#include "command_table.h"

int main(int argc, char** argv) {
  return corvane::tool::RunCommand(std::vector<std::string>(argv + 1, argv + argc));
}
