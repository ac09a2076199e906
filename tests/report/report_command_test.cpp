// tavelin2 --report on files of the Windows version (CR LF, Shift-JIS subject)
// and on files that are no result files: the real program, without a display,
// in the language given or kept for the user.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("T2_BINARY_DIR");
    const char* source = std::getenv("T2_SOURCE_DIR");
    ASSERT_TRUE(binary && source);
    program_ = fs::path(binary) / "src/app/tavelin2";
    fixtures_ = fs::path(source) / "tests/report/fixtures";
    if (!fs::exists(program_)) GTEST_SKIP() << "tavelin2 is not built";
    char pattern[] = "/tmp/t2-report-cmd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    // The user's own settings (the language kept), apart from the run's folder.
    config_ = dir_.string() + "-config";
    fs::create_directories(config_ / "Tavelin2");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
    if (!config_.empty()) fs::remove_all(config_);
  }

  // The language the Language menu keeps for the user; "" none.
  void KeepLanguage(const std::string& code) {
    const fs::path settings = config_ / "Tavelin2/tavelin2.ini";
    if (code.empty()) {
      fs::remove(settings);
    } else {
      std::ofstream(settings) << "[General]\nlanguage=" << code << "\n";
    }
  }

  // The report's text as pdftotext reads it; "" without pdftotext.
  static std::string PdfText(const fs::path& pdf) {
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) return "";
    const std::string text_path = pdf.string() + ".txt";
    if (std::system(("pdftotext -layout '" + pdf.string() + "' '" + text_path + "'").c_str()) != 0)
      return "";
    std::string text = ReadAll(text_path);
    fs::remove(text_path);
    return text;
  }

  // The program with no display at all and Qt told to use X: it must not try.
  Outcome Report(const std::string& args) {
    // A reader blocked on a FIFO is stopped after a minute (status 124).
    const std::string command = "cd '" + dir_.string() + "' && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY " +
                                "QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME='" + config_.string() + "' '" +
                                program_.string() + "' --report " + args +
                                " >out.txt 2>err.txt";
    Outcome o;
    const int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = ReadAll(dir_ / "out.txt");
    o.err = ReadAll(dir_ / "err.txt");
    fs::remove(dir_ / "out.txt");
    fs::remove(dir_ / "err.txt");
    return o;
  }

  // Files in the folder besides the ones a case wrote.
  bool OnlyInputs(size_t inputs) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
      (void)e;
      ++n;
    }
    return n == inputs;
  }

  fs::path program_, fixtures_, dir_, config_;
};

TEST_F(ReportCommandTest, WindowsFilesGetTheirReport) {
  for (const char* name : {"win_20160305_090702.csv", "win_20160305_090702_B.csv"})
    fs::copy_file(fixtures_ / name, dir_ / name);
  // A link named like the report's temporary file is not written through.
  std::ofstream(dir_ / "thesis.txt") << "Chapter 1\n";
  fs::create_symlink(dir_ / "thesis.txt", dir_ / "win_20160305_090702_report.pdf.part");
  // Any file of the run names it: here the body file.
  const Outcome o = Report("--language=en win_20160305_090702_B.csv");
  EXPECT_EQ(ReadAll(dir_ / "thesis.txt"), "Chapter 1\n");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "win_20160305_090702_report.pdf\n");
  const fs::path pdf = dir_ / "win_20160305_090702_report.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(ReadAll(pdf).substr(0, 5), "%PDF-");
  EXPECT_FALSE(fs::exists(dir_ / "win_20160305_090702_report.pdf.part"));
  EXPECT_EQ(fs::status(pdf).permissions(), fs::perms::owner_read | fs::perms::owner_write)
      << "the report of a child's run is for the user alone";

  const std::string text = PdfText(pdf);
  if (text.empty()) GTEST_SKIP() << "needs pdftotext (poppler-utils) to read the report back";
  // The Shift-JIS subject in UTF-8, the run's condition and its figures.
  for (const char* part : {"たろう, 2016/03/05 09:07:02", "janken normal", "Balloons popped",
                           "4 (start balloon included)", "1204 ms", "RT median",
                           "no run record (_run.json) for this run", "Hit map", "page 4"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
  EXPECT_EQ(text.find("page 5"), std::string::npos) << "one run: four pages";
}

// The report in the language given before the files, else in the one kept
// for the user, else Japanese; the values as they are in either.
TEST_F(ReportCommandTest, ReportInTheLanguageGivenOrKept) {
  struct Case {
    const char* name;
    const char* kept;    // in the user's settings; "" none
    const char* option;  // before the file; "" none
    bool english;
  };
  const Case cases[] = {
      {"given en", "", "--language=en", true},
      {"given ja over a kept en", "en", "--language=ja", false},
      {"kept en", "en", "", true},
      {"none kept: Japanese", "", "", false},
  };
  const char* const english[] = {"Tavelin2 run report: たろう, 2016/03/05 09:07:02",
                                 "Verdict: usable.", "janken normal",
                                 "Balloons popped", "4 (start balloon included)",
                                 "Reaction time per trial", "Hit map", "page 4"};
  const char* const japanese[] = {"Tavelin2 実行レポート：たろう、2016/03/05 09:07:02",
                                  "判定：使用可。", "ノーマルじゃんけん",
                                  "割った風船", "4 個（開始の風船を含む）", "試行ごとの反応時間",
                                  "ヒットマップ", "4 ページ"};
  const char* const values[] = {"2016/03/05 09:07:02", "1204 ms"};
  for (const char* name : {"win_20160305_090702.csv", "win_20160305_090702_B.csv"})
    fs::copy_file(fixtures_ / name, dir_ / name);
  const fs::path pdf = dir_ / "win_20160305_090702_report.pdf";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeepLanguage(c.kept);
    const Outcome o = Report(std::string(c.option) + " win_20160305_090702.csv");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "win_20160305_090702_report.pdf\n");
    const std::string text = PdfText(pdf);
    if (text.empty()) GTEST_SKIP() << "needs pdftotext (poppler-utils) to read the report back";
    for (const char* part : values) EXPECT_NE(text.find(part), std::string::npos) << part;
    for (const char* part : c.english ? english : japanese)
      EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    for (const char* part : c.english ? japanese : english)
      EXPECT_EQ(text.find(part), std::string::npos) << part;
  }

  const Outcome unknown = Report("--language=fr win_20160305_090702.csv");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("--language=fr: needs en (English) or ja (Japanese)"), std::string::npos)
      << unknown.err;
}

