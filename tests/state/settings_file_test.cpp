// The settings store: how lines of the file become entries, how values convert
// to integers, and the bytes Save writes.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "state/settings_file.h"
#include "state/temp_workdir.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const SettingsFile& store) {
  EXPECT_EQ(store.keys.size(), static_cast<size_t>(store.entry_count));
  EXPECT_EQ(store.values.size(), static_cast<size_t>(store.entry_count));
  Entries out;
  for (int32_t i = 0; i < store.entry_count; ++i) out.emplace_back(store.keys[i], store.values[i]);
  return out;
}

class SettingsFileTest : public TempWorkdir {
 protected:
  Entries LoadBytes(const std::string& bytes) {
    WriteBytes("Tavelin2.ini", bytes);
    SettingsFile store;
    store.Load("Tavelin2");
    return EntriesOf(store);
  }
};

struct LoadCase {
  const char* name;
  std::string file;
  Entries expected;
};

TEST_F(SettingsFileTest, LinesBecomeEntries) {
  const LoadCase cases[] = {
      {"plain", "timelimit=30\r\n", {{"timelimit", "30"}}},
      {"blanks and tabs", " \ttimelimit \t=  \t30\t \r\n", {{"timelimit", "30"}}},
      {"second = drops the rest", "janken = 2 = 1\r\n", {{"janken", "2"}}},
      {"run of =", "janken == 2\r\n", {{"janken", "2"}}},
      {"key alone", "flag_head\r\n", {{"flag_head", ""}}},
      {"leading = skipped", "=5\r\n", {{"5", ""}}},
      {"no comment syntax", "# note\r\n; note\r\n", {{"# note", ""}, {"; note", ""}}},
      {"bare LF and no final line end",
       "mirror = 0\nflag_foot = 1",
       {{"mirror", "0"}, {"flag_foot", "1"}}},
      {"blank lines skipped", "\r\n \t \r\n\n\tmirror = 0\n\n", {{"mirror", "0"}}},
      {"later duplicate keeps the first place",
       "timelimit = 30\r\njanken = 1\r\ntimelimit = 90\r\n",
       {{"timelimit", "90"}, {"janken", "1"}}},
      {"keys are case-sensitive",
       "Timelimit = 5\r\ntimelimit = 6\r\n",
       {{"Timelimit", "5"}, {"timelimit", "6"}}},
      {"lines of only = are skipped",
       "=\r\n===\r\n= =\r\n \t=\t= \r\nmirror = 0\r\n",
       {{"mirror", "0"}}},
      {"empty key with a value is kept", "= = x\r\n", {{"", "x"}}},
      {"lone CR is an ordinary byte", "a = x\ry\r\n", {{"a", "x\ry"}}},
      {"UTF-8 subject", "subject = たろう\r\n", {{"subject", "たろう"}}},
      // Shift-JIS: たろう and 表 (trail byte 0x5C); the bytes stay as they are.
      {"Shift-JIS subject",
       "subject = \x82\xbd\x82\xeb\x82\xa4\x95\x5c\r\n",
       {{"subject", "\x82\xbd\x82\xeb\x82\xa4\x95\x5c"}}},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LoadBytes(c.file), c.expected);
  }
}

// A read takes at most 1023 characters, CR LF counting as one: a longer line
// becomes several entries, and a line that fits must not keep a stray CR.
TEST_F(SettingsFileTest, LongLinesAreSplitEvery1023Characters) {
  for (size_t length : {1021u, 1022u, 1023u, 1024u, 2045u, 2046u, 2047u}) {
    SCOPED_TRACE(length);
    std::string line;
    for (size_t i = 0; i < length; ++i) line.push_back(static_cast<char>('a' + i % 26));
    Entries expected;
    for (size_t at = 0; at < length; at += 1023) expected.emplace_back(line.substr(at, 1023), "");
    expected.emplace_back("next", "1");
    EXPECT_EQ(LoadBytes(line + "\r\nnext = 1\r\n"), expected);
  }
}

TEST_F(SettingsFileTest, MissingFileLeavesTheStoreEmpty) {
  SettingsFile store;
  store.Load("Tavelin2");
  EXPECT_EQ(store.path, "Tavelin2.ini");
  EXPECT_EQ(store.entry_count, 0);
  std::string text = "kept";
  EXPECT_FALSE(store.GetString("subject", text));
  EXPECT_EQ(text, "kept");
}

