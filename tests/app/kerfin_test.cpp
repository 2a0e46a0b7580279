// Kerfin end to end: the real binary copied into a fresh folder with each case's files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using namespace vantrel::test;

namespace {

struct KerfinRun {
  ProcessResult process;
  std::string output;  // KerfinOut.qsrc, or "<missing>"
};

std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string lf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Copies Kerfin into folder (created), writes the files, runs it with arguments.
KerfinRun runKerfin(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files,
                    const std::vector<std::string>& arguments) {
  std::filesystem::create_directories(folder);
  std::string program = folder + "/kerfin";
  std::filesystem::copy_file(binaryPath("kerfin"), program, std::filesystem::copy_options::overwrite_existing);
  for (const auto& [name, contents] : files) writeWholeFile(folder + "/" + name, contents);
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  KerfinRun run;
  // Started from elsewhere: Kerfin must make its own folder the current one.
  run.process = runProcess(argv, "/", {"TMPDIR=" + folder});
  std::string out = folder + "/KerfinOut.qsrc";
  run.output = fileExists(out) ? readWholeFile(out) : "<missing>";
  return run;
}

bool endsWithExit(const std::string& output) {
  return output.size() >= 5 && output.compare(output.size() - 5, 5, "exit\n") == 0;
}

const std::string BLOCK_RULES = lf({"IF >", "ENDIF <", "ELSE <>", "FUNCTION <<>", "ENDFUNCTION <<"});

}  // namespace

TEST(Kerfin, ReindentsByTheRules) {
  struct Case {
    const char* name;
    std::string rules;
    std::vector<std::string> source;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"block if", BLOCK_RULES, {"IF a THEN", "x=1", "ENDIF"}, {"IF a THEN", "    x=1", "ENDIF"}},
      {"one-line if at the outermost level indents", BLOCK_RULES,
       {"IF a THEN b", "x=1"}, {"IF a THEN b", "    x=1"}},
      {"one-line if inside a block keeps the level", BLOCK_RULES,
       {"IF a THEN", "IF b THEN c", "x=1", "ENDIF"}, {"IF a THEN", "    IF b THEN c", "    x=1", "ENDIF"}},
      {"blank line inside a block", BLOCK_RULES,
       {"IF a THEN", "IF b THEN", "", "ENDIF", "ENDIF"}, {"IF a THEN", "    IF b THEN", "        ", "    ENDIF", "ENDIF"}},
      {"else", BLOCK_RULES, {"IF a THEN", "x", "ELSE", "y", "ENDIF"}, {"IF a THEN", "    x", "ELSE", "    y", "ENDIF"}},
      {"functions", BLOCK_RULES,
       {"  FUNCTION f()", "\t IF a THEN", "r=1", "ENDIF", "ENDFUNCTION", "done  "},
       {"FUNCTION f()", "    IF a THEN", "        r=1", "    ENDIF", "ENDFUNCTION", "done  "}},
      {"comments and unknown actions", lf({"# IF >", "IF >", "  # x", "ENDIF <", "LOOP sideways"}),
       {"IF a", "# note", "LOOP", "ENDIF"}, {"IF a", "    # note", "    LOOP", "ENDIF"}},
      {"several matching rules all act", lf({"IF >", "IF >"}), {"IF a", "b"}, {"    IF a", "        b"}},
      {"case-sensitive words", BLOCK_RULES, {"if a then", "x"}, {"if a then", "x"}},
      {"too many closings stay at the margin", BLOCK_RULES, {"ENDIF", "x"}, {"ENDIF", "x"}},
  };
  for (const Case& c : cases) {
    TemporaryFolder tmp;
    KerfinRun run = runKerfin(tmp.path(), {{"Kerfin.keys", c.rules}, {"in.qsrc", crlf(c.source)}}, {"in.qsrc"});
    EXPECT_EQ(run.process.exitCode, 0) << c.name;
    EXPECT_TRUE(endsWithExit(run.process.standardOutput)) << c.name << ": " << run.process.standardOutput;
    EXPECT_EQ(run.output, crlf(c.expected)) << c.name;
  }
}

TEST(Kerfin, LineFeedAndCarriageReturnSources) {
  TemporaryFolder tmp;
  const std::vector<std::string> source = {"IF a THEN", "x=1", "ENDIF"};
  const std::string expected = crlf({"IF a THEN", "    x=1", "ENDIF"});
  KerfinRun withLf = runKerfin(tmp.path() + "/lf", {{"Kerfin.keys", BLOCK_RULES}, {"s.qsrc", lf(source)}}, {"s.qsrc"});
  EXPECT_EQ(withLf.output, expected);
  KerfinRun rulesCrlf = runKerfin(tmp.path() + "/crlf", {{"Kerfin.keys", crlf({"IF >", "ENDIF <"})}, {"s.qsrc", crlf(source)}}, {"s.qsrc"});
  EXPECT_EQ(rulesCrlf.output, expected);
  // A last line without its line feed.
  KerfinRun noFinal = runKerfin(tmp.path() + "/nofinal", {{"Kerfin.keys", BLOCK_RULES}, {"s.qsrc", "IF a THEN\nx=1\nENDIF"}}, {"s.qsrc"});
  EXPECT_EQ(noFinal.output, expected);
}

