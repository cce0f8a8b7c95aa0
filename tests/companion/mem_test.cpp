
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <string_view>

#include "testing.h"

namespace {

constexpr int kEofFail = aio_ios::eofbit | aio_ios::failbit;

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

// The bulk readers give what as many scan_int calls give (a read after the
// end fails): `n` numbers, or n / 2 pairs, each read as the one before left
// the stream. `n` is even.
void ExpectBulkReadsAsScanInt(const std::string& text, int n) {
  aio_istringstream one(text);
  std::vector<int> want(static_cast<size_t>(n), 0);
  int good = 0;
  for (int v = 0; good < n && (v = one.scan_int(), !one.fail()); ++good) want[static_cast<size_t>(good)] = v;
  aio_istringstream ints(text);
  std::vector<int> got(static_cast<size_t>(n), -1);
  ASSERT_EQ(ints.scan_ints(got.data(), n), good) << '"' << text << '"';
  ASSERT_EQ(got, want) << '"' << text << '"';
  ASSERT_EQ(ints.rdstate(), one.rdstate()) << '"' << text << '"';
  aio_istringstream pairs(text);
  std::vector<int> a(static_cast<size_t>(n / 2)), b(a.size());
  const int whole = pairs.scan_int_pairs(a.data(), b.data(), n / 2);
  ASSERT_EQ(whole, good / 2) << '"' << text << '"';
  for (int i = 0; i <= std::min(whole, n / 2 - 1); ++i)  // and the first of a broken pair
    ASSERT_EQ(std::pair(a[i], b[i]), std::pair(want[2 * i], want[2 * i + 1])) << '"' << text << '"';
  ASSERT_EQ(pairs.rdstate(), ints.rdstate()) << '"' << text << '"';
}

TEST(ScanInt, AgreesWithTheRules) {
  // Hand-picked texts, alone and followed by enough blanks that the fast
  // path is taken too.
  const char* const picked[] = {"+5", "-0", "2147483647", "-2147483648", "000000000000000000042",
                                "-00000000000002147483648", "2147483648", "-2147483649", "4294967295",
                                "99999999999999999999", "-", "- 5", "--5", "12abc", "12345678:", "123456789/",
                                "1234567\xb1", "\xb1", "12 -7\n ", "", " \t\n\v\f\r "};
  std::vector<std::string> texts;
  for (const std::string p : picked) texts.insert(texts.end(), {p, p + std::string(16, ' ')});
  // Random texts of bytes around the edges of the digit range, with and
  // without the top bit.
  const std::string alphabet = "0123456789012345678901234567890123456789  \n\r\t+-/:a\xb0\xb9\xff";
  std::mt19937 rng(5);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    for (size_t i = 0, n = rng() % 40; i < n; ++i) text += alphabet[rng() % alphabet.size()];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    aio_istringstream in(text);
    size_t pos = 0;
    for (int state = 0; state == 0;) {
      const int expected = ReferenceScanInt(text, pos, state);
      ASSERT_EQ(in.scan_int(), expected) << '"' << text << '"';
      ASSERT_EQ(in.rdstate(), state) << '"' << text << '"';
    }
    ExpectBulkReadsAsScanInt(text, 8);
  }
}

