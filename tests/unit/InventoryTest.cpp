// The inventory of a batch (CSV) and the ${name} placeholders it fills.
#include "params/Inventory.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

namespace {
struct Lang {
  Lang() { g_chineseUi = 0; }
};
} // namespace

TEST(Inventory, CsvFieldsQuotesAndLineEnds) {
  Lang en;
  struct Case {
    const char *name;
    QByteArray text;
    QStringList header;
    QList<QStringList> rows;
  } const cases[] = {
      {"LF, last line without end", "port,id\n/dev/a,1\n/dev/b,2", {"port", "id"}, {{"/dev/a", "1"}, {"/dev/b", "2"}}},
      {"CR LF, empty lines skipped", "port,id\r\n\r\n/dev/a,1\r\n\r\n", {"port", "id"}, {{"/dev/a", "1"}}},
      {"lone CR ends a record too", "id\r7\r8", {"id"}, {{"7"}, {"8"}}},
      {"byte-order mark", "\xEF\xBB\xBFid\n5\n", {"id"}, {{"5"}}},
      // Only the file's own mark is skipped: one that begins a field is text.
      {"byte-order mark inside", "id\n\xEF\xBB\xBFx\n", {"id"}, {{QString(QChar(0xFEFF)) + QLatin1Char('x')}}},
      {"quoted comma, quote, line end",
       "a,b\n\"x,y\",\"say \"\"hi\"\"\"\n\"two\nlines\",\n",
       {"a", "b"},
       {{"x,y", "say \"hi\""}, {"two\nlines", ""}}},
      {"empty fields are fields", "a,b,c\n,,\n", {"a", "b", "c"}, {{"", "", ""}}},
      {"UTF-8 values", "name\n\xE7\xAB\x99\n", {"name"}, {{QString::fromUtf8("\xE7\xAB\x99")}}},
      {"header only", "port,id\n", {"port", "id"}, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    const auto t = ParseCsv(c.text, &error);
    ASSERT_TRUE(t.has_value()) << error.toStdString();
    EXPECT_EQ(t->header, c.header);
    EXPECT_EQ(t->rows, c.rows);
  }
}

TEST(Inventory, MalformedCsvSaysWhereAndWhy) {
  Lang en;
  struct Case {
    QByteArray text;
    const char *why;
  } const cases[] = {
      {"", "no header row"},
      {"\n\n", "no header row"},
      {"port,id\n/dev/a\n", "line 2 has 1 fields, the header has 2"},
      {"port,id\n/dev/a,1,x\n", "line 2 has 3 fields"},
      {"id\n\"open\n", "line 2: a quoted field is not closed"},
      {"id\n\"a\"b\n", "line 2: text after a closing quote"},
      {"id\nab\"c\n", "line 2: a quote inside a field that is not quoted"},
      {"id\n\xff\n", "line 2 is not UTF-8"},
      {"id,id\n1,2\n", "column \"id\" appears twice"},
      {"1st\n1\n", "bad column name \"1st\""},
      {"a b\n1\n", "bad column name \"a b\""},
      {"a,\n1,2\n", "bad column name \"\""},
      // The line count follows quoted line ends.
      {"id\n\"a\nb\"\n\"c\n", "line 4: a quoted field is not closed"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    QString error;
    EXPECT_FALSE(ParseCsv(c.text, &error).has_value());
    EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
  }
}

TEST(Inventory, PlaceholdersAreFilledOrRefusedWithTheReason) {
  Lang en;
  const QHash<QString, QString> vars{{QStringLiteral("id"), QStringLiteral("1001")},
                                     {QStringLiteral("site"), QString::fromUtf8("\xE7\xAB\x99")},
                                     {QStringLiteral("empty"), QString()},
                                     {QStringLiteral("nogbk"), QString::fromUtf8("\xF0\x9F\x98\x80")}};
  struct Case {
    QByteArray value;
    const char *filled; // nullptr: refused
    const char *why;
  } const cases[] = {
      {"plain", "plain", nullptr},
      {"${id}", "1001", nullptr},
      {"dtu-${id}-${id}", "dtu-1001-1001", nullptr},
      {"$5 and ${ and", nullptr, "a \"${\" without its \"}\""},
      {"cost $5", "cost $5", nullptr},
      {"${site}", "\xD5\xBE", nullptr}, // GBK bytes of the character
      {"${}", nullptr, "bad placeholder name \"\""},
      {"${a-b}", nullptr, "bad placeholder name \"a-b\""},
      {"${missing}", nullptr, "placeholder ${missing} has no value"},
      {"${empty}", nullptr, "placeholder ${empty} has no value"},
      {"${nogbk}", nullptr, "GBK cannot encode"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value.toStdString());
    QString error;
    const auto out = FillPlaceholders(c.value, vars, &error);
    if (c.filled) {
      ASSERT_TRUE(out.has_value()) << error.toStdString();
      EXPECT_EQ(*out, QByteArray(c.filled));
    } else {
      EXPECT_FALSE(out.has_value());
      EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
    }
  }
}

TEST(Inventory, ATableNamesTheLabelOfAPlaceholderItCannotFill) {
  Lang en;
  ParamArray file{};
  file[0] = {"Access Point Name:", "apn-${site}", 0, 1};
  file[20] = {"Modem's ID number", "${id}", 0, 1};
  file[21] = {"Modem's Phone Number", "${phone}", 0, 0}; // not in the file: never looked at
  QStringList names;
  QString error;
  ASSERT_TRUE(TablePlaceholders(file, names, &error));
  EXPECT_EQ(names, (QStringList{QStringLiteral("site"), QStringLiteral("id")}));

  const auto filled = FillTable(
      file, {{QStringLiteral("site"), QStringLiteral("n")}, {QStringLiteral("id"), QStringLiteral("7")}}, &error);
  ASSERT_TRUE(filled.has_value()) << error.toStdString();
  EXPECT_EQ((*filled)[0].szValue, QByteArray("apn-n"));
  EXPECT_EQ((*filled)[20].szValue, QByteArray("7"));
  EXPECT_EQ((*filled)[21].szValue, QByteArray("${phone}"));

  EXPECT_FALSE(FillTable(file, {{QStringLiteral("site"), QStringLiteral("n")}}, &error).has_value());
  EXPECT_EQ(error, QStringLiteral("Modem's ID number: placeholder ${id} has no value"));
}
