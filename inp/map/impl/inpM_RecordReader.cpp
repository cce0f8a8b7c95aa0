#include "inpM_RecordReader.h"

#include <algorithm>

#include "inpM_Messages.h"

void inpM_RecordReader::Fail() const {
  const char* message = messages_.failed;
  if (messages_.atEnd && in_.eof()) message = messages_.atEnd;
  if (message == messages_.failed && messages_.subject) inpM_ReportError(message, messages_.subject);
  inpM_ReportError(message);
}

void inpM_RecordReader::GetLine() {
  in_.getline(line_, kMaxLine + 1);
  if (in_.rdstate() != aio_ios::failbit || in_.gcount() != kMaxLine) return;
  if (messages_.longLine) inpM_ReportError(messages_.longLine, cow_String(line_, kMaxLine));
  Fail();
}

// A number that ended the input set the end-of-file flag: its line has no
// rest, and asking for one would fail.
void inpM_RecordReader::EndLine() {
  TestRead();
  if (in_.eof()) return;
  GetLine();
  TestRead();
}

cow_String inpM_RecordReader::Name() {
  GetLine();
  TestRead();
  return cow_String(line_, in_.gcount());
}

// An id takes at least two bytes: a digit and the blank after it.
std::vector<int> inpM_RecordReader::Ids(int n) {
  constexpr size_t kBlock = 4096;
  constexpr size_t kReserve = 65536;
  constexpr size_t kIdBytes = 2;
  std::vector<int> ids;
  ids.reserve(std::min({static_cast<size_t>(std::max(n, 0)), kReserve, inpM_RoomFor(in_, kIdBytes)}));
  for (int done = 0; done < n;) {
    TestBefore();
    const int m = static_cast<int>(std::min({kBlock, static_cast<size_t>(n - done), inpM_RoomFor(in_, kIdBytes)}));
    ids.resize(ids.size() + static_cast<size_t>(m));
    in_.scan_ints(ids.data() + done, m);
    done += m;
  }
  return ids;
}

bool inpM_RestIsBlank(aio_istream& in) {
  char line[inpM_RecordReader::kMaxLine + 1];
  for (;;) {
    in.getline(line, sizeof line);
    for (int i = 0; i < in.gcount(); ++i)
      if (!aio_is_space(line[i])) return false;
    if (in.eof()) return true;
    if (in.fail()) {
      if (in.gcount() != inpM_RecordReader::kMaxLine) return true;
      in.clear(in.rdstate() & ~aio_ios::failbit);  // a long line: go on
    }
  }
}