// Long texts, where the bulk readers take whole 64-byte pieces: numbers of
// every length (up to far too long), runs of blanks and line ends, and now
// and then a sign or a stray byte (the suite runs again on the portable
// kernels, see portable_kernels.cmake).
TEST(ScanInt, BulkReadersOverLongTexts) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string text;
    const size_t size = 60 + rng() % 700;
    while (text.size() < size) {
      const unsigned pick = rng() % 32;
      if (pick == 0) text += rng() % 4 ? "\n" : "\r\n";
      if (pick == 1) text += rng() % 4 ? "  " : "-";
      if (pick == 2 && rng() % 8 == 0) text += "x";
      // Every other text has numbers of one or two digits: pieces of up to
      // 32 numbers.
      const size_t digits = pick == 3 ? 9 + rng() % 70 : 1 + rng() % (trial % 2 ? 8 : 2);
      for (size_t d = 0; d < digits; ++d) text += static_cast<char>('0' + rng() % 10);
      text += rng() % 3 ? " " : "\t";
    }
    int count = 0;
    aio_istringstream all(text);
    while (all.scan_int(), !all.fail()) ++count;
    ExpectBulkReadsAsScanInt(text, count + 4 - count % 2);
    // Stopping after some of the numbers leaves the rest of their line, as
    // stopping after as many scan_int calls does.
    const int some = static_cast<int>(rng() % static_cast<unsigned>(count + 1));
    aio_istringstream head(text), step(text);
    std::vector<int> ignored(static_cast<size_t>(some) + 1);
    head.scan_ints(ignored.data(), some);
    for (int i = 0; i < some; ++i) step.scan_int();
    char headLine[132], stepLine[132];
    head.getline(headLine, sizeof headLine);
    step.getline(stepLine, sizeof stepLine);
    ASSERT_STREQ(headLine, stepLine) << text;
    ASSERT_EQ(head.rdstate(), step.rdstate()) << text;
  }
}

TEST(ScanInt, FailureIsStickyAndConsumesOnlyAnOverlongNumber) {
  aio_istringstream in("  abc 5\n2147483648 7\r\n");
  EXPECT_EQ(in.scan_int(), 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  char line[132];
  EXPECT_EQ(in.scan_double(), 0.0);
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(in.gcount(), 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  in.clear();
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "abc 5");
  int a = 1, b = 1;
  EXPECT_EQ(in.scan_int_pairs(&a, &b, 1), 0);
  EXPECT_EQ(a, 0);
  in.clear();
  EXPECT_EQ(in.scan_int(), 7);
  EXPECT_TRUE(in.good());
}

TEST(Getline, LongLinesEmptyLinesCrlfAndTinyBuffers) {
  const std::string fits(131, 'a'), tooLong(132, 'b');
  aio_istringstream in(fits + "\n" + tooLong + "\n3\nNAME\r\n\nend");
  char line[132];
  in.getline(line, sizeof line);
  EXPECT_EQ(in.gcount(), 131);
  EXPECT_EQ(line, fits);
  in.getline(line, sizeof line);  // over-long: its first 131 bytes, the rest left
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  EXPECT_EQ(line, tooLong.substr(0, 131));
  in.clear();
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "b");
  EXPECT_EQ(in.scan_int(), 3);
  in.getline(line, sizeof line);  // the rest of the number's line
  EXPECT_STREQ(line, "");
  in.getline(line, sizeof line);
  EXPECT_STREQ(line, "NAME\r");
  in.getline(line, 1);
  EXPECT_TRUE(in.good());
  in.getline(line, 0);
  EXPECT_EQ(in.rdstate(), aio_ios::failbit);
  in.clear();
  in.getline(line, sizeof line);  // last line without line feed
  EXPECT_STREQ(line, "end");
  EXPECT_EQ(in.rdstate(), aio_ios::eofbit);
  in.getline(line, sizeof line);
  EXPECT_EQ(in.rdstate(), kEofFail);
  EXPECT_EQ(in.gcount(), 0);
}

TEST(ScanDouble, ReadsBackWhatPrintDoubleWrites) {
  aio_ostringstream out;
  out.print_double(0.5).put(' ').print_double(2).put(' ').print_double(1e-07).put(' ');
  out.print_double(-0.0).put(' ').print_double(HUGE_VAL).put(' ').print_double(-HUGE_VAL);
  EXPECT_EQ(out.str(), "0.5 2 1e-07 -0 inf -inf");

  std::mt19937_64 rng(11);
  std::vector<double> values = {std::nan(""), 5e-324, 1.7976931348623157e308, -2.2250738585072014e-308};
  while (values.size() < 100000) {
    const double d = std::bit_cast<double>(rng());
    if (!std::isnan(d)) values.push_back(d);
  }
  aio_ostringstream text;  // grows far past any first allocation
  for (double d : values) text.print_double(d).put('\n');
  aio_istringstream in(text.str());
  EXPECT_TRUE(std::isnan(in.scan_double()));
  for (size_t i = 1; i < values.size(); ++i)
    ASSERT_EQ(std::bit_cast<uint64_t>(in.scan_double()), std::bit_cast<uint64_t>(values[i]));
  EXPECT_TRUE(in.good());
}

