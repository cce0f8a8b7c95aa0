// Allocation (mem_alloc.h) and text streams of the companion layer.
//
// Streams read and write decimal text: integers, doubles in their shortest
// exact form, lines and padded fields, as each class below states. A failed
// read sets the stream's state and reads nothing more until clear(); a
// failed write sets badbit, which close() reports. Streams are used by one
// thread at a time and take no locks.
//
// The per-value paths (scan_int, print_int, put) are inline and work
// directly on the stream's buffer (mem_detail.h); everything that needs
// more input, more room, padding or error handling goes to an out-of-line
// member.
#ifndef KVL_MEM_H
#define KVL_MEM_H

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "kvl_api.h"
#include "mem_alloc.h"

class cow_String;


// The file calls of the file streams, as the fault injection counts them
// and as a failure names them. aio_IoOpen includes setting the mode of a
// replacing file; aio_IoClose is the final close(2) of a file, where a file
// system may report writes that it deferred; aio_IoSyncFolder covers
// opening, syncing and closing the folder after a rename; aio_IoRead is a
// read(2) of aio_ifstream.
enum aio_IoCall : int {
  aio_IoNone,
  aio_IoOpen,
  aio_IoWrite,
  aio_IoClose,
  aio_IoSync,
  aio_IoRename,
  aio_IoSyncFolder,
  aio_IoRead
};

// The name of a call in messages: "open", "write", "close", "fsync",
// "rename", "fsync of the folder", "read" ("" for aio_IoNone).
KVL_API const char* aio_IoCallName(aio_IoCall call);

// Fault injection for tests, in the manner of SQLite's: the calls of
// aio_IoCall made by the calling thread through either file stream are
// counted from the moment a fault is armed, and from the nth of them on
// calls fail with the given errno, as if the system had refused them. State
// is per thread.
//
// The streams retry a call that fails with EINTR (an interrupted call has
// done nothing; POSIX code starts it again), and take EINTR from close(2) as
// success (Linux has released the descriptor all the same, and retrying
// could close another thread's new one). A retry is a call of its own, so
// a transient EINTR is never seen by the stream's user; a persistent one
// would keep a call retrying for ever and is not a fault to arm.
class KVL_API aio_IoFaults {
 public:
  // Transient: only the nth call (counted from 1) fails; n <= 0 disarms.
  static void FailNth(int n, int error);
  // Persistent, as a dead disk: the nth call and every later one fail.
  static void FailFrom(int n, int error);
  static void Disarm() { FailNth(0, 0); }
  // Whether the armed fault has struck, and the first call that it struck.
  static bool Struck();
  static aio_IoCall StruckCall();
};

// State, format flags and field width shared by input and output streams.
class KVL_API aio_ios {
 public:
  enum : int { eofbit = 1, failbit = 2, badbit = 4 };
  // Format flag: numbers too are padded on the right (left-aligned).
  enum : int { left = 2 };

  // Buffer size of the file streams: large enough that a system call costs
  // little per byte, small enough that the window being parsed stays in
  // the second-level cache.
  static constexpr size_t kBufferSize = size_t{1} << 18;

  aio_ios() = default;
  aio_ios(const aio_ios&) = delete;
  aio_ios& operator=(const aio_ios&) = delete;
  virtual ~aio_ios();

  int rdstate() const { return state_; }
  bool eof() const { return (state_ & eofbit) != 0; }
  bool fail() const { return (state_ & (failbit | badbit)) != 0; }
  bool bad() const { return (state_ & badbit) != 0; }
  bool good() const { return state_ == 0; }
  void clear(int state = 0) { state_ = state; }
  void setstate(int bits) { state_ |= bits; }

  // Format flags stay set until changed. Only `left` changes what is
  // written, and only the side on which a number is padded: integers are
  // always decimal and doubles always in their shortest exact form, so that
  // what one program writes every other one reads back bit for bit. Other
  // flags (0x2000, which callers add before a padded field) are kept for
  // callers that set and restore them.
  int flags() const { return flags_; }
  // With mask 0 the given flags are added; otherwise the bits of mask are
  // replaced by those of flags. Returns the previous flags.
  int setf(int flags, int mask);

  // Field width of the next value written only; it goes back to 0 after
  // that value. A negative width counts as 0. Returns the previous width.
  int width() const { return width_; }
  int width(int w);

  // Ends the stream's use of its file; true on success. Streams without a
  // file (string streams) have nothing to release: true unless badbit is set.
  virtual bool close();

  // For file streams: the errno of the first failed file call since open,
  // and that call; 0 and aio_IoNone when none failed (and always for string
  // streams).
  int error() const { return error_; }
  aio_IoCall failed_call() const { return failed_call_; }

 protected:
  // Records the first failure (errno, EIO when it is 0) and sets badbit.
  void record_failure(aio_IoCall call);

  int state_ = 0;
  int flags_ = 0;
  int width_ = 0;
  int error_ = 0;
  aio_IoCall failed_call_ = aio_IoNone;
};

