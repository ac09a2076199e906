// What the documentation says of the program against the program itself: the
// man page's options against --help, the result files the man page and the
// launcher's README.txt name, and the subject length the README gives.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "app/subject_rules.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
       ++it)
    out.insert((*it)[0].str());
  return out;
}

// The text from the line starting with `from` up to the next line starting with `to`.
std::string Section(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find("\n" + from);
  if (start == std::string::npos) return {};
  const size_t end = text.find("\n" + to, start + 1);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

const std::regex kLongOption("--[a-z][a-z0-9-]*");

class DocsMatchProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("T2_BINARY_DIR");
    const char* source = std::getenv("T2_SOURCE_DIR");
    ASSERT_TRUE(binary && source);
    program_ = fs::path(binary) / "src/app/tavelin2";
    source_ = source;
  }
  fs::path program_, source_;
};

TEST_F(DocsMatchProgramTest, ManPageListsTheOptionsOfHelp) {
  if (!fs::exists(program_)) GTEST_SKIP() << "tavelin2 is not built";
  char pattern[] = "/tmp/t2-help-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path out = fs::path(pattern) / "help.txt";
  const std::string command = "env -u DISPLAY QT_QPA_PLATFORM=offscreen '" + program_.string() +
                              "' --help > '" + out.string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string help = ReadAll(out);
  fs::remove_all(pattern);

  // The backends' own options are listed by --help alone; the man page points there.
  const std::set<std::string> backend_only =
      Matches(Section(help, "Sensor backend options:", "\n"), kLongOption);
  std::set<std::string> in_help;
  for (const std::string& o : Matches(help, kLongOption))
    if (!backend_only.contains(o)) in_help.insert(o);

  std::string man = Section(ReadAll(source_ / "res/tavelin2.1"), ".SH OPTIONS", ".SH ");
  man = std::regex_replace(man, std::regex(R"(\\-)"), "-");
  std::set<std::string> in_man;
  for (const std::string& o : Matches(man, kLongOption))
    if (!backend_only.contains(o)) in_man.insert(o);

  EXPECT_TRUE(in_help.contains("--session") && in_help.contains("--report")) << help;
  EXPECT_EQ(in_help, in_man) << help;
}

TEST_F(DocsMatchProgramTest, ManPageAndLauncherReadmeNameEveryResultFile) {
  const std::regex kResultFile(R"(_(B|T|V)\.(csv|avi)|_run\.json|_report\.pdf)");
  const std::set<std::string> written = {"_B.csv",   "_T.csv",      "_V.avi", "_V.csv",
                                         "_run.json", "_report.pdf"};
  const std::string man = Section(ReadAll(source_ / "res/tavelin2.1"), ".SH FILES", ".SH ");
  EXPECT_EQ(Matches(man, kResultFile), written);
  const std::string launcher = ReadAll(source_ / "res/tavelin2-desktop.sh");
  EXPECT_EQ(Matches(Section(launcher, "Tavelin2 data folder", "README"), kResultFile), written);
  // Both say when the settings are written: a run's start as well as the end.
  EXPECT_NE(man.find("written when a run starts"), std::string::npos);
  EXPECT_NE(launcher.find("Written when a run starts"), std::string::npos);
}

TEST_F(DocsMatchProgramTest, ReadmeGivesTheSubjectLengthTheDialogAllows) {
  std::smatch m;
  const std::string readme = ReadAll(source_ / "README.md");
  ASSERT_TRUE(std::regex_search(readme, m, std::regex(R"(longer than ([0-9,]+) bytes)")));
  EXPECT_EQ(std::regex_replace(m[1].str(), std::regex(","), ""), std::to_string(kSubjectMaxBytes));
}

}  // namespace