TEST(ScanDouble, StrtodForms) {
  struct Case {
    std::string text;
    double value;
    const char* rest;  // the rest of the line after the number, or null when the read fails
  } cases[] = {
      {"  +1.5|", 1.5, "|"},  {".5|", 0.5, "|"},          {"5.|", 5.0, "|"},
      {"1E3|", 1000, "|"},    {"-2.5e-3|", -2.5e-3, "|"}, {"1e|", 1, "e|"},
      {"1e+x", 1, "e+x"},     {"INF|", HUGE_VAL, "|"},    {"-Infinity|", -HUGE_VAL, "|"},
      {"0x1p3", 0, "x1p3"},   {"0e999999", 0, ""},        {"0." + std::string(99, '0') + "1", 1e-100, ""},
      {"abc ", 0, nullptr},   {". ", 0, nullptr},         {"- ", 0, nullptr},
      {"1e400 ", 0, nullptr}, {"-1e-400 ", 0, nullptr},   {"1" + std::string(5000, '0') + " ", 0, nullptr},
  };
  for (const Case& c : cases) {
    aio_istringstream in(c.text);
    EXPECT_EQ(in.scan_double(), c.value) << c.text;
    EXPECT_EQ(in.rdstate(), c.rest ? (*c.rest ? 0 : aio_ios::eofbit) : aio_ios::failbit) << c.text;
    char rest[132] = "";
    if (c.rest && *c.rest) in.getline(rest, sizeof rest);
    EXPECT_STREQ(rest, c.rest && *c.rest ? c.rest : "") << c.text;
  }
  aio_istringstream nan("nan(123) x");
  EXPECT_TRUE(std::isnan(nan.scan_double()));
  EXPECT_EQ(nan.scan_int(), 0);  // "x" is next
}

// Every length and sign, the ends of the range and random values: the text
// is std::to_chars's.
TEST(Print, IntegerTextIsToCharsText) {
  std::vector<int> values = {0, INT_MIN, INT_MAX, INT_MIN + 1};
  for (long long p = 1; p <= 1000000000; p *= 10)
    for (long long v : {p - 1, p, p + 1, -p + 1, -p, -p - 1}) values.push_back(static_cast<int>(v));
  std::mt19937 rng(9);
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<int>(rng()) >> (rng() % 32));
  for (int v : values) {
    char want[16], got[16];
    const std::string expected(want, std::to_chars(want, want + sizeof want, v).ptr);
    ASSERT_EQ(std::string(got, aio_format_int(got, v)), expected);
  }
  // In bulk, each number followed by its separator, in runs of every length
  // around the eight that go at once; the values above, and groups of small
  // numbers only, where every number takes the vector path.
  for (int n = 0; n <= 40; ++n) {
    for (int kind = 0; kind < 3; ++kind) {
      std::vector<int> run(static_cast<size_t>(n));
      for (int& v : run) v = kind == 0 ? values[rng() % values.size()] : static_cast<int>(rng() % (kind == 1 ? 100000000u : 1000u));
      std::string expected;
      for (int i = 0; i < n; ++i) {
        char one[16];
        expected.append(one, std::to_chars(one, one + sizeof one, run[static_cast<size_t>(i)]).ptr);
        expected += i % 2 ? '\n' : ' ';
      }
      std::vector<char> got(static_cast<size_t>(aio_format_ints_room(n)), '\x7f');
      char* end = aio_format_ints(got.data(), run.data(), n, ' ', '\n');
      ASSERT_EQ(std::string(got.data(), end), expected) << n << ' ' << kind;
    }
  }
}

