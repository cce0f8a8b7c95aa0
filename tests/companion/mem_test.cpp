#include "mem.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "cow.h"

namespace {

constexpr int kEofFail = aio_ios::eofbit | aio_ios::failbit;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// ---------------------------------------------------------------------------
// Integers and state

TEST(ScanInt, StateBitsAtEndAndOnGarbage) {
  aio_istringstream a("12 -7\n");
  EXPECT_EQ(a.scan_int(), 12);
  EXPECT_EQ(a.scan_int(), -7);
  EXPECT_TRUE(a.good());  // the line feed ended the number, not the input
  EXPECT_EQ(a.scan_int(), 0);
  EXPECT_EQ(a.rdstate(), kEofFail);

  aio_istringstream b("42");
  EXPECT_EQ(b.scan_int(), 42);
  EXPECT_EQ(b.rdstate(), aio_ios::eofbit);
  EXPECT_EQ(b.scan_int(), 0);
  EXPECT_EQ(b.rdstate(), kEofFail);

  for (const char* empty : {"", " \t\n\v\f\r "}) {
    aio_istringstream c(empty);
    EXPECT_EQ(c.scan_int(), 0);
    EXPECT_EQ(c.rdstate(), kEofFail) << '"' << empty << '"';
  }
}

TEST(ScanInt, FailureIsStickyAndConsumesNothing) {
  aio_istringstream in("  abc 5\nnext\n");
  EXPECT_EQ(in.scan_int(), 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  char line[132];
  EXPECT_EQ(in.scan_int(), 0);
  EXPECT_EQ(in.scan_double(), 0.0);
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(in.gcount(), 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  in.clear();
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "abc 5");
}

TEST(ScanInt, SignsAndBounds) {
  const std::string pad(16, ' ');  // pads the window so both paths are taken
  for (const std::string& tail : {std::string(), pad}) {
    auto scan = [&](const char* text, int* state) {
      aio_istringstream in(text + tail);
      const int v = in.scan_int();
      *state = in.rdstate() & ~aio_ios::eofbit;
      return v;
    };
    struct Case {
      const char* text;
      int value;
      int state;
    } cases[] = {{"+5", 5, 0},
                 {"-0", 0, 0},
                 {"2147483647", INT_MAX, 0},
                 {"-2147483648", INT_MIN, 0},
                 {"000000000000000000042", 42, 0},
                 {"-00000000000002147483648", INT_MIN, 0},
                 {"2147483648", 0, aio_ios::failbit},
                 {"-2147483649", 0, aio_ios::failbit},
                 {"99999999999999999999", 0, aio_ios::failbit},
                 {"-", 0, aio_ios::failbit},
                 {"- 5", 0, aio_ios::failbit},
                 {"--5", 0, aio_ios::failbit},
                 {"12abc", 12, 0},
                 {"12345678:", 12345678, 0},
                 {"123456789/", 123456789, 0},
                 {"1234567\xb1", 1234567, 0},
                 {"\xb1", 0, aio_ios::failbit},
                 {"4294967295", 0, aio_ios::failbit}};
    for (const Case& c : cases) {
      int state = 0;
      EXPECT_EQ(scan(c.text, &state), c.value) << c.text << " tail " << tail.size();
      EXPECT_EQ(state, c.state) << c.text << " tail " << tail.size();
    }
  }
}

// The stated rules, one byte at a time, as a reference for the buffered
// reader with its whole-word fast path.
int ReferenceScanInt(const std::string& s, size_t& pos, int& state) {
  while (pos < s.size() && std::string_view(" \t\n\v\f\r").find(s[pos]) != std::string_view::npos) ++pos;
  if (pos == s.size()) {
    state = kEofFail;
    return 0;
  }
  const bool negative = s[pos] == '-';
  if (s[pos] == '-' || s[pos] == '+') ++pos;
  long long v = 0;
  size_t digits = 0;
  for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos, ++digits)
    v = std::min(v * 10 + (s[pos] - '0'), 1LL << 40);
  state = pos == s.size() ? aio_ios::eofbit : 0;
  if (negative) v = -v;
  if (digits == 0 || v < INT_MIN || v > INT_MAX) {
    state |= aio_ios::failbit;
    return 0;
  }
  return static_cast<int>(v);
}

TEST(ScanInt, AgreesWithTheRulesOnRandomText) {
  // Bytes around the edges of the digit range, with and without the top bit.
  const std::string alphabet = "0123456789012345678901234567890123456789  \n\r\t+-/:a\xb0\xb9\xff";
  std::mt19937 rng(5);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    const size_t length = rng() % 40;
    for (size_t i = 0; i < length; ++i) text += alphabet[rng() % alphabet.size()];
    aio_istringstream in(text);
    size_t pos = 0;
    for (int state = 0; state == 0;) {
      const int expected = ReferenceScanInt(text, pos, state);
      ASSERT_EQ(in.scan_int(), expected) << '"' << text << '"';
      ASSERT_EQ(in.rdstate(), state) << '"' << text << '"';
    }
  }
}

