// Helpers shared by the test suites.
#ifndef KVL_TESTS_TESTING_H
#define KVL_TESTS_TESTING_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cow.h"
#include "mem.h"
#include "wip.h"

// The message of the level-0 error that `f` reports; fails the test when none.
template <class F>
std::string ErrorOf(F&& f) {
  wip_Capture capture;
  try {
    f();
  } catch (const wip_ErrorException& e) {
    EXPECT_EQ(e.Level(), wip_ERROR);
    return e.Message().str();
  }
  ADD_FAILURE() << "no error reported";
  return {};
}

// A value's stored form.
template <class T>
std::string Printed(const T& value) {
  aio_ostringstream out;
  value.Print(out);
  return out.str();
}

inline std::vector<std::string> Names(const cow_List<cow_String>& list) {
  std::vector<std::string> names;
  for (const cow_String& s : list) names.push_back(s.str());
  return names;
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Spit(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The exit code of a shell command, or -1 when it ends otherwise.
inline int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kvl_test_XXXXXX";
    if (::mkdtemp(pattern)) path_ = pattern;
    EXPECT_FALSE(path_.empty());
  }
  ~TempDir() {
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

#endif