TEST(SettingsFileGetInt, ConvertsLikeStrtolWithClamping) {
  const std::pair<std::string, int32_t> cases[] = {
      {"30", 30},
      {"45s", 45},
      {"abc", 0},
      {"-0", 0},
      {"", 0},
      {"007", 7},
      {"+12", 12},
      {"-12", -12},
      {" \t-7x", -7},
      {"- 5", 0},
      {"0x1A", 0},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", INT32_MIN},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    SettingsFile store;
    store.SetString("timelimit", text);
    int32_t value = 12345;
    EXPECT_TRUE(store.GetInt("timelimit", value));
    EXPECT_EQ(value, expected);
  }
}

TEST(SettingsFileGetInt, MissingKeyLeavesTheDestination) {
  SettingsFile store;
  store.SetString("timelimit", "30");
  int32_t value = 60;
  EXPECT_FALSE(store.GetInt("Timelimit", value));
  EXPECT_EQ(value, 60);
}

TEST(SettingsFileSet, ReplacesInPlaceAndAppendsNewKeys) {
  SettingsFile store;
  store.SetString("subject", "A");
  store.SetInt("mirror", 1);
  store.SetInt("subject", INT32_MIN);
  store.SetInt("janken", -5);
  EXPECT_EQ(EntriesOf(store),
            (Entries{{"subject", "-2147483648"}, {"mirror", "1"}, {"janken", "-5"}}));
}

TEST_F(SettingsFileTest, SaveWritesEveryEntryWithCrLf) {
  WriteBytes("Tavelin2.ini", "flag_head\n# note\r\nmirror=0\n" + std::string(3000, 'z'));
  SettingsFile store;
  store.Load("Tavelin2");
  store.SetString("subject", "SBJ0001");
  store.Save();
  EXPECT_EQ(ReadBytes("Tavelin2.ini"), "flag_head = \r\n# note = \r\nmirror = 0\r\n" +
                                           std::string(1023, 'z') + " = \r\n" +
                                           std::string(954, 'z') + " = \r\nsubject = SBJ0001\r\n");
  EXPECT_FALSE(std::filesystem::exists("Tavelin2.ini.tmp"));
}

// What Save writes must come back from Load as the same entries; an entry that
// cannot is left out rather than written as something else.
TEST_F(SettingsFileTest, EntriesThatCannotBeReadBackAreLeftOut) {
  const std::string long_value(1021, 'v');
  struct Case {
    const char* name;
    std::string key, value;
    std::string written;  // "" when left out
  };
  const Case cases[] = {
      {"empty key", "", "timelimit", ""},
      {"key of blanks", " ", "x", ""},
      {"key with =", "a=b", "x", ""},
      {"key with outer blank", "a ", "x", ""},
      {"key with LF", "a\nb", "x", ""},
      {"value with LF", "a", "x\ny", ""},
      {"key cut at NUL to nothing", std::string("\0k", 2), "x", ""},
      {"plain", "a", "x", "a = x\r\n"},
      {"value with = comes back shortened", "subject", "A=B", "subject = A=B\r\n"},
      {"long value without the blanks", "k", long_value, "k=" + long_value + "\r\n"},
      {"too long even without them", "kk", long_value + "w", ""},
      {"longest key with no value", std::string(1023, 'k'), "", std::string(1023, 'k') + " = \r\n"},
      {"key longer than a read", std::string(1024, 'k'), "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove("Tavelin2.ini");
    SettingsFile store;
    store.Load("Tavelin2");
    store.SetString(c.key, c.value);
    EXPECT_EQ(SettingsFile::CanBeReadBack(c.key, c.value), !c.written.empty());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadBytes("Tavelin2.ini"), c.written);
    if (c.written.empty()) continue;
    SettingsFile again;
    again.Load("Tavelin2");
    EXPECT_EQ(EntriesOf(again), (Entries{{c.key, c.value == "A=B" ? "A" : c.value}}));
  }
}

// A hand-edited "= = timelimit" is an entry with an empty key; written back as
// " = timelimit" it would come back as the key "timelimit" with no value (0).
TEST_F(SettingsFileTest, EmptyKeyEntryDoesNotTurnIntoAnotherKey) {
  EXPECT_EQ(LoadBytes("= = timelimit\r\nmirror = 0\r\n"),
            (Entries{{"", "timelimit"}, {"mirror", "0"}}));
  SettingsFile store;
  store.Load("Tavelin2");
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes("Tavelin2.ini"), "mirror = 0\r\n");
  // A value that fills its piece to the end is kept by dropping the blanks.
  const std::string piece = "k=" + std::string(1021, 'v');
  EXPECT_EQ(LoadBytes(piece + "\r\n"), (Entries{{"k", std::string(1021, 'v')}}));
  SettingsFile long_store;
  long_store.Load("Tavelin2");
  ASSERT_TRUE(long_store.Save());
  EXPECT_EQ(ReadBytes("Tavelin2.ini"), piece + "\r\n");
}