TEST(ScanInt, OverlongNumberIsConsumedWhole) {
  aio_istringstream in("2147483648 7\n");
  EXPECT_EQ(in.scan_int(), 0);
  EXPECT_TRUE(in.fail());
  in.clear();
  EXPECT_EQ(in.scan_int(), 7);
}

TEST(ScanInt, CarriageReturnIsWhiteSpace) {
  aio_istringstream in("5\r\n6\r\n");
  int a = 0, b = 0;
  EXPECT_TRUE(in.scan_int_pair(a, b));
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 6);
}

// ---------------------------------------------------------------------------
// Lines

TEST(Getline, LineOf131FitsAnd132DoesNot) {
  const std::string fits(131, 'a'), too_long(132, 'b');
  aio_istringstream in(fits + "\n" + too_long + "\n" + std::string(200, 'c') + "\nend");
  char line[132];
  in.getline(line, sizeof line);
  EXPECT_TRUE(in.good());
  EXPECT_EQ(in.gcount(), 131);
  EXPECT_EQ(line, fits);

  in.getline(line, sizeof line);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  EXPECT_EQ(line, too_long.substr(0, 131));
  in.clear();
  in.getline(line, sizeof line);  // the rest of the over-long line
  EXPECT_STREQ(line, "b");

  in.getline(line, sizeof line);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  in.clear();
  in.getline(line, sizeof line);
  EXPECT_EQ(std::string(line), std::string(69, 'c'));

  in.getline(line, sizeof line);  // last line without line feed
  EXPECT_STREQ(line, "end");
  EXPECT_EQ(in.rdstate(), aio_ios::eofbit);
  in.getline(line, sizeof line);
  EXPECT_EQ(in.rdstate(), kEofFail);
  EXPECT_EQ(in.gcount(), 0);
}

TEST(Getline, EmptyLinesCrlfAndTinyBuffers) {
  aio_istringstream in("3\nNAME\r\n\nx\n");
  char line[132];
  EXPECT_EQ(in.scan_int(), 3);
  in.getline(line, sizeof line);  // the rest of the number's line
  EXPECT_STREQ(line, "");
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "NAME\r");
  char one[1];
  in.getline(one, 1);
  EXPECT_TRUE(in.good());
  in.getline(one, 1);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  in.clear();
  in.getline(line, 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
}

// ---------------------------------------------------------------------------
// Doubles

