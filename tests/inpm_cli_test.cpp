// The inpm command, run as a program: outputs, messages and exit codes.
#include <unistd.h>

#include "testing.h"

namespace {

const std::string kGolden = KVL_GOLDEN_DIR;
const std::string kWorked = kGolden + "/worked_example.prt";

struct Outcome {
  int status; std::string out, err;
  bool operator==(const Outcome&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Outcome& o) { return os << o.status << "\nout: " << o.out << "\nerr: " << o.err; }
};

// No argument of these tests holds a single quote.
std::string Quote(const std::string& s) { return "'" + s + "'"; }

class InpmTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  std::string Write(const std::string& name, const std::string& text) const {
    Spit(Path(name), text);
    return Path(name);
  }

  // Runs inpm with the arguments (and `input` on standard input).
  Outcome Inpm(const std::vector<std::string>& args, const std::string& input = "") const {
    std::string command = Quote(INPM_EXE);
    for (const std::string& a : args) command += " " + Quote(a);
    command += " <" + Quote(Write("stdin", input)) + " >" + Quote(Path("stdout")) + " 2>" + Quote(Path("stderr"));
    const int status = Shell(command);
    return {status, Slurp(Path("stdout")), Slurp(Path("stderr"))};
  }

  // A failure: exit code 1, nothing on standard output and exactly `err` on standard error.
  void ExpectFailure(const std::vector<std::string>& args, const std::string& err) const {
    EXPECT_EQ(Inpm(args), (Outcome{1, "", err}));
  }

  TempDir dir_;
};

