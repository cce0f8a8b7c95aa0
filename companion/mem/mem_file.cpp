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

namespace {

// The calling thread's armed fault.
struct Faults {
  int countdown = 0;  // calls left until the fault; 0: none armed
  bool persistent = false;
  int error = 0;
  aio_IoCall struck = aio_IoNone;
};
thread_local Faults faults;

// Whether the call of this kind is one to fail; sets errno when it is. A
// persistent fault stays at its last count, so that every later call fails.
bool inject(aio_IoCall call) {
  if (faults.countdown <= 0) return false;
  if (faults.countdown > 1) {
    --faults.countdown;
    return false;
  }
  if (!faults.persistent) faults.countdown = 0;
  if (faults.struck == aio_IoNone) faults.struck = call;
  errno = faults.error;
  return true;
}

// Makes a system call, or fails it by injection, until it ends otherwise
// than with EINTR: an interrupted call has done nothing, and starting it
// again is what POSIX asks of its callers.
template <class Call>
auto retried(aio_IoCall call, Call system) {
  decltype(system()) rc;
  do rc = inject(call) ? -1 : system();
  while (rc < 0 && errno == EINTR);
  return rc;
}

int io_open(const char* path, int flags, aio_IoCall call) {
  return retried(call, [&] { return ::open(path, O_CLOEXEC | flags, 0666); });
}

ssize_t io_read(int fd, char* p, size_t n) {
  return retried(aio_IoRead, [&] { return ::read(fd, p, n); });
}

ssize_t io_write(int fd, const char* p, size_t n) {
  const ssize_t put = retried(aio_IoWrite, [&] { return ::write(fd, p, n); });
  if (put == 0) errno = EIO;  // a regular file never takes nothing
  return put;
}

int io_fsync(int fd, aio_IoCall call) {
  return retried(call, [&] { return ::fsync(fd); });
}

// The descriptor is released whatever happens: a failed close(2) on Linux
// has closed it all the same, so it is never retried. EINTR is success: it
// reports no lost data (a replaced file was synced before its close, and
// the failures of deferred writes come as EIO or ENOSPC).
int io_close(int fd, aio_IoCall call) {
  const bool injected = inject(call);
  const int saved = errno;
  int rc = ::close(fd);
  if (injected) {
    errno = saved;
    rc = -1;
  }
  return rc != 0 && errno == EINTR ? 0 : rc;
}

int io_fchmod(int fd, mode_t mode) {
  return retried(aio_IoOpen, [&] { return ::fchmod(fd, mode); });
}

int io_rename(const char* from, const char* to) {
  return retried(aio_IoRename, [&] { return std::rename(from, to); });
}

}  // namespace

const char* aio_IoCallName(aio_IoCall call) {
  switch (call) {
    case aio_IoOpen: return "open";
    case aio_IoWrite: return "write";
    case aio_IoClose: return "close";
    case aio_IoSync: return "fsync";
    case aio_IoRename: return "rename";
    case aio_IoSyncFolder: return "fsync of the folder";
    case aio_IoRead: return "read";
    case aio_IoNone: break;
  }
  return "";
}

void aio_IoFaults::FailNth(int n, int error) { faults = {n > 0 ? n : 0, false, error, aio_IoNone}; }
void aio_IoFaults::FailFrom(int n, int error) { faults = {n > 0 ? n : 0, true, error, aio_IoNone}; }
bool aio_IoFaults::Struck() { return faults.struck != aio_IoNone; }
aio_IoCall aio_IoFaults::StruckCall() { return faults.struck; }

void aio_ios::record_failure(aio_IoCall call) {
  if (failed_call_ == aio_IoNone) {
    error_ = errno != 0 ? errno : EIO;
    failed_call_ = call;
  }
  setstate(badbit);
}

// ---------------------------------------------------------------------------
// aio_ifstream

aio_ifstream::aio_ifstream() = default;

aio_ifstream::aio_ifstream(const char* path) { open(path); }

aio_ifstream::~aio_ifstream() { close(); }

