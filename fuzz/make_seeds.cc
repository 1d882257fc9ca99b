// Writes the fuzz seed files into a directory: make_seeds DIRECTORY
//
// Each seed is a fuzz input: settings bytes of 0 (the tool's own buffer
// sizes and default options) and the file.

#include <cstdio>
#include <string>

#include "fuzz/conversion_check.h"
#include "fuzz/seeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
    return 2;
  }
  for (const fuzz::Seed& seed : fuzz::seed_files()) {
    std::string path = std::string(argv[1]) + "/" + seed.name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      std::perror(path.c_str());
      return 1;
    }
    const uint8_t settings[fuzz::SETTINGS_BYTES] = {};
    bool ok =
        std::fwrite(settings, 1, sizeof settings, file) == sizeof settings &&
        std::fwrite(seed.file.data(), 1, seed.file.size(), file) ==
            seed.file.size();
    if (std::fclose(file) != 0 || !ok) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
