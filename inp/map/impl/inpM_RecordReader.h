// Internal: the reads that the records of the part file are made of.
//
// Every record reader (part map, set map, sets, surfaces, surface map) reads
// through one of these, which holds the stream and the message that the
// record reports when it cannot be read. The rules are the same everywhere:
//
// - `TestBefore` and `TestEof` are the tests that the stored forms place
//   before an element of a record: they report when the input has run out
//   (and `TestBefore` also when a read failed).
// - Every read reports at once when it fails (the fail or bad bit): a failed
//   stream yields only zeros and empty lines, which would otherwise read as a
//   different record. Reaching the end of the input is no damage by itself,
//   so a complete record that ends the input without a line feed reads as
//   the same record with it, and a record that is cut short between two of
//   its elements is reported by the record whose test comes first on the
//   path, not by a record beneath it that was read whole. A read that a
//   record needs and cannot make is reported by that record.
// - A count is a number of at least 0 (`Count`; the part map's own counts
//   below 0 read as empty lists, through `Integer`).
// - A name is the whole line, at most 131 bytes, kept byte for byte: every
//   byte the line holds, a NUL too, so that what is read is written back
//   unchanged. A longer line is refused rather than cut, since cutting
//   could make two names one.
#ifndef INPM_RECORDREADER_H
#define INPM_RECORDREADER_H

#include <vector>

#include "cow.h"
#include "mem.h"

// What a record reports when it cannot be read. `failed` is a translatable
// format; `subject`, when given, is substituted into it. `atEnd`, when given,
// is reported instead when the input has run out, and `longLine`, when
// given, instead for a line longer than 131 bytes (its first 131 bytes
// substituted).
struct inpM_ReadMessages {
  const char* failed;
  const char* subject = nullptr;
  const char* atEnd = nullptr;
  const char* longLine = nullptr;
};

class inpM_RecordReader {
 public:
  // A name line holds at most this many bytes.
  static constexpr int kMaxLine = 131;

  inpM_RecordReader(aio_istream& in, const inpM_ReadMessages& messages) : in_(in), messages_(messages) {}
  inpM_RecordReader(aio_istream& in, const char* failed) : in_(in), messages_{failed} {}

  aio_istream& Stream() const { return in_; }

  // The test before an element: the input has run out or a read failed.
  void TestBefore() const {
    if ((in_.rdstate() & 7) != 0) Fail();
  }
  // The test before an element that looks at the end-of-file flag alone.
  void TestEof() const {
    if (in_.eof()) Fail();
  }
  // Reports when a read failed.
  void TestRead() const {
    if (in_.fail()) Fail();
  }

  int Integer() {
    const int value = in_.scan_int();
    TestRead();
    return value;
  }
  double Double() {
    const double value = in_.scan_double();
    TestRead();
    return value;
  }
  // A count: an integer of at least 0.
  int Count() {
    const int n = Integer();
    if (n < 0) Fail();
    return n;
  }
  // The rest of the current line, discarded; nothing when the input ended
  // with the number before it.
  void EndLine();
  // A count and the rest of its line.
  int CountLine() {
    const int n = Count();
    EndLine();
    return n;
  }
  // A name line.
  cow_String Name();
  // `n` integers. The stream is tested as before an element before every
  // block of them rather than before every one: once a read fails, every
  // further read yields 0 and consumes nothing, so the block ends at once;
  // the read that follows the ids (every record has one) tests the last.
  // Room for a first block is taken at once, so that usual lists never move
  // while they are read. Neither that room nor a block goes beyond what the
  // rest of the input could hold (inpM_RoomFor), so a damaged count costs no
  // more memory than the input's size.
  std::vector<int> Ids(int n);

  // Reports the record's message; does not return.
  [[noreturn]] void Fail() const;

 private:
  // Reads a line into line_; a line that does not fit is reported.
  void GetLine();

  aio_istream& in_;
  inpM_ReadMessages messages_;
  char line_[kMaxLine + 1];
};

// How many numbers, or lists of numbers, of at least `bytes` bytes each the
// rest of the input could hold (the last without the blank or line end that
// follows the others): the most that a count read from the input may reserve
// room for. Without a known rest, as many as asked.
inline size_t inpM_RoomFor(const aio_istream& in, size_t bytes) {
  const size_t rest = in.remaining();
  return rest == aio_istream::kUnknownRemaining ? rest : rest / bytes + 1;
}

// Counts one level of nested records being read, on the counter that one
// family of records shares in each thread; reports `reader`'s message when
// the records nest more than kMaxDepth deep. Stored records nest a few
// levels at most; a damaged record that keeps opening nested records would
// otherwise recurse until the stack runs out.
class inpM_ReadDepthGuard {
 public:
  static constexpr int kMaxDepth = 100;
  inpM_ReadDepthGuard(int& depth, const inpM_RecordReader& reader) : depth_(depth) {
    if (depth_ >= kMaxDepth) reader.Fail();
    ++depth_;
  }
  ~inpM_ReadDepthGuard() { --depth_; }
  inpM_ReadDepthGuard(const inpM_ReadDepthGuard&) = delete;
  inpM_ReadDepthGuard& operator=(const inpM_ReadDepthGuard&) = delete;

 private:
  int& depth_;
};

// Whether only white space follows in the stream (lines of any length).
bool inpM_RestIsBlank(aio_istream& in);

#endif