TEST_F(ReportCommandTest, FilesThatAreNotTrialFilesGetAMessageAndNoReport) {
  struct Case {
    const char* name;
    std::string trial;  // content of x_20160305_090702.csv; "" for none
    bool body;          // with the fixture's body file beside it
    const char* message;
  };
  const std::string header =
      "Subject,Date,Time,Trial,Cond_J,Cond_M,BodyID,TgtHand,Tgt_X,Tgt_Y,Hand_L,Hand_LX,Hand_LY,"
      "Hand_R,Hand_RX,Hand_RY,Resp,RT,TotalRT\r\n";
  const Case cases[] = {
      {"a spreadsheet", "Name,Age\r\nKen,4\r\n", true, "not a trial file"},
      {"an empty file", "", true, "the file is empty"},
      {"no body file", header, false, "its body file"},
      {"a row cut short", header + "P1,2016/03/05,09:07:02,0,0,1,7,0,480\r\n", true, "line 2"},
      {"a word for a number",
       header + "P1,2016/03/05,09:07:02,0,0,1,7,0,480,270,1,2,3,1,2,3,Hand_R,fast,0\r\n", true,
       "\"fast\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "x_20160305_090702.csv", std::ios::binary) << c.trial;
    if (c.body)
      fs::copy_file(fixtures_ / "win_20160305_090702_B.csv", dir_ / "x_20160305_090702_B.csv");
    const Outcome o = Report("x_20160305_090702.csv");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("tavelin2: no report for x_20160305_090702.csv: "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_TRUE(OnlyInputs(c.body ? 2 : 1)) << "a report or a partial file was left";
  }

  const Outcome missing = Report("nothing_here.csv");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot be opened"), std::string::npos) << missing.err;
  const Outcome none = Report("");
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("--report needs a trial file"), std::string::npos) << none.err;
}

// A file of the run that is there but is no regular file: the reason, exit
// status 1 at once (a FIFO is never opened for reading), no report.
TEST_F(ReportCommandTest, FilesOfTheRunThatCannotBeReadGetTheirReason) {
  const std::string stem = "win_20160305_090702";
  const std::pair<const char*, bool> cases[] = {
      // which file, and a FIFO (else a folder) in its place
      {".csv", false}, {"_B.csv", false}, {"_B.csv", true}, {"_T.csv", true}, {"_run.json", false}};
  for (const auto& [suffix, fifo] : cases) {
    SCOPED_TRACE(std::string(suffix) + (fifo ? " FIFO" : " folder"));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {".csv", "_B.csv"})
      fs::copy_file(fixtures_ / (stem + name), dir_ / (stem + name));
    const fs::path file = dir_ / (stem + suffix);
    fs::remove(file);
    if (fifo) {
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    } else {
      fs::create_directory(file);
    }
    const Outcome o = Report(stem + "_B.csv");
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(stem + suffix + ": cannot be read: it is a " + (fifo ? "FIFO" : "folder")),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(dir_ / (stem + "_report.pdf")));
  }
}

}  // namespace
