// The main of the replay builds of the fuzz targets: runs the target's
// LLVMFuzzerTestOneInput on files, so that any compiler builds the targets
// and CTest replays the checked-in corpora (regression inputs included).
//
//   <target>_replay PATH...          each file, and each file under each folder
//   <target>_replay --sweep FILE     every prefix of FILE and every change of
//                                    one of its bytes
//
// A finding aborts inside the target (or ends the process through a
// sanitizer); the driver then names the input that did it: the file, or the
// prefix length or the changed byte and its place.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Present when a sanitizer runtime is linked in: called when it ends the
// process on a report.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

// The input being run, named for the report of a finding.
char current[512];

void NameCurrent() {
  const ssize_t written = write(STDERR_FILENO, current, std::char_traits<char>::length(current));
  static_cast<void>(written);
}

void OnAbort(int) {
  NameCurrent();
  std::signal(SIGABRT, SIG_DFL);
  std::raise(SIGABRT);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Run(std::string_view bytes) {
  // A copy of exactly the input's size, so that ASan sees a read past its end.
  const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(copy.data(), copy.size());
}

int Replay(const std::vector<fs::path>& paths) {
  std::vector<fs::path> files;
  for (const fs::path& path : paths) {
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(path)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "replay: no such file or folder: %s\n", path.c_str());
      return 2;
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::snprintf(current, sizeof current, "replay: the finding came from %s\n", file.c_str());
    Run(ReadFile(file));
  }
  std::printf("replayed %zu inputs\n", files.size());
  return 0;
}

// The bytes put in place of each byte of the file. Trying all 256 values at
// every place would take 25 times longer and mostly repeat itself: these
// are the bytes that change what a record means. A digit makes a count, flag
// or kind another number (0 empties a list, 9 asks for more than the file
// holds); '-' makes it negative; a blank splits a number in two; a line feed
// splits a line, so that every later name and number shifts by one line; a
// double quote goes into a name, which the writer drops; NUL and 0xFF are
// bytes of no text; and the byte with its lowest bit flipped is its nearest
// neighbour (a digit one more or less, a line feed turned into a vertical
// tab, a letter of a name turned into another).
constexpr unsigned char kSubstitutes[] = {'0', '1', '9', '-', ' ', '\n', '"', '\0', 0xFF};

int Sweep(const fs::path& path) {
  const std::string file = ReadFile(path);
  if (file.empty()) {
    std::fprintf(stderr, "replay: nothing to sweep in %s\n", path.c_str());
    return 2;
  }
  size_t runs = 0;
  for (size_t n = 0; n <= file.size(); ++n, ++runs) {
    std::snprintf(current, sizeof current, "replay: the finding came from the first %zu bytes of %s\n", n,
                  path.c_str());
    Run(std::string_view(file).substr(0, n));
  }
  std::string changed = file;
  for (size_t i = 0; i < file.size(); ++i) {
    const auto original = static_cast<unsigned char>(file[i]);
    std::vector<unsigned char> values(std::begin(kSubstitutes), std::end(kSubstitutes));
    values.push_back(original ^ 1u);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    for (const unsigned char value : values) {
      if (value == original) continue;
      changed[i] = static_cast<char>(value);
      std::snprintf(current, sizeof current, "replay: the finding came from byte %zu of %s set to 0x%02x\n", i,
                    path.c_str(), value);
      Run(changed);
      ++runs;
    }
    changed[i] = file[i];
  }
  std::printf("swept %zu inputs from %s (%zu bytes)\n", runs, path.c_str(), file.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGABRT, OnAbort);
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(NameCurrent);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--sweep") return Sweep(fs::path(args[1]));
  if (args.empty() || args[0].starts_with("-")) {
    std::fprintf(stderr, "usage: %s PATH... | --sweep FILE\n", argv[0]);
    return 2;
  }
  return Replay(std::vector<fs::path>(args.begin(), args.end()));
}