// A folder of that name opens but cannot be read; a file without read
// permission does not open. Either way the store is empty and says why.
TEST_F(SettingsFileTest, UnreadableFileLeavesTheStoreEmptyAndSaysWhy) {
  std::filesystem::create_directory("Tavelin2.ini");
  SettingsFile store;
  store.Load("Tavelin2");
  EXPECT_EQ(store.entry_count, 0);
  EXPECT_EQ(store.load_error, std::strerror(EISDIR));

  SettingsFile missing;
  missing.Load("Other");
  EXPECT_EQ(missing.load_error, "");
}

TEST_F(SettingsFileTest, SaveWithoutLoadWritesNothing) {
  SettingsFile store;
  store.SetString("subject", "A");
  store.Save();
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(SettingsFileTest, SaveKeepsPermissionsAndSymbolicLinks) {
  WriteBytes("real.ini", "mirror = 1\r\n");
  ASSERT_EQ(::chmod("real.ini", 0640), 0);
  std::filesystem::create_symlink("real.ini", "Tavelin2.ini");
  SettingsFile store;
  store.Load("Tavelin2");
  store.SetInt("mirror", 0);
  store.Save();
  EXPECT_TRUE(std::filesystem::is_symlink("Tavelin2.ini"));
  EXPECT_EQ(ReadBytes("real.ini"), "mirror = 0\r\n");

  SettingsFile direct;
  direct.Load("real");
  direct.SetInt("janken", 2);
  direct.Save();
  struct stat st {};
  ASSERT_EQ(::stat("real.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes("real.ini"), "mirror = 0\r\njanken = 2\r\n");
}

// The settings hold the subject's name. In a folder other accounts can write
// to, what another account put at the file's names gets nothing: its link is
// not followed, its file is replaced by one for the user alone, and a link at
// the temporary file's name is removed, not written through.
TEST_F(SettingsFileTest, SaveNeverWritesThroughAnotherAccountsNames) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another account";
  const uid_t other = 54398;
  struct Case {
    const char* label;
    const char* planted;  // the name another account took
    bool link;            // a link to the user's file "thesis.txt", else a file of its own
    bool saved;
  };
  const Case cases[] = {
      {"a link as the settings file", "Tavelin2.ini", true, false},
      {"a file as the settings file", "Tavelin2.ini", false, true},
      {"a link as the temporary file", "Tavelin2.ini.tmp", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (const char* name : {"Tavelin2.ini", "Tavelin2.ini.tmp"}) std::filesystem::remove(name);
    WriteBytes("thesis.txt", "the user's\n");
    if (c.link) {
      std::filesystem::create_symlink("thesis.txt", c.planted);
    } else {
      WriteBytes(c.planted, "subject = THEIRS\r\n");
      ASSERT_EQ(::chmod(c.planted, 0666), 0);
    }
    ASSERT_EQ(::lchown(c.planted, other, other), 0);
    SettingsFile store;
    store.Load("Tavelin2");
    store.SetString("subject", "CHILD01");
    EXPECT_EQ(store.Save(), c.saved);
    EXPECT_EQ(ReadBytes("thesis.txt"), "the user's\n");
    struct stat st {};
    ASSERT_EQ(::lstat("Tavelin2.ini", &st), 0);
    if (c.saved) {
      EXPECT_EQ(ReadBytes("Tavelin2.ini"), "subject = CHILD01\r\n");
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(st.st_uid, ::geteuid());
      EXPECT_EQ(st.st_mode & 07777, 0600u);
      EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("Tavelin2.ini.tmp")));
    } else {
      EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
  }
}

// When the new file cannot be written in full, the old one must survive untouched.
TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFile) {
  WriteBytes("Tavelin2.ini", "subject = KEEP\r\n");
  SettingsFile store;
  store.Load("Tavelin2");
  store.SetString("subject", "a subject long enough to go past the size limit");

  std::filesystem::create_directory("Tavelin2.ini.tmp");  // no temporary file possible
  store.Save();
  EXPECT_EQ(ReadBytes("Tavelin2.ini"), "subject = KEEP\r\n");
  std::filesystem::remove("Tavelin2.ini.tmp");

  // A full disk: writes beyond 24 bytes fail.
  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 24;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  store.Save();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ReadBytes("Tavelin2.ini"), "subject = KEEP\r\n");
  EXPECT_FALSE(std::filesystem::exists("Tavelin2.ini.tmp"));

  SettingsFile elsewhere;
  elsewhere.Load("no-such-dir/Tavelin2");
  elsewhere.SetString("subject", "NEW");
  elsewhere.Save();  // nothing to open: nothing happens
  EXPECT_FALSE(std::filesystem::exists("no-such-dir"));
}

}  // namespace
