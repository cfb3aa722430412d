// The smallest host of KelmLib: reads an outline in the plain notation and
// writes it back as the library writes it. Build it against an installed
// KelmLib with: c++ -std=c++20 host.cpp $(pkg-config --cflags --libs kelm)
#include <kelm/kelm.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: host OUTLINE\n");
    return 2;
  }
  CSteno steno;
  if (const int at = steno.SetString(argv[1], 0); at != 0) {
    std::fprintf(stderr, "host: %s does not read at position %d\n", argv[1], at);
    return 1;
  }
  std::printf("%s\n", steno.GetStrDisplay(0).GetString());
}
