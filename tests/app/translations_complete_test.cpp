// The translations files against the program's sources: lupdate reads src/
// into a copy of each .ts, so a text marked for translation but missing from
// its file, or left unfinished there, fails here. tavelin2_en.ts holds English
// for the Japanese texts, tavelin2_ja.ts Japanese for the summary's and
// report's English ones (marked REPORT_NOOP, read with lupdate's aliases).

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdlib>

namespace {

struct Message {
  QString context, source, translation;
  bool finished = true;
};

std::vector<Message> ReadTs(const QString& path) {
  std::vector<Message> out;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return out;
  QXmlStreamReader xml(&file);
  QString context;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"name") context = xml.readElementText();
    if (xml.name() == u"message") out.push_back({context, {}, {}, true});
    if (xml.name() == u"source" && !out.empty()) out.back().source = xml.readElementText();
    if (xml.name() == u"translation" && !out.empty()) {
      const QString type = xml.attributes().value(QStringLiteral("type")).toString();
      out.back().finished = type.isEmpty();
      out.back().translation = xml.readElementText();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

// printf fields in order, then the numbered arguments (%1 to %9) in any
// order: a translation must take the same arguments.
QStringList Fields(const QString& text) {
  QStringList fields, numbered;
  static const QRegularExpression kField(QStringLiteral("%[1-9]|%[-+ #0-9.]*[a-zA-Z%]"));
  for (const auto& m : kField.globalMatch(text)) {
    const QString field = m.captured();
    (field.size() == 2 && field[1].isDigit() ? numbered : fields) << field;
  }
  numbered.sort();
  return fields + numbered;
}

struct TsCase {
  const char* file;
  QStringList lupdate_options;
  QString context;      // every message is of this context; empty: any
  size_t at_least = 0;  // the texts are read from src/ at all
};

void PrintTo(const TsCase& c, std::ostream* out) {
  *out << c.file;
}

class TranslationsComplete : public testing::TestWithParam<TsCase> {};

TEST_P(TranslationsComplete, EveryMarkedTextHasAFinishedTranslation) {
  const TsCase& c = GetParam();
  const QString source_dir = QString::fromUtf8(std::getenv("T2_SOURCE_DIR"));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString ts = dir.filePath(c.file);
  ASSERT_TRUE(QFile::copy(source_dir + "/res/translations/" + c.file, ts));
  QProcess lupdate;
  lupdate.start(QStringLiteral(T2_LUPDATE), QStringList{"-silent", "-locations", "none", "-no-obsolete"} +
                                               c.lupdate_options +
                                               QStringList{source_dir + "/src", "-ts", ts});
  ASSERT_TRUE(lupdate.waitForFinished(120'000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  const std::vector<Message> messages = ReadTs(ts);
  ASSERT_GE(messages.size(), c.at_least);
  for (const Message& m : messages) {
    const std::string where = m.context.toStdString() + ": " + m.source.toStdString();
    if (!c.context.isEmpty()) EXPECT_EQ(m.context, c.context) << where;
    EXPECT_TRUE(m.finished) << "not translated (run the update_translations target): " << where;
    EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
    EXPECT_EQ(Fields(m.translation), Fields(m.source)) << where;
  }
}

// The setup dialog's captions and the stage texts; the summary's and the
// report's sentences, titles and labels.
INSTANTIATE_TEST_SUITE_P(
    Files, TranslationsComplete,
    testing::Values(TsCase{"tavelin2_en.ts", {}, {}, 30},
                    TsCase{"tavelin2_ja.ts", {"-tr-function-alias", T2_REPORT_TR_ALIASES}, "Report", 60}),
    [](const testing::TestParamInfo<TsCase>& info) {
      return std::string(info.param.file).substr(9, 2);
    });

}  // namespace
