// Times one verification comparison of two files, as a copy check would run it.
// Usage: compare_bench FIRST SECOND
// Prints the elapsed milliseconds and the result; exits 0 when the files count
// as equal, 1 when they differ, 2 on a usage error (like cmp).

#include <chrono>
#include <cstdio>

#include "engine/same_content.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FIRST SECOND\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const bool equal = tandrel::SameContent(argv[1], argv[2]);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.1f ms %s\n", elapsed.count(), equal ? "equal" : "different");
  return equal ? 0 : 1;
}