// Reads text from a buffer window [cur_, end_). Derived streams supply the
// bytes through refill(); a string stream has all of them from the start.
//
// Numbers: white space (blank, \t, \n, \v, \f, \r) is skipped, then an
// optional sign and the number itself are consumed. A missing number or a
// value out of range sets failbit and returns 0. Reaching the end of the
// input while skipping or reading sets eofbit, and failbit too when no number
// was read. Once failbit or badbit is set, reads return 0 (or an empty line)
// and consume nothing until clear().
//
// A '\r' before '\n' is ordinary white space for the number readers and is
// kept as part of the line by getline: line ends are a single '\n'.
class KVL_API aio_istream : public virtual aio_ios {
 public:
  int scan_int();
  // Up to n pairs into a[i], b[i], as 2n calls of scan_int would read them;
  // the number of whole pairs read is returned, and reading stops at the
  // first number that fails. The read position stays in a register between
  // numbers.
  int scan_int_pairs(int* a, int* b, int n);
  // n integers into out, as n calls of scan_int would read them (after a
  // number that fails, the rest are 0); the number read before a failure is
  // returned.
  int scan_ints(int* out, int n);

  // Decimal floating-point text as strtod reads it (sign, digits with an
  // optional point, optional exponent; also inf, infinity and nan), so that
  // it reads back exactly what print_double writes. Hexadecimal forms are
  // not read: "0x1p3" reads as 0 followed by "x1p3". An exponent marker not
  // followed by digits is left unread. A value whose magnitude is too large
  // for a double, or that is not zero but rounds to zero, sets failbit.
  // Number texts longer than kMaxNumberText bytes set failbit.
  double scan_double();

  // Reads the rest of the current line. Up to size-1 bytes and a NUL are
  // stored; the '\n' is consumed but not stored. A longer line stores its
  // first size-1 bytes, sets failbit and leaves the rest unread, so that a
  // reader can tell an over-long line from one that fits. At the end of the
  // input with nothing read: eofbit|failbit. A last line without '\n' is
  // stored and sets eofbit. A size below 1 stores nothing and sets failbit.
  aio_istream& getline(char* buf, int size);
  // Bytes stored by the last getline.
  int gcount() const { return gcount_; }

  static constexpr int kMaxNumberText = 4096;

  // How many bytes are left to read, at most: what the window holds and what
  // the input holds beyond it (a file's size at open, less what was read
  // since), or kUnknownRemaining when the stream cannot tell (a pipe, a
  // device). Readers cap a reservation sized by a count read from the input
  // at what the rest of the input could hold, so that a damaged count costs
  // no memory; a file that grows while it is read is still read whole, only
  // its reservations stay smaller.
  static constexpr size_t kUnknownRemaining = SIZE_MAX;
  size_t remaining() const {
    return unread_ == kUnknownRemaining ? kUnknownRemaining : static_cast<size_t>(end_ - cur_) + unread_;
  }

 protected:
  // Makes more input available after the bytes in [cur_, end_), which are
  // kept (possibly moved; cur_ and end_ are updated). Returns false when
  // nothing could be added: the input is at its end, a read failed (the
  // stream then sets badbit) or the window already fills the buffer.
  virtual bool refill();

  const char* cur_ = nullptr;
  const char* end_ = nullptr;
  // Bytes of the input that refill() has not yet brought into the window.
  size_t unread_ = kUnknownRemaining;

 private:
  int scan_int_slow();
  // The common case of scan_int on a position of its own: a number that lies
  // wholly in the window with the byte after it, at most 10 digits and in
  // range. False (p possibly past white space) for anything else.
  bool scan_int_fast(const char*& p, int& out) const;
  // The bulk path of scan_ints: whole 64-byte pieces of the window that hold
  // only digits and white space, their numbers found from bit masks of both
  // kinds of byte, so that no number waits for the one before it. Reads up
  // to n numbers of at most 8 digits and returns how many; p ends at a
  // number boundary, where the number-by-number path carries on.
  int scan_int_block(const char*& p, int* out, int n) const;
  bool skip_space();

  int gcount_ = 0;
};

// Writes text into a buffer window [out_, out_end_); derived streams take the
// bytes from [out_begin_, out_) in flush_buffer().
//
// Field padding: a value shorter than the pending width is padded with
// blanks to that width, text (print, put and cow_String) on the right so that
// it is left-aligned, numbers (print_int, print_double) on the left so that
// they are right-aligned, or on the right too while the flag `left` is set.
// A value longer than the width is written whole. The width is then 0 again.
class KVL_API aio_ostream : public virtual aio_ios {
 public:
  aio_ostream& print(const char* s);
  aio_ostream& print(const char* s, size_t n);
  aio_ostream& print_int(int v);
  // The shortest text that reads back to the same double (0.5 -> "0.5",
  // 2 -> "2", 1e-07 -> "1e-07"); infinities and NaN as "inf", "-inf",
  // "nan", "-nan".
  aio_ostream& print_double(double v);
  aio_ostream& put(char c);
  // Hands buffered text to the file; a failed write sets badbit.
  aio_ostream& flush();

