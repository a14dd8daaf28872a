// Replays fuzz inputs through the fuzz target without libFuzzer:
//   cache_fuzz_replay FILE|DIR ...
// Every regular file (directories are read one level deep) is one input.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::string& path) {
  std::FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) return false;
  std::vector<std::uint8_t> bytes;
  unsigned char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(fp);
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    struct stat st;
    if (stat(argv[i], &st) != 0) {
      std::fprintf(stderr, "cache_fuzz_replay: %s: not found\n", argv[i]);
      return 1;
    }
    if (S_ISDIR(st.st_mode)) {
      DIR* d = opendir(argv[i]);
      if (d == nullptr) return 1;
      while (dirent* e = readdir(d)) {
        const std::string p = std::string(argv[i]) + "/" + e->d_name;
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && Replay(p)) ++inputs;
      }
      closedir(d);
    } else if (Replay(argv[i])) {
      ++inputs;
    }
  }
  std::printf("%d inputs replayed\n", inputs);
  return inputs > 0 ? 0 : 1;
}
