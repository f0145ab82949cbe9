// Shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zlv::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Gives the run a -max_len of `bytes` unless the command line sets one: the
// largest input worth trying is a property of the target (how big the real
// files it reads get), not of whoever starts it. Called from
// LLVMFuzzerInitialize, before libFuzzer reads its flags.
inline void DefaultMaxLen(int* argc, char*** argv, std::size_t bytes) {
  for (int i = 1; i < *argc; ++i) {
    if (std::string_view((*argv)[i]).starts_with("-max_len=")) return;
  }
  static std::string flag;
  static std::vector<char*> args;
  flag = "-max_len=" + std::to_string(bytes);
  args.assign(*argv, *argv + *argc);
  args.push_back(flag.data());
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
}

}  // namespace zlv::fuzz
