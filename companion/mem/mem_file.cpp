// The file streams: aio_ifstream reads through a buffer; aio_ofstream writes
// through one, replacing a file through a temporary and a rename.
#include "mem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// ---------------------------------------------------------------------------
// aio_ifstream

aio_ifstream::aio_ifstream() = default;

aio_ifstream::aio_ifstream(const char* path) { open(path); }

aio_ifstream::~aio_ifstream() { close(); }

void aio_ifstream::open(const char* path) {
  close();
  if (path != nullptr) {
    do fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
  }
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    close();
    clear(failbit | badbit);
    return;
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (buffer_ == nullptr) buffer_ = static_cast<char*>(mem_Malloc(kBufferSize));
  cur_ = end_ = buffer_;
  at_end_ = false;
  clear();
}

bool aio_ifstream::close() {
  cur_ = end_ = nullptr;
  at_end_ = true;
  mem_Free(buffer_);
  buffer_ = nullptr;
  if (fd_ < 0) return false;
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

bool aio_ifstream::refill() {
  if (at_end_) return false;
  const size_t kept = static_cast<size_t>(end_ - cur_);
  if (kept == kBufferSize) return false;
  std::memmove(buffer_, cur_, kept);
  cur_ = buffer_;
  end_ = buffer_ + kept;
  ssize_t got;
  do got = ::read(fd_, buffer_ + kept, kBufferSize - kept);
  while (got < 0 && errno == EINTR);
  if (got <= 0) {
    if (got < 0) setstate(badbit);
    at_end_ = true;
    return false;
  }
  end_ += got;
  return true;
}

// ---------------------------------------------------------------------------
// aio_ofstream

aio_ofstream::aio_ofstream() {
  out_begin_ = out_ = discard_;
  out_end_ = discard_ + sizeof discard_;
}

aio_ofstream::aio_ofstream(const char* path, bool replace) : aio_ofstream() { open(path, replace); }

aio_ofstream::~aio_ofstream() { close(); }

namespace {

int open_for_writing(const char* path, int flags) {
  int fd;
  do fd = ::open(path, O_WRONLY | O_CLOEXEC | flags, 0666);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// A new file beside `target` whose name no other file has; -1 on failure.
int create_temporary(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = open_for_writing(name.c_str(), O_CREAT | O_EXCL);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

void aio_ofstream::open(const char* path, bool replace) {
  close();
  clear();
  if (path != nullptr && *path != '\0') {
    struct stat st;
    const bool exists = ::stat(path, &st) == 0;
    if (replace && (!exists || S_ISREG(st.st_mode))) {
      // Through a symbolic link the file replaced is the one it names.
      char* real = exists ? ::realpath(path, nullptr) : nullptr;
      target_ = real != nullptr ? real : path;
      std::free(real);
      fd_ = create_temporary(target_, temporary_);
      if (fd_ >= 0 && exists) ::fchmod(fd_, st.st_mode & 07777);
      if (fd_ < 0) {
        target_.clear();
        temporary_.clear();
      }
    } else {
      fd_ = open_for_writing(path, O_CREAT | O_TRUNC);
    }
  }
  if (fd_ < 0) {
    setstate(failbit | badbit);
    return;
  }
  buffer_ = static_cast<char*>(mem_Malloc(kBufferSize));
  out_begin_ = out_ = buffer_;
  out_end_ = buffer_ + kBufferSize;
}

bool aio_ofstream::close() {
  bool ok = fd_ >= 0;
  if (ok) {
    flush_buffer(0);
    ok = !bad();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (!temporary_.empty()) {
      if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) ok = false;
      if (!ok) ::unlink(temporary_.c_str());
      temporary_.clear();
      target_.clear();
    }
    if (!ok) setstate(badbit);
  }
  mem_Free(buffer_);
  buffer_ = nullptr;
  out_begin_ = out_ = discard_;
  out_end_ = discard_ + sizeof discard_;
  return ok;
}

void aio_ofstream::flush_buffer(size_t) {
  // The buffer is emptied completely, which always leaves room enough.
  const char* p = out_begin_;
  size_t n = static_cast<size_t>(out_ - out_begin_);
  out_ = out_begin_;
  if (fd_ < 0) {
    // Text written while no file is open is lost.
    if (n > 0) setstate(badbit);
    return;
  }
  while (n > 0 && !bad()) {
    const ssize_t put = ::write(fd_, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      setstate(badbit);
      break;
    }
    p += put;
    n -= static_cast<size_t>(put);
  }
}