TEST(Print, NumbersTextPaddingAndFlags) {
  aio_ostringstream out;
  out.print_int(0).put(' ').print_int(-1).put(' ').print_int(INT_MIN).put(' ').print_int(INT_MAX);
  out.print(" x").print("yz", 1).print(nullptr).put('\n');
  out << cow_String("a\0b", 3);
  out.put('\n').width(4);
  out.print_int(7).put(' ').print_int(8).put('\n');  // the width pads the first number only
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
  EXPECT_EQ(out.width(), 0);
  EXPECT_EQ(out.width(-3), 0);
  EXPECT_EQ(out.width(), 0);
  EXPECT_EQ(out.str(), "0 -1 -2147483648 2147483647 xy\na" + std::string(1, '\0') +
                           "b\n   7 8\n   427|ab   |   0.5|x  |12345|    |AB    ");

  // `left` pads numbers on the right until it is cleared; 0x2000 changes
  // nothing, and the width still lasts for one value.
  aio_ostringstream flagged;
  EXPECT_EQ(flagged.setf(aio_ios::left, 0), 0);
  EXPECT_EQ(flagged.setf(0x2000, 0), 2);
  for (int round = 0; round < 2; ++round) {
    flagged.width(6);
    flagged.print_int(-31).put('|').width(5);
    flagged.print_double(1.25).print_int(7).put('|');
  }
  EXPECT_EQ(flagged.setf(0, aio_ios::left), 0x2002);
  flagged.width(8);
  flagged.print_int(-31).print_double(1.25);
  EXPECT_EQ(flagged.str(), "-31   |1.25 7|-31   |1.25 7|     -311.25");
}