TEST(ScanDouble, ReadsBackWhatPrintDoubleWrites) {
  aio_ostringstream out;
  out.print_double(0.5).put(' ').print_double(2).put(' ').print_double(1e-07).put(' ');
  out.print_double(-0.0).put(' ').print_double(HUGE_VAL).put(' ').print_double(-HUGE_VAL);
  EXPECT_EQ(out.str(), "0.5 2 1e-07 -0 inf -inf");

  std::mt19937_64 rng(11);
  std::vector<double> values = {5e-324, 1.7976931348623157e308, -2.2250738585072014e-308};
  while (values.size() < 100000) {
    const double d = std::bit_cast<double>(rng());
    if (!std::isnan(d)) values.push_back(d);
  }
  aio_ostringstream text;
  for (double d : values) text.print_double(d).put('\n');
  aio_istringstream in(text.str());
  for (double d : values) ASSERT_EQ(std::bit_cast<uint64_t>(in.scan_double()), std::bit_cast<uint64_t>(d));
  EXPECT_TRUE(in.good());

  aio_ostringstream nan;
  nan.print_double(std::nan(""));
  aio_istringstream nan_in(nan.str());
  EXPECT_TRUE(std::isnan(nan_in.scan_double()));
}

TEST(ScanDouble, StrtodForms) {
  struct Case {
    const char* text;
    double value;
    const char* rest;  // the rest of the line after the number
  } cases[] = {
      {"  +1.5|", 1.5, "|"},          {".5|", 0.5, "|"},    {"5.|", 5.0, "|"},   {"1E3|", 1000, "|"},
      {"-2.5e-3|", -2.5e-3, "|"},     {"1e|", 1, "e|"},     {"1e+x", 1, "e+x"},  {"INF|", HUGE_VAL, "|"},
      {"-Infinity|", -HUGE_VAL, "|"}, {"0x1p3", 0, "x1p3"}, {"0e999999", 0, ""},
  };
  const std::string tiny = "0." + std::string(99, '0') + "1";
  aio_istringstream tiny_in(tiny);
  EXPECT_EQ(tiny_in.scan_double(), 1e-100);
  for (const Case& c : cases) {
    aio_istringstream in(c.text);
    EXPECT_EQ(in.scan_double(), c.value) << c.text;
    EXPECT_FALSE(in.fail()) << c.text;
    char rest[132];
    in.getline(rest, sizeof rest);
    EXPECT_STREQ(rest, c.rest) << c.text;
  }
  aio_istringstream nan("nan(123) x");
  EXPECT_TRUE(std::isnan(nan.scan_double()));
  EXPECT_EQ(nan.scan_int(), 0);  // "x" is next
  for (const std::string& bad :
       std::vector<std::string>{"abc", ".", "-", "1e400", "-1e-400", "1" + std::string(5000, '0')}) {
    aio_istringstream in(bad + " ");
    EXPECT_EQ(in.scan_double(), 0.0) << bad;
    EXPECT_EQ(in.rdstate(), aio_ios::failbit) << bad;
  }
}

// ---------------------------------------------------------------------------
// Output

TEST(Print, NumbersAndText) {
  aio_ostringstream out;
  out.print_int(0).put(' ').print_int(-1).put(' ').print_int(INT_MIN).put(' ').print_int(INT_MAX);
  out.print(" x").print("yz", 1).print(nullptr).put('\n');
  out << cow_String("a\0b", 3);
  EXPECT_EQ(out.str(), std::string("0 -1 -2147483648 2147483647 xy\na\0b", 34));
}

TEST(Print, IntPairLines) {
  aio_ostringstream out;
  out.print_int_pair(INT_MAX, INT_MIN).print_int_pair(0, -1);
  out.width(4);
  out.print_int_pair(7, 8);  // the width pads the first number only
  out.print_int_pair(-12, 345);
  EXPECT_EQ(out.str(), "2147483647 -2147483648\n0 -1\n   7 8\n-12 345\n");
}

TEST(Print, FieldPaddingAndWidthReset) {
  aio_ostringstream out;
  out.width(5);
  out.print_int(42).print_int(7).put('|');  // right-aligned, then no width
  out.width(5);
  out.print("ab").put('|');  // left-aligned
  out.width(6);
  out.print_double(0.5).put('|');
  out.width(3);
  out.put('x').put('|');
  out.width(2);
  out.print_int(12345).put('|');  // too long: written whole
  out.width(4);
  out.print(" ").put('|');  // an indentation of two levels
  out.width(6);
  out << cow_String("AB");
  out.put('|');
  EXPECT_EQ(out.str(), "   427|ab   |   0.5|x  |12345|    |AB    |");
  EXPECT_EQ(out.width(), 0);
}

