

#include "inpM_PartMap.h"
#include "inpM_RecordReader.h"
#include "kvl_CountingNew.h"
#include "testing.h"

namespace {

const std::string kSorted = "inpM_SortedSet reading failed.";
const std::string kUnsorted = "inpM_UnsortedSet reading failed.";
const std::string kInteger = "inpM_IntegerSet reading failed.";
const std::string kPair = "inpM_SetNamePair reading failed.";
const std::string kEof = "EOF encountered.";
const std::string kFaces = "inpM_ElementFaceIdSurface reading failed.";
const std::string kNodes = "inpM_NodeAreaSurface reading failed.";
const std::string kRigid = "inpM_AnalyticalSurface reading failed.";
const std::string kAssembly = "inpM_AssemblyInstanceSurface reading failed.";
const std::string kSurfaces = "inpM_SurfaceMap reading failed.";

// Reads `text` as a T and writes it again; a reported error's message
// becomes the result instead, prefixed with "error: ".
template <class T>
std::string Reread(const std::string& text) {
  wip_Capture capture;
  aio_istringstream in(text);
  try {
    return Printed(T(in));
  } catch (const wip_ErrorException& e) {
    return "error: " + e.Message().str();
  }
}

struct Record {
  std::string (*reread)(const std::string&);
  std::string text;                   // a stored record, as its writer writes it
  std::vector<std::string> messages;  // the messages on the paths through it
};

// One record of every kind, written by hand, each with a nested record
// where its kind has one, names and counts of 0.
const Record kRecords[] = {
    {Reread<inpM_SortedSet>, "1\n2\n3 5 \n1\nA\n1\n7 \n1\nS\n0\n1\n4 \n0\n0\n", {kSorted}},
    {Reread<inpM_UnsortedSet>,
     "2\n3\n1\n2\n5 1 \n2\nP\n1\n1\n9 \n3\n0\n1\n1\n0\n",
     {kUnsorted, kInteger, kPair}},
    {Reread<inpM_IntegerSet>, "2\n5 1 \n", {kInteger}},
    {Reread<inpM_SetNamePair>, "P\n3\n0\n1\n1\n1\n9 \n", {kPair, kUnsorted, kInteger}},
    {Reread<inpM_SetMap>,
     "2\nA\n0\n0\n1\n3 \n0\n0\nB\n1\n0\n1\n1\n1\n4 \n1\nI\n1\nC\n0\n0\n0\n0\n0\n0\n",
     {kEof, kSorted, kUnsorted, kInteger}},
    {Reread<inpM_ElementFaceIdSurface>, "1\n2\nS1\n2\n3 4 \nS2\n0\n", {kFaces}},
    {Reread<inpM_NodeAreaSurface>, "0\n2\n1\n0.5\n7\n2\n", {kNodes}},
    {Reread<inpM_AnalyticalSurface>, "1\n", {kRigid}},
    {Reread<inpM_AssemblyInstanceSurface>, "1\n0\n1\n3\n1.5\n1\nI\n2\n0\n", {kAssembly, kNodes, kRigid}},
    {Reread<inpM_SurfaceMap>,
     "1\nI\n1\nS\n0\n0\n1\nS1\n1\n2 \n1\nA\n0\n0\n0\n0\n",
     {kSurfaces, kFaces, kAssembly, kNodes}},
    {Reread<inpM_PartMap>,
     "0\n0\n0\nASSEMBLY\n1\nBLOCK-1\nBLOCK\n1\nBLOCK-1\n2\n1 1\n2 2\n1 1\n2 2\n1\n3 1\n1 3\n"
     "1\nBLOCK-1\n1\n1 1\n1 1\n0\n1\nE\n0\n1\n1\n1 \n0\n0\n0\n0\n0\n0\n1\nA\n0\n0\n0\n1\nBLOCK-1\n2\n0\n",
     {kEof, kSorted, kSurfaces, kAssembly, kNodes, kRigid}},
};

TEST(RecordReader, EveryRecordReadsBackAndEveryCutStopsWithAMessageOfItsPath) {
  for (const Record& r : kRecords) {
    EXPECT_EQ(r.reread(r.text), r.text);
    for (size_t n = 0; n < r.text.size(); ++n) {
      const std::string cut = r.text.substr(0, n);
      const std::string result = r.reread(cut);
      // A record that lacks only its last blanks and line feed is whole.
      if (r.text.find_first_not_of(" \n", n) == std::string::npos) {
        EXPECT_EQ(result, r.text) << cut;
        continue;
      }
      bool known = false;
      for (const std::string& m : r.messages) known |= result == "error: " + m;
      EXPECT_TRUE(known) << cut << " -> " << result;
    }
  }
  // Tolerant where the format is: any non-zero flag reads as true, and
  // blanks around numbers are fine.
  const std::string rest = kRecords[10].text.substr(6);
  EXPECT_EQ(Reread<inpM_PartMap>("7\n  0\n-1 \n" + rest), "1\n0\n1\n" + rest);
}

TEST(RecordReader, DamageIsReportedByTheRecordThatCannotGoOn) {
  std::string deepSorted, deepPair, deepSetMap;
  for (int i = 0; i < 100000; ++i) {
    deepSorted += "0\n0\n0\n1\nS\n";
    deepPair += "P\n2\n";
    deepSetMap += "0\n1\nI\n";
  }
  const std::string longName(132, 'N');
  const std::string tooLong = "Line longer than 131 bytes in the part file: " + longName.substr(0, 131);
  const std::string parts = "0\n0\n0\nA\n";
  const struct {
    std::string (*reread)(const std::string&);
    std::string message;
    std::vector<std::string> texts;
  } cases[] = {
      // Counts below 0, beyond the input or not numbers; long names; records
      // nested without end (stopped at a fixed depth, not at the stack's end).
      {Reread<inpM_SortedSet>,
       kSorted,
       {"0\n-1\n0\n0\n", "0\n2147483647\n1 2 \n", "0\n0\n1\nA\n2000000000\n1 \n0\n", "0\n0\nx\n0\n",
        "0\n0\n1\n" + longName + "\n0\n0\n", deepSorted}},
      {Reread<inpM_UnsortedSet>, kUnsorted, {"0\n-2\n", "0\n2147483647\n1\n0\n"}},
      {Reread<inpM_IntegerSet>, kInteger, {"2147483647\n1 2 3\n"}},
      {Reread<inpM_SetNamePair>, kPair, {std::string(200, 'x') + "\n1\n0\n", deepPair}},
      {Reread<inpM_SetMap>,
       kEof,
       {"-1\n0\n", "2147483647\nQ\n0\n0\n0\n0\n0\n", "0\n1\n" + longName + "\n0\n0\n", deepSetMap}},
      {Reread<inpM_ElementFaceIdSurface>,
       kFaces,
       {"x\n0\n", "0\n-1\n", "0\n1\nS1\n-5\n", "0\n1\nS1\n2000000000\n1 2 \n",
        "0\n1\nS1\n1\n2147483647 \n",  // the set's empty marker
        "0\n1\nS1\n1\n99999999999 \n", "0\n1\n" + longName + "\n0\n"}},
      {Reread<inpM_NodeAreaSurface>,
       kNodes,
       {"0\n-3\n", "0\n2000000000\n1\n0.5\n", "0\n1\n1\nhalf\n", "0\n1\n1\n1e999\n"}},
      {Reread<inpM_AnalyticalSurface>, kRigid, {"one\n"}},
      {Reread<inpM_AssemblyInstanceSurface>, kAssembly, {"0\n0\n0\n1\nI1\nx\n0\n"}},
      {Reread<inpM_AssemblyInstanceSurface>, "Unknown surface type 3", {"0\n0\n0\n1\nI1\n3\n0\n"}},
      {Reread<inpM_SurfaceMap>,
       kSurfaces,
       {"-1\n0\n", "1\nI\n2000000000\ns\n0\n0\n0\n", "1\nI\n-2\n", "1\n" + longName + "\n0\n0\n"}},
      {Reread<inpM_SurfaceMap>, "Unknown surface type 5", {"1\nI\n1\ns\n5\n0\n0\n"}},
      // A record beneath that was read whole leaves the report to the test
      // that comes first on the path, with or without the last line feed.
      {Reread<inpM_UnsortedSet>,
       kUnsorted,
       {"0\n2\n1\n1\n5", "0\n2\n1\n1\n5\n", "3\n2\n1\n2\n2 1 \n2\nP\n3\n0"}},
      {Reread<inpM_UnsortedSet>, kInteger, {"3\n2\n1\n2\n2 "}},
      {Reread<inpM_UnsortedSet>, kPair, {"3\n2\n1\n2\n2 1 \n2\nP"}},
      {Reread<inpM_SetMap>, kEof, {"2\nA\n0\n0\n0\n0\n0", "2\nA\n0\n0\n0\n0\n0\n"}},
      {Reread<inpM_SetMap>, kSorted, {"1\nQ\n0\n0\n2\n1 2"}},
      // The part map: the end of the input in the format's words, other
      // damage naming the part being read.
      {Reread<inpM_PartMap>,
       kEof,
       {"", "0\n0", parts + "2\nI\nP\n", parts + "0\n1\n", parts + "0\n0\n0\n3\nE\n0\n",
        parts + "2000000000\nI\nP\n"}},
      {Reread<inpM_PartMap>, "Part file reading failed in the flags.", {"0\nx\n0\nA\n0\n"}},
      {Reread<inpM_PartMap>, "Part file reading failed in the instance map.", {parts + "one\n"}},
      // A key given twice in a table pair leaves its tables of different
      // sizes, which the pair's one count cannot store.
      {Reread<inpM_PartMap>,
       "Part file reading failed in the node map.",
       {parts + "0\n1\nI\n2\n1 1\n2 x\n", parts + "0\n0\n-1\n", parts + "0\n1\nI\n2\n1 1\n1 2\n1 1\n2 1\n",
        parts + "0\n0\n2\n1 1\n2 2\n1 1\n1 2\n"}},
      {Reread<inpM_PartMap>, "Part file reading failed in the element map.", {parts + "0\n0\n0\n0\n?\n"}},
      {Reread<inpM_PartMap>, tooLong, {"0\n0\n0\n" + longName + "\n0\n", parts + "1\nI\n" + longName + "\n"}},
  };
  for (const auto& c : cases)
    for (const std::string& text : c.texts) EXPECT_EQ(c.reread(text), "error: " + c.message) << text.substr(0, 40);
}

// Names keep every byte of their line, a NUL too, so that they are written
// back as they were read; 131 bytes fit (one more does not, above).
TEST(RecordReader, NamesAreWholeLinesOfAtMost131Bytes) {
  for (const std::string& name : {std::string("A\0B", 3), std::string(131, 'n')}) {
    const std::string face = "0\n1\n" + name + "\n0\n";
    EXPECT_EQ(Reread<inpM_ElementFaceIdSurface>(face), face);
    const std::string set = "1\n" + name + "\n0\n0\n0\n0\n0\n0\n";
    EXPECT_EQ(Reread<inpM_SetMap>(set), set);
  }
}

TEST(RecordReader, RestIsBlankLooksAtEveryByteOfLinesOfAnyLength) {
  for (const auto& [text, blank] : std::vector<std::pair<std::string, bool>>{
           {"", true}, {"\n \t\n", true}, {std::string(500, ' ') + "\n\n", true}, {"\n  \nextra\n", false},
           {std::string(300, ' ') + "x", false}}) {
    aio_istringstream in(text);
    EXPECT_EQ(inpM_RestIsBlank(in), blank) << text.size();
  }
}

// A count of 2^31 - 1 in a record of about 1 KB, for every kind of count,
// fails with the record's message, and reading holds at most K bytes per
// byte of input plus C. K = 32: the densest records, the components of an
// unsorted set, take an object of about 140 bytes for each 6 bytes of input
// (ids take 4 bytes per 2, twice over while a list grows). C = 16 KB covers
// the record objects, the message and a block of a table. Without the bound
// on reservations a count alone takes 128 KB or 256 KB.
TEST(RecordReader, HugeCountsCostNoMoreMemoryThanTheInputCouldHold) {
  constexpr long kK = 32, kC = 16384;
  const std::string huge = "2147483647\n", parts = "0\n0\n0\nA\n";
  const auto filled = [](std::string text, const std::string& unit) {
    while (text.size() < 1000) text += unit;
    return text;
  };
  std::string ids, pairs;
  for (int i = 1; ids.size() < 1000; ++i) ids += std::to_string(i) + ' ';
  for (int i = 1; pairs.size() < 1000; ++i) pairs += std::to_string(i) + ' ' + std::to_string(i) + '\n';
  const struct {
    std::string (*reread)(const std::string&);
    std::string message, text;
  } cases[] = {
      {Reread<inpM_SortedSet>, kSorted, "0\n" + huge + ids},
      {Reread<inpM_SortedSet>, kSorted, "0\n0\n1\nA\n" + huge + ids},
      {Reread<inpM_IntegerSet>, kInteger, huge + ids},
      {Reread<inpM_UnsortedSet>, kUnsorted, filled("0\n" + huge, "1\n1\n5 \n")},
      {Reread<inpM_SetMap>, kEof, filled(huge, "A\n0\n0\n0\n0\n0\n")},
      {Reread<inpM_ElementFaceIdSurface>, kFaces, "0\n1\nS1\n" + huge + ids},
      {Reread<inpM_ElementFaceIdSurface>, kFaces, filled("0\n" + huge, "S1\n1\n2 \n")},
      {Reread<inpM_NodeAreaSurface>, kNodes, filled("0\n" + huge, "1\n0.5\n")},
      {Reread<inpM_SurfaceMap>, kSurfaces, filled(huge, "I\n0\n")},
      {Reread<inpM_PartMap>, kEof, filled(parts + huge, "I\nP\n")},
      {Reread<inpM_PartMap>, kEof, filled(parts + "0\n" + huge, "I\n0\n")},
      {Reread<inpM_PartMap>, kEof, parts + "0\n1\nI\n" + huge + pairs},
      {Reread<inpM_PartMap>, kEof, parts + "0\n0\n" + huge + pairs},
  };
  for (const auto& c : cases) {
    const long live = kvl_LiveBytes();
    kvl_ResetPeakBytes();
    EXPECT_EQ(c.reread(c.text), "error: " + c.message) << c.text.substr(0, 30);
    EXPECT_LE(kvl_PeakBytes() - live, kK * static_cast<long>(c.text.size()) + kC) << c.text.substr(0, 30);
  }
}

}  // namespace
