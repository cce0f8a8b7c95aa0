#include "inpm_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>

#include "inpM_RecordReader.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"

namespace {

// "-" names standard input or output.
constexpr const char* kStandardStream = "-";

std::string Reason() { return errno ? std::strerror(errno) : "unknown reason"; }

bool Open(aio_ofstream& out, const std::string& file, bool replace) {
  errno = 0;
  out.open(file == kStandardStream ? "/dev/stdout" : file.c_str(), replace);
  if (!out.fail()) return true;
  inpm_Report(file, "cannot create: " + Reason());
  return false;
}

}  // namespace

std::string inpm_OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    bool lineEnd = false;
    while (end < text.size() && (text[end] == ' ' || text[end] == '\t' || text[end] == '\n' || text[end] == '\r')) {
      lineEnd = lineEnd || text[end] == '\n' || text[end] == '\r';
      ++end;
    }
    if (end == i) {
      line += text[i++];
      continue;
    }
    if (!lineEnd)
      line.append(text, i, end - i);
    else if (!line.empty() && end < text.size())
      line += ' ';
    i = end;
  }
  return line;
}

void inpm_Report(const std::string& file, const std::string& reason) {
  std::cerr << "inpm: " << file << ": " << inpm_OneLine(reason) << '\n';
}

bool inpm_Guard(const std::string& file, const std::function<void()>& f) {
  try {
    f();
    return true;
  } catch (const wip_ErrorException& e) {
    inpm_Report(file, e.Message().str());
  } catch (const nex_Exception& e) {
    inpm_Report(file, e.UserReport().str());
  } catch (const std::bad_alloc&) {
    inpm_Report(file, "out of memory");
  }
  return false;
}

std::optional<inpM_PartMap> inpm_Load(const std::string& file, bool* whole) {
  const std::string path = file == kStandardStream ? "/dev/stdin" : file;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    inpm_Report(file, "is a directory");
    return std::nullopt;
  }
  errno = 0;
  aio_ifstream in(path.c_str());
  if (in.fail()) {
    inpm_Report(file, "cannot open: " + Reason());
    return std::nullopt;
  }
  std::optional<inpM_PartMap> map;
  if (!inpm_Guard(file, [&] { map.emplace(in); })) return std::nullopt;
  if (in.bad()) {
    inpm_Report(file, "read error: " + Reason());
    return std::nullopt;
  }
  if (whole) *whole = inpM_RestIsBlank(in);
  return map;
}

bool inpm_OpenOutput(aio_ofstream& out, const std::string& file) { return Open(out, file, false); }

bool inpm_CloseOutput(aio_ofstream& out, const std::string& file) {
  if (out.close()) return true;
  inpm_Report(file, "cannot write: " + Reason());
  return false;
}

bool inpm_Save(const inpM_PartMap& map, const std::string& file) {
  aio_ofstream out;
  return Open(out, file, true) && inpm_Guard(file, [&] { map.Print(out); }) && inpm_CloseOutput(out, file);
}
