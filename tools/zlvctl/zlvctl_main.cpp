// zlvctl's entry point on Linux: arguments arrive as UTF-8.
#include <iostream>

#include "tools/zlvctl/zlvctl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zlv::RunZlvctl(args, std::cout, std::cerr, zlv::Disk());
}