TEST_F(InpmTest, HelpVersionAndUsage) {
  const Outcome help = Inpm({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"check", "info", "lookup", "global", "normalize", "generate"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  EXPECT_EQ(Inpm({"lookup", "--help"}).status, 0);
  EXPECT_EQ(Inpm({"--version"}).status, 0);
  // Usage errors: exit code 2 and one line on standard error.
  for (const std::vector<std::string>& wrong : {std::vector<std::string>{},
                                                {"frobnicate"},
                                                {"check"},
                                                {"lookup", kWorked, "nodes", "1"},
                                                {"lookup", kWorked, "node"},
                                                {"generate", "--instances", "-1", "x.prt"}}) {
    const Outcome run = Inpm(wrong);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err.rfind("inpm: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  EXPECT_EQ(Inpm({"lookup", kWorked, "node", "12x"}), (Outcome{2, "", "inpm: not an id: 12x\n"}));
}

TEST_F(InpmTest, CheckReportsWholeFilesAndNamesTheFileAndTheReason) {
  EXPECT_EQ(Inpm({"check", kWorked}), (Outcome{0, kWorked + ": whole and consistent: 1 instance, 3 nodes, 1 element\n", ""}));
  const std::string text = Slurp(kWorked);
  EXPECT_EQ(Inpm({"check", "-"}, text).out, "-: whole and consistent: 1 instance, 3 nodes, 1 element\n");
  EXPECT_EQ(Inpm({"check", Write("blank.prt", text + "\n \t\n")}).status, 0);
  EXPECT_EQ(Inpm({"check", KVL_EXAMPLES_DIR "/model.prt"}).status, 0);

  const std::string missing = Path("missing.prt");
  ExpectFailure({"check", missing}, "inpm: " + missing + ": cannot open: No such file or directory\n");
  ExpectFailure({"check", dir_.Path()}, "inpm: " + dir_.Path() + ": is a directory\n");
  const std::string cut = Write("cut.prt", text.substr(0, text.find("3 1")));
  ExpectFailure({"check", cut}, "inpm: " + cut + ": EOF encountered.\n");
  const std::string trailing = Write("trailing.prt", text + "\n  \nextra\n");
  ExpectFailure({"check", trailing}, "inpm: " + trailing + ": data after the end of the part map\n");
  if (geteuid() != 0) {
    const std::string locked = Write("locked.prt", text);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    ExpectFailure({"check", locked}, "inpm: " + locked + ": cannot open: Permission denied\n");
  }
  // Global node 2 held by BLOCK-1 and by the assembly level; the element map
  // lists no instance.
  const std::string shared =
      Write("shared.prt", "0\n0\n0\nA\n0\n1\nBLOCK-1\n2\n1 1\n2 2\n1 1\n2 2\n1\n2 1\n1 2\n0\n0\n0\n0\n0\n0\n0\n0\n");
  ExpectFailure({"check", shared}, "inpm: " + shared + ": the node map and the element map list different instances\n" +
                                       "inpm: " + shared + ": global node id 2 is held by more than one level\n");
}

TEST_F(InpmTest, InfoLookupAndGlobal) {
  std::string info = Slurp(kGolden + "/worked_example.info");
  info.replace(info.find("FILE"), 4, kWorked);
  EXPECT_EQ(Inpm({"info", kWorked}).out, info);

  EXPECT_EQ(Inpm({"lookup", kWorked, "node", "1", "3", "9", "2"}),
            (Outcome{1,
                     "node 1: instance BLOCK-1, local id 1\n"
                     "node 3: the assembly level, local id 1\n"
                     "node 2: instance BLOCK-1, local id 2\n",
                     "inpm: " + kWorked + ": Unknown global id: 9\n"}));
  const std::string node3 = " {\"kind\": \"node\", \"global\": 3, \"instance\": \"\", \"local\": 1}";
  EXPECT_EQ(Inpm({"lookup", "--json", kWorked, "node", "3", "1"}),
            (Outcome{0, "[\n" + node3 + ",\n {\"kind\": \"node\", \"global\": 1, \"instance\": \"BLOCK-1\", \"local\": 1}\n]\n", ""}));
  EXPECT_EQ(Inpm({"lookup", kWorked, "element", "--json", "5"}),
            (Outcome{1, "[]\n", "inpm: " + kWorked + ": Unknown global id: 5\n"}));
  EXPECT_EQ(Inpm({"global", kWorked, "node", "BLOCK-1", "2", "7"}),
            (Outcome{1, "node 2 of instance BLOCK-1: global id 2\n",
                     "inpm: " + kWorked + ": Unknown global id: 7 in instance: BLOCK-1\n"}));
  EXPECT_EQ(Inpm({"global", "--json", kWorked, "node", "", "1"}), (Outcome{0, "[\n" + node3 + "\n]\n", ""}));
  ExpectFailure({"global", kWorked, "element", "NOPE", "1"}, "inpm: " + kWorked + ": Unknown instance name: NOPE\n");
}

TEST_F(InpmTest, NormalizeAndGenerate) {
  // Quoted names, blanks around numbers and a non-zero flag other than 1.
  const std::string loose =
      "0\n0\n0\n\"ASSEMBLY\"\n1\n\"BLOCK-1\"\n\"BLOCK\"\n 1\nBLOCK-1\n2\n1  1\n2 2\n1 1\n2 2\n1\n3 1\n1 3\n1\n"
      "\"BLOCK-1\"\n1\n1 1\n1 1\n0\n0\n0\n0\n0\n0\n0\n";
  EXPECT_EQ(Inpm({"normalize", Write("loose.prt", loose), Path("out.prt")}).status, 0);
  EXPECT_EQ(Slurp(Path("out.prt")), Slurp(kWorked));
  EXPECT_EQ(Inpm({"normalize", "-", "-"}, loose).out, Slurp(kWorked));
  ExpectFailure({"normalize", kWorked, Path("no/such/dir.prt")},
                "inpm: " + Path("no/such/dir.prt") + ": cannot create: No such file or directory\n");

  auto generate = [&](const std::string& seed, const std::string& name) {
    const std::vector<std::string> args{"generate", "--seed",     seed,         "--instances", "4", "--nodes", "30",
                                        "--elements", "10",        "--quoted-names", Path(name)};
    EXPECT_EQ(Inpm(args).status, 0);
    return Slurp(Path(name));
  };
  const std::string a = generate("5", "a.prt");
  EXPECT_EQ(generate("5", "b.prt"), a);
  EXPECT_NE(generate("6", "c.prt"), a);
  EXPECT_EQ(Inpm({"check", Path("a.prt")}).out,
            Path("a.prt") + ": whole and consistent: 4 instances, 124 nodes, 42 elements\n");
  EXPECT_EQ(Inpm({"normalize", Path("a.prt"), "-"}).out, a);
}

}  // namespace