void aio_ifstream::open(const char* path) {
  close();
  clear();
  error_ = 0;
  failed_call_ = aio_IoNone;
  bool opened = false;
  struct stat st;
  if (path == nullptr) {
    errno = ENOENT;
  } else if ((fd_ = io_open(path, O_RDONLY, aio_IoOpen)) >= 0) {
    opened = ::fstat(fd_, &st) == 0;
    if (opened && S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      opened = false;
    }
  }
  if (!opened) {
    record_failure(aio_IoOpen);
    close();
    clear(failbit | badbit);
    return;
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (buffer_ == nullptr) buffer_ = static_cast<char*>(mem_Malloc(kBufferSize));
  cur_ = end_ = buffer_;
  unread_ = S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : kUnknownRemaining;
  at_end_ = false;
}

bool aio_ifstream::close() {
  cur_ = end_ = nullptr;
  unread_ = 0;
  at_end_ = true;
  mem_Free(buffer_);
  buffer_ = nullptr;
  if (fd_ < 0) return false;
  const bool ok = io_close(fd_, aio_IoClose) == 0;
  if (!ok) record_failure(aio_IoClose);
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
  const ssize_t got = io_read(fd_, buffer_ + kept, kBufferSize - kept);
  if (got <= 0) {
    if (got < 0) record_failure(aio_IoRead);
    at_end_ = true;
    return false;
  }
  end_ += got;
  if (unread_ != kUnknownRemaining) unread_ -= std::min(unread_, static_cast<size_t>(got));
  return true;
}

// ---------------------------------------------------------------------------
// aio_ofstream

namespace {

// A new file beside `target` whose name no other file has; -1 on failure.
// The name is the target's, cut so that it stays within the usual limit of a
// name in a directory, followed by ".tmp", the process id and a counter of
// the process: unique between the threads of a process and between
// processes.
int create_temporary(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = target.rfind('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::string stem = target.substr(0, base + std::min<size_t>(target.size() - base, 200));
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = io_open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, aio_IoOpen);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The folder that holds `path` ("." for a bare name).
std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

aio_ofstream::aio_ofstream() {
  out_begin_ = out_ = discard_;
  out_end_ = discard_ + sizeof discard_;
}

aio_ofstream::aio_ofstream(const char* path, bool replace) : aio_ofstream() { open(path, replace); }

aio_ofstream::~aio_ofstream() { close(); }

void aio_ofstream::open(const char* path, bool replace) {
  close();
  clear();
  error_ = 0;
  failed_call_ = aio_IoNone;
  if (path == nullptr || *path == '\0') {
    errno = ENOENT;
    record_failure(aio_IoOpen);
  } else {
    struct stat st;
    const bool exists = ::stat(path, &st) == 0;
    if (replace && (!exists || S_ISREG(st.st_mode))) {
      // Through a symbolic link the file replaced is the one it names.
      char* real = exists ? ::realpath(path, nullptr) : nullptr;
      target_ = real != nullptr ? real : path;
      std::free(real);
      fd_ = create_temporary(target_, temporary_);
      if (fd_ < 0) {
        record_failure(aio_IoOpen);
      } else if (exists && io_fchmod(fd_, st.st_mode & 07777) != 0) {
        record_failure(aio_IoOpen);
        ::close(fd_);
        fd_ = -1;
        ::unlink(temporary_.c_str());
      }
      if (fd_ < 0) {
        target_.clear();
        temporary_.clear();
      }
    } else {
      fd_ = io_open(path, O_WRONLY | O_CREAT | O_TRUNC, aio_IoOpen);
      if (fd_ < 0) record_failure(aio_IoOpen);
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

// Puts the synced temporary file in place and syncs its folder, so that the
// rename itself survives a crash.
bool aio_ofstream::commit() {
  if (io_rename(temporary_.c_str(), target_.c_str()) != 0) {
    record_failure(aio_IoRename);
    ::unlink(temporary_.c_str());
    return false;
  }
  const int folder = io_open(folder_of(target_).c_str(), O_RDONLY | O_DIRECTORY, aio_IoSyncFolder);
  if (folder < 0) {
    record_failure(aio_IoSyncFolder);
    return false;
  }
  const bool synced = io_fsync(folder, aio_IoSyncFolder) == 0;
  if (!synced) record_failure(aio_IoSyncFolder);
  const bool closed = io_close(folder, aio_IoSyncFolder) == 0;
  if (synced && !closed) record_failure(aio_IoSyncFolder);
  return synced && closed;
}

bool aio_ofstream::close() {
  bool ok = fd_ >= 0;
  if (ok) {
    flush_buffer(0);
    ok = !bad();
    const bool replacing = !temporary_.empty();
    if (ok && replacing && io_fsync(fd_, aio_IoSync) != 0) {
      record_failure(aio_IoSync);
      ok = false;
    }
    if (io_close(fd_, aio_IoClose) != 0) {
      record_failure(aio_IoClose);
      ok = false;
    }
    fd_ = -1;
    if (replacing) {
      if (ok) {
        ok = commit();
      } else {
        ::unlink(temporary_.c_str());
      }
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
    const ssize_t put = io_write(fd_, p, n);
    if (put <= 0) {
      record_failure(aio_IoWrite);
      break;
    }
    p += put;
    n -= static_cast<size_t>(put);
  }
}
