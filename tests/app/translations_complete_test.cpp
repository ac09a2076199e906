// The English translations file against the program's sources: lupdate reads
// src/ into a copy of the .ts, so a text marked for translation but missing
// from the file, or left unfinished there, fails here.

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

TEST(TranslationsComplete, EveryMarkedTextHasAFinishedEnglishTranslation) {
  const QString source_dir = QString::fromUtf8(std::getenv("T2_SOURCE_DIR"));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString ts = dir.filePath("tavelin2_en.ts");
  ASSERT_TRUE(QFile::copy(source_dir + "/res/translations/tavelin2_en.ts", ts));
  QProcess lupdate;
  lupdate.start(QStringLiteral(T2_LUPDATE),
                {"-silent", "-locations", "none", "-no-obsolete", source_dir + "/src", "-ts", ts});
  ASSERT_TRUE(lupdate.waitForFinished(120'000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  const std::vector<Message> messages = ReadTs(ts);
  // The setup dialog's captions and the stage texts are read from src/ at all.
  ASSERT_GE(messages.size(), 30u);
  for (const Message& m : messages) {
    const std::string where = m.context.toStdString() + ": " + m.source.toStdString();
    EXPECT_TRUE(m.finished) << "not translated (run the update_translations target): " << where;
    EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
    EXPECT_EQ(Fields(m.translation), Fields(m.source)) << where;
  }
}

}  // namespace