TEST(Print, FlagsDoNotChangeTheText) {
  aio_ostringstream plain, flagged;
  EXPECT_EQ(flagged.setf(2, 0), 0);
  EXPECT_EQ(flagged.setf(0x2000, 0), 2);
  EXPECT_EQ(flagged.setf(0, 2), 0x2002);
  EXPECT_EQ(flagged.flags(), 0x2000);
  for (aio_ostringstream* s : {&plain, &flagged}) {
    s->width(8);
    s->print_int(-31).print_double(1.25).put('\n');
  }
  EXPECT_EQ(flagged.str(), plain.str());
  EXPECT_EQ(plain.width(-3), 0);
  EXPECT_EQ(plain.width(), 0);
}

TEST(Print, LongOutputGrowsTheString) {
  aio_ostringstream out;
  std::string expected;
  for (int i = -50000; i < 50000; ++i) {
    out.print_int(i).put('\n');
    expected += std::to_string(i) + "\n";
  }
  EXPECT_EQ(out.str(), expected);
}

// ---------------------------------------------------------------------------
// Files

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mem_test.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return dir_ + "/" + name; }
  int EntryCount() const {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  std::string dir_;
};

TEST_F(Files, RoundTripInBothModes) {
  for (bool replace : {false, true}) {
    const std::string path = Path("part.prt");
    Spit(path, "old text that is longer than the new\n");
    {
      aio_ofstream out(path.c_str(), replace);
      ASSERT_TRUE(out.good());
      out.print_int(1).put(' ').print_int(-2).put('\n').print("BLOCK-1\n").print_double(0.25).put('\n');
      EXPECT_TRUE(out.close());
      EXPECT_FALSE(out.close());  // nothing open any more
    }
    EXPECT_EQ(Slurp(path), "1 -2\nBLOCK-1\n0.25\n");
    EXPECT_EQ(EntryCount(), 1);  // no temporary left behind

    aio_ifstream in(path.c_str());
    char name[132];
    EXPECT_EQ(in.scan_int(), 1);
    EXPECT_EQ(in.scan_int(), -2);
    in.getline(name, sizeof name).getline(name, sizeof name);
    EXPECT_STREQ(name, "BLOCK-1");
    EXPECT_EQ(in.scan_double(), 0.25);
    EXPECT_TRUE(in.good());
    EXPECT_EQ(in.scan_int(), 0);
    EXPECT_EQ(in.rdstate(), kEofFail);
    EXPECT_TRUE(in.close());
  }
}

// Every token kind split at every position across the read buffer's edge.
TEST_F(Files, TokensAcrossBufferEdges) {
  const std::string tail = "-1234567890 3.5e-7 a name line\n0000000000000000000017\n";
  for (size_t shift = 1; shift <= 24; ++shift) {
    const std::string path = Path("edge.txt");
    Spit(path, std::string(aio_ios::kBufferSize - shift, ' ') + tail);
    aio_ifstream in(path.c_str());
    char line[132];
    EXPECT_EQ(in.scan_int(), -1234567890) << shift;
    EXPECT_EQ(in.scan_double(), 3.5e-7) << shift;
    in.getline(line, sizeof line);
    EXPECT_STREQ(line, " a name line") << shift;
    EXPECT_EQ(in.scan_int(), 17) << shift;
    EXPECT_TRUE(in.good()) << shift;
  }
}

