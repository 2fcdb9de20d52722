// Replays every file of a corpus folder through the fuzz target, as an ordinary test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  size_t count = 0;
  for (int a = 1; a < argc; ++a) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argv[a])) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(argv[a]))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.emplace_back(argv[a]);
    }
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", f.c_str());
        return 1;
      }
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "no corpus files\n");
    return 1;
  }
  std::printf("replayed %zu corpus files\n", count);
  return 0;
}