 protected:
  // Takes the text in [out_begin_, out_) and leaves room for at least
  // `room` bytes (at most kMinRoom) at out_.
  virtual void flush_buffer(size_t room) = 0;

  // Every buffer offers at least this much room after flush_buffer, enough
  // for any formatted number.
  static constexpr size_t kMinRoom = 64;

  char* out_begin_ = nullptr;
  char* out_ = nullptr;
  char* out_end_ = nullptr;

 private:
  void write_padded(const char* s, size_t n, bool right_align);
  void write_bytes(const char* s, size_t n);
  aio_ostream& print_int_slow(int v);
};

// A file read in large blocks into a fixed buffer, so memory stays bounded
// whatever the file's size.
class KVL_API aio_ifstream final : public aio_istream {
 public:
  aio_ifstream();
  explicit aio_ifstream(const char* path);
  ~aio_ifstream() override;

  // A file that cannot be opened sets failbit|badbit; a successful open
  // clears the state. A failed read sets badbit; the input ends there.
  // error() and failed_call() say what failed first.
  void open(const char* path);
  // False when no file was open or closing failed (error() tells which).
  bool close() override;

 private:
  bool refill() override;

  char* buffer_ = nullptr;
  int fd_ = -1;
  bool at_end_ = true;
};

// A file written through a large buffer with write(2).
//
// replace = false creates the file, or truncates an existing one, and writes
// it in place. replace = true writes into a new file of a unique name in the
// same directory (given the mode of the file it replaces), and at close()
// syncs it to disk, renames it over the target and syncs the directory, so
// that the target holds either its old or its whole new contents, even after
// a crash; when anything fails before the rename, the temporary file is
// removed and the target is left as it was. (Targets that are not regular
// files, such as devices, are written in place.) Write errors set badbit;
// close() reports them by returning false, and error() and failed_call() say
// what failed first.
class KVL_API aio_ofstream final : public aio_ostream {
 public:
  aio_ofstream();
  aio_ofstream(const char* path, bool replace);
  ~aio_ofstream() override;

  // A file that cannot be created sets failbit|badbit; a successful open
  // clears the state.
  void open(const char* path, bool replace);
  // Writes what is buffered and closes the file (replacing the target);
  // false when no file was open or any call failed. After a failed sync of
  // the folder the target is already replaced.
  bool close() override;

 private:
  void flush_buffer(size_t room) override;
  bool commit();

  char* buffer_ = nullptr;
  char discard_[kMinRoom];  // the window while no file is open
  int fd_ = -1;
  std::string target_;  // set only while writing to a temporary file
  std::string temporary_;
};

// Input from a string held by the stream.
class KVL_API aio_istringstream final : public aio_istream {
 public:
  explicit aio_istringstream(std::string text);

 private:
  std::string text_;
};

// Output collected in a string.
class KVL_API aio_ostringstream final : public aio_ostream {
 public:
  aio_ostringstream();
  std::string str() const { return std::string(out_begin_, out_); }

 private:
  void flush_buffer(size_t room) override;

  std::string text_;
};

// Writes v[0], v[1], ... v[n - 1] at p, each followed by a separator:
// `even` after those of even index, `odd` after the others (a blank and a
// line end give the "key value" lines of a table), and returns the end.
// Room for n * 12 + 64 bytes from p must be writable: whole vectors are
// stored. With 512-bit vectors (see aio_istream::scan_int_block) eight
// numbers below 10^8 are formatted at once; other numbers one by one.
KVL_API char* aio_format_ints(char* p, const int* v, int n, char even, char odd);
constexpr int aio_format_ints_room(int n) { return 12 * n + 64; }

// Numbers written through a stream in bulk: Add keeps a number, and every
// kInts of them are formatted at once (aio_format_ints, with the same
// separators) and printed; Flush writes what is held. The separators
// alternate from the first number after each Flush.
class aio_int_writer {
 public:
  aio_int_writer(aio_ostream& out, char even, char odd) : out_(out), even_(even), odd_(odd) {}
  aio_int_writer(const aio_int_writer&) = delete;
  aio_int_writer& operator=(const aio_int_writer&) = delete;
  void Add(int v) {
    held_[n_++] = v;
    if (n_ == kInts) Flush();
  }
  void Flush() {
    const char* end = aio_format_ints(text_, held_, n_, even_, odd_);
    out_.print(text_, static_cast<size_t>(end - text_));
    n_ = 0;
  }

 private:
  static constexpr int kInts = 512;  // even, so that pairs stay whole
  aio_ostream& out_;
  const char even_, odd_;
  int n_ = 0;
  int held_[kInts];
  char text_[aio_format_ints_room(kInts)];
};

// Writes the string's bytes as text (padded like text).
KVL_API aio_ostream& operator<<(aio_ostream& os, const cow_String& s);

#include "mem_detail.h"

#endif