TEST_F(Files, LargeIdTable) {
  const std::string path = Path("ids.txt");
  std::mt19937 rng(3);
  std::vector<int> ids(300000);
  for (int& id : ids) id = static_cast<int>(rng());
  {
    aio_ofstream out(path.c_str(), true);
    // Lines written both ways, so that each meets the buffer's end.
    for (size_t i = 0; i < ids.size(); i += 2) {
      if (i % 4 == 0) {
        out.print_int_pair(ids[i], ids[i + 1]);
      } else {
        out.print_int(ids[i]).put(' ').print_int(ids[i + 1]).put('\n');
      }
    }
    ASSERT_TRUE(out.close());
  }
  aio_ifstream in(path.c_str());
  for (size_t i = 0; i < ids.size(); i += 2) {
    int a = 0, b = 0;
    ASSERT_TRUE(in.scan_int_pair(a, b));
    ASSERT_EQ(a, ids[i]);
    ASSERT_EQ(b, ids[i + 1]);
  }
  EXPECT_TRUE(in.good());
}

TEST_F(Files, OpenFailures) {
  for (const char* path : {"/nonexistent-dir/x.prt", "/tmp", static_cast<const char*>(nullptr)}) {
    aio_ifstream in(path);
    EXPECT_EQ(in.rdstate() & 6, 6);
    EXPECT_EQ(in.scan_int(), 0);
    EXPECT_FALSE(in.close());
  }
  for (bool replace : {false, true}) {
    aio_ofstream out("/nonexistent-dir/x.prt", replace);
    EXPECT_EQ(out.rdstate() & 6, 6);
    out.print("lost").print_int(1);
    EXPECT_FALSE(out.close());
  }
  // A failed open is forgotten by the next successful one.
  aio_ifstream in("/nonexistent-dir/x.prt");
  Spit(Path("ok"), "9\n");
  in.open(Path("ok").c_str());
  EXPECT_TRUE(in.good());
  EXPECT_EQ(in.scan_int(), 9);
}

TEST_F(Files, WriteErrorsReportedAtClose) {
  if (::access("/dev/full", W_OK) == 0) {
    aio_ofstream full("/dev/full", false);
    ASSERT_TRUE(full.good());
    full.print("part\n");
    EXPECT_FALSE(full.close());
    EXPECT_TRUE(full.bad());
  }
  // A file size limit makes writes fail; replacing keeps the old file whole.
  const std::string path = Path("keep.prt");
  Spit(path, "old\n");
  rlimit old_limit{};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool replaced = true, truncated = true;
  {
    aio_ofstream out(path.c_str(), true);
    out.print(std::string(5000, 'x').c_str());
    replaced = out.close();
  }
  const std::string after_replace = Slurp(path);
  {
    aio_ofstream out(Path("other").c_str(), false);
    out.print(std::string(5000, 'x').c_str());
    truncated = out.close();
  }
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(after_replace, "old\n");
  EXPECT_FALSE(truncated);
  EXPECT_EQ(EntryCount(), 2);  // keep.prt and other, no temporary
}

TEST_F(Files, ReplaceKeepsModeAndFollowsLinks) {
  const std::string target = Path("real.prt"), link = Path("link.prt");
  Spit(target, "old\n");
  ::chmod(target.c_str(), 0640);
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  {
    aio_ofstream out(link.c_str(), true);
    out.print("new\n");
    EXPECT_EQ(Slurp(target), "old\n");  // nothing replaced before close
  }                                     // closed by the destructor
  EXPECT_EQ(Slurp(target), "new\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// ---------------------------------------------------------------------------
// Allocation

TEST(Allocation, ZeroSizesAndRealloc) {
  int level = 1;
  mem_initialize(level);
  void* a = mem_Malloc(0);
  void* b = mem_Malloc(0);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(a, b);
  char* c = static_cast<char*>(mem_Malloc(4));
  std::memcpy(c, "abc", 4);
  c = static_cast<char*>(mem_Realloc(c, 1 << 20));
  EXPECT_STREQ(c, "abc");
  mem_Free(a);
  mem_Free(b);
  mem_Free(c);
  mem_Free(nullptr);
  mem_finalize(level);
  EXPECT_EQ(level, 1);
}

}  // namespace