TEST(Files, RoundTripInBothModes) {
  const TempDir dir;
  for (bool replace : {false, true}) {
    const std::string path = dir.Path("part.prt");
    Spit(path, "old text that is longer than the new\n");
    {
      aio_ofstream out(path.c_str(), replace);
      ASSERT_TRUE(out.good());
      out.print_int(1).put(' ').print_int(-2).put('\n').print("BLOCK-1\n").print_double(0.25).put('\n');
      EXPECT_TRUE(out.close());
      EXPECT_FALSE(out.close());  // nothing open any more
    }
    EXPECT_EQ(Slurp(path), "1 -2\nBLOCK-1\n0.25\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left

    aio_ifstream in(path.c_str());
    char name[132];
    EXPECT_EQ(in.scan_int() + in.scan_int(), -1);
    in.getline(name, sizeof name).getline(name, sizeof name);
    EXPECT_STREQ(name, "BLOCK-1");
    EXPECT_EQ(in.scan_double(), 0.25);
    EXPECT_EQ(in.scan_int(), 0);
    EXPECT_EQ(in.rdstate(), kEofFail);
    EXPECT_TRUE(in.close());
  }
}

// Every token kind split at every position across the read buffer's edge;
// what remains to read is known for a file, not for a device; then a table
// larger than the buffer, written and read through its edges.
TEST(Files, TokensAndTablesAcrossBufferEdges) {
  const TempDir dir;
  const std::string path = dir.Path("edge.txt");
  const std::string tail = "-1234567890 3.5e-7 a name line\n0000000000000000000017\n";
  EXPECT_EQ(aio_ifstream("/dev/null").remaining(), aio_istream::kUnknownRemaining);
  for (size_t shift = 1; shift <= 24; ++shift) {
    Spit(path, std::string(aio_ios::kBufferSize - shift, ' ') + tail);
    aio_ifstream in(path.c_str());
    EXPECT_EQ(in.remaining(), aio_ios::kBufferSize - shift + tail.size()) << shift;
    char line[132];
    EXPECT_EQ(in.scan_int(), -1234567890) << shift;
    EXPECT_EQ(in.scan_double(), 3.5e-7) << shift;
    in.getline(line, sizeof line);
    EXPECT_STREQ(line, " a name line") << shift;
    EXPECT_EQ(in.scan_int(), 17) << shift;
    EXPECT_EQ(in.remaining(), 1u) << shift;  // the last line end
    EXPECT_TRUE(in.good()) << shift;
  }
  std::mt19937 rng(3);
  std::vector<int> ids(300000);
  for (int& id : ids) id = static_cast<int>(rng()) >> (rng() % 32);  // every length, both signs
  aio_ofstream out(path.c_str(), true);
  // Lines written both ways, so that each meets the buffer's end: number by
  // number, then in bulk.
  const size_t half = ids.size() / 2;
  for (size_t i = 0; i < half; i += 2) out.print_int(ids[i]).put(' ').print_int(ids[i + 1]).put('\n');
  aio_int_writer lines(out, ' ', '\n');
  for (size_t i = half; i < ids.size(); ++i) lines.Add(ids[i]);
  lines.Flush();
  ASSERT_TRUE(out.close());
  aio_ifstream in(path.c_str());
  int a = 0, b = 0;
  for (size_t i = 0; i < ids.size(); i += 2) {
    ASSERT_EQ(in.scan_int_pairs(&a, &b, 1), 1);
    ASSERT_EQ(std::make_pair(a, b), std::make_pair(ids[i], ids[i + 1]));
  }
}

TEST(Files, OpenFailures) {
  const TempDir dir;
  Spit(dir.Path("ok"), "9\n");
  for (const char* path : {"/nonexistent-dir/x.prt", "/tmp", static_cast<const char*>(nullptr)}) {
    aio_ifstream in(path);
    EXPECT_EQ(in.rdstate() & 6, 6);
    EXPECT_EQ(in.scan_int(), 0);
    EXPECT_FALSE(in.close());
    in.open(dir.Path("ok").c_str());  // a failed open is forgotten by the next successful one
    EXPECT_EQ(in.scan_int(), 9);
    EXPECT_TRUE(in.good());
  }
  for (bool replace : {false, true}) {
    aio_ofstream out("/nonexistent-dir/x.prt", replace);
    EXPECT_EQ(out.rdstate() & 6, 6);
    out.print("lost").print_int(1);
    EXPECT_FALSE(out.close());
  }
}

TEST(Files, WriteErrorsReportedAtClose) {
  if (::access("/dev/full", W_OK) == 0) {
    aio_ofstream full("/dev/full", false);
    ASSERT_TRUE(full.good());
    full.print("part\n");
    EXPECT_FALSE(full.close());
    EXPECT_TRUE(full.bad());
  }
  // A file size limit makes writes fail; replacing keeps the old file whole.
  const TempDir dir;
  const std::string path = dir.Path("keep.prt");
  Spit(path, "old\n");
  rlimit old_limit{};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool closed[2] = {true, true};
  for (bool replace : {true, false}) {
    aio_ofstream out((replace ? path : dir.Path("other")).c_str(), replace);
    out.print(std::string(5000, 'x').c_str());
    closed[replace] = out.close();
  }
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(closed[0]);
  EXPECT_FALSE(closed[1]);
  EXPECT_EQ(Slurp(path), "old\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // no temporary left
}

TEST(Files, ReplaceKeepsModeAndFollowsLinks) {
  const TempDir dir;
  const std::string target = dir.Path("real.prt"), link = dir.Path("link.prt");
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

TEST(Allocation, ZeroSizesAndRealloc) {
  void* a = mem_Malloc(0);
  void* b = mem_Malloc(0);
  EXPECT_NE(a, b);  // distinct pointers, never null
  char* c = static_cast<char*>(mem_Malloc(4));
  std::memcpy(c, "abc", 4);
  c = static_cast<char*>(mem_Realloc(c, 1 << 20));
  EXPECT_STREQ(c, "abc");
  for (void* p : {a, b, static_cast<void*>(c), static_cast<void*>(nullptr)}) mem_Free(p);
}

}  // namespace