TEST(Kerfin, MissingFilesAreSoftFailures) {
  TemporaryFolder tmp;
  KerfinRun noRules = runKerfin(tmp.path() + "/norules", {{"s.qsrc", crlf({"  IF a THEN", "\tx"})}}, {"s.qsrc"});
  EXPECT_EQ(noRules.process.exitCode, 0);
  EXPECT_EQ(noRules.output, crlf({"IF a THEN", "x"}));
  KerfinRun noSource = runKerfin(tmp.path() + "/nosource", {{"Kerfin.keys", BLOCK_RULES}}, {"missing.qsrc"});
  EXPECT_EQ(noSource.process.exitCode, 0);
  EXPECT_TRUE(endsWithExit(noSource.process.standardOutput));
  EXPECT_EQ(noSource.output, "");
}

TEST(Kerfin, WithoutAnArgumentReadsTestmy) {
  TemporaryFolder tmp;
  KerfinRun run = runKerfin(tmp.path(), {{"Kerfin.keys", BLOCK_RULES}, {"testmy.qsrc", crlf({"IF a", "b", "ENDIF"})}}, {});
  EXPECT_EQ(run.output, crlf({"IF a", "    b", "ENDIF"}));
}

TEST(Kerfin, AProgramPathWithABlankTakesItsSecondWord) {
  TemporaryFolder tmp;
  // The command line is "<tmp>/my tools/kerfin": its second blank-separated word is "tools/kerfin",
  // which names no file beside the program, so the output is empty; "real.qsrc" is ignored.
  std::string folder = tmp.path() + "/my tools";
  KerfinRun run = runKerfin(folder, {{"Kerfin.keys", BLOCK_RULES}, {"real.qsrc", crlf({"x"})}}, {"real.qsrc"});
  EXPECT_EQ(run.process.exitCode, 0);
  EXPECT_EQ(run.output, "");
  // With a file of that name beside the program it is the one re-indented.
  std::filesystem::create_directories(folder + "/tools");
  writeWholeFile(folder + "/tools/kerfin", crlf({"IF a", "b"}));
  KerfinRun named = runKerfin(folder, {}, {"real.qsrc"});
  EXPECT_EQ(named.output, crlf({"IF a", "    b"}));
}

TEST(Kerfin, ASingleWordRuleEndsWithOutOfBoundsBeforeWriting) {
  TemporaryFolder tmp;
  KerfinRun run = runKerfin(tmp.path(), {{"Kerfin.keys", lf({"IF >", "  #"})}, {"s.qsrc", crlf({"IF a", "# hello"})}}, {"s.qsrc"});
  EXPECT_EQ(run.process.exitCode, 0);
  EXPECT_EQ(run.output, "<missing>");
  EXPECT_EQ(run.process.standardError, "bounds: [   1]\naccess: [   1]\n");
  EXPECT_TRUE(endsWithExit(run.process.standardOutput));
  // A single-word rule that matches no line does nothing.
  KerfinRun unused = runKerfin(tmp.path() + "/unused", {{"Kerfin.keys", lf({"IF >", "LONE"})}, {"s.qsrc", crlf({"IF a", "b"})}}, {"s.qsrc"});
  EXPECT_EQ(unused.output, crlf({"IF a", "    b"}));
  EXPECT_EQ(unused.process.standardError, "");
}

TEST(Kerfin, RulesAndSourceFromAnArchivePackedIntoTheProgram) {
  TemporaryFolder tmp;
  std::string folder = tmp.path() + "/packed";
  std::filesystem::create_directories(folder);
  writeWholeFile(tmp.file("Kerfin.keys"), BLOCK_RULES);
  writeWholeFile(tmp.file("packed.qsrc"), crlf({"IF a THEN", "x", "ENDIF"}));
  ProcessResult pack = runProcess({binaryPath("vantrel-pack"), "-o", folder + "/kerfin", binaryPath("kerfin"),
                                   tmp.file("Kerfin.keys"), tmp.file("packed.qsrc")});
  ASSERT_EQ(pack.exitCode, 0) << pack.standardError;
  ProcessResult run = runProcess({folder + "/kerfin", "packed.qsrc"}, "/", {"TMPDIR=" + folder});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(readWholeFile(folder + "/KerfinOut.qsrc"), crlf({"IF a THEN", "    x", "ENDIF"}));
}
