// The settings store: parsing, the 259-character limit, failures, the one-time import.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

#include "gui/app/registry_profile.h"

using quillet::CRegistryProfile;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_file = m_dir->filePath("settings.ini");
  }

  void getIntParsesLikeTheOldStore_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("trailing letters") << QByteArray("42abc") << 42;
    QTest::newRow("leading blank and sign") << QByteArray("\" -7\"") << -7;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("no number") << QByteArray("abc") << 99;
    QTest::newRow("sign only") << QByteArray("-") << 99;
    QTest::newRow("empty") << QByteArray("") << 99;
    QTest::newRow("too large saturates") << QByteArray("99999999999") << INT_MAX;
    QTest::newRow("too small saturates") << QByteArray("-99999999999") << INT_MIN;
  }
  void getIntParsesLikeTheOldStore() {
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    WriteFile(m_file, "[Screen]\nx=" + stored + "\n");
    CRegistryProfile p;
    QVERIFY(p.OpenRoot(m_file));
    QCOMPARE(p.GetInt("Screen", "x", 99), expected);
  }

  void valuesOf260CharactersReadAsDefault_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("whole");
    QTest::newRow("259") << 259 << true;
    QTest::newRow("260") << 260 << false;
  }
  void valuesOf260CharactersReadAsDefault() {
    QFETCH(int, length);
    QFETCH(bool, whole);
    CRegistryProfile p;
    QVERIFY(p.OpenRoot(m_file));
    const QString text(length, QChar('7'));
    QVERIFY(p.WriteString("Search", "Name", text));
    QCOMPARE(p.GetString("Search", "Name", "dflt"), whole ? text : QString("dflt"));
    QCOMPARE(p.GetInt("Search", "Name", -3), whole ? INT_MAX : -3);
  }

  // Every value is stored as text; each call reads the file afresh.
  void writesStoreTextAndNothingIsCached() {
    CRegistryProfile p;
    bool created = false;
    QVERIFY(p.OpenRoot(m_file, &created));
    QVERIFY(created);
    QVERIFY(p.WriteInt("Screen", "x", -1));
    QVERIFY(ReadFile(m_file).contains("x=-1"));
    // Another size: Qt's settings layer knows a file again by its size and time stamp,
    // and a rewrite within the same millisecond would keep both.
    WriteFile(m_file, "[Screen]\nx=123\n");
    QCOMPARE(p.GetInt("Screen", "x", 0), 123);
    QCOMPARE(p.GetString("Nowhere", "x", "d"), QString("d"));
    // A value with a comma comes back as the same text.
    QVERIFY(p.WriteString("Search", "Name", "/data/a,b"));
    QCOMPARE(p.GetString("Search", "Name", ""), QString("/data/a,b"));
    WriteFile(m_file, "[Search]\nName=/x/a,b\n");
    QCOMPARE(p.GetString("Search", "Name", ""), QString("/x/a,b"));
    // Names match without regard to case and keep the spelling found in the file.
    WriteFile(m_file, "[SEARCH]\nLIMIT=0\n");
    QCOMPARE(p.GetInt("Search", "Limit", 1), 0);
    QVERIFY(p.WriteInt("Search", "Limit", 1));
    QCOMPARE(ReadFile(m_file), QByteArray("[SEARCH]\nLIMIT=1\n"));
    CRegistryProfile again;
    QVERIFY(again.OpenRoot(m_file, &created));
    QVERIFY(!created);
  }

  // A store that cannot be made reads defaults and fails every write, quietly.
  void unusableStoreReadsDefaultsAndFailsWrites() {
    WriteFile(m_dir->filePath("blocker"), "not a folder");
    CRegistryProfile p;
    QVERIFY(!p.OpenRoot(m_dir->filePath("blocker/settings.ini")));
    QVERIFY(!p.WriteInt("Screen", "x", 5));
    QCOMPARE(p.GetInt("Screen", "x", 8), 8);
    QVERIFY(!QFile::exists(m_dir->filePath("blocker/settings.ini")));
  }

  void importCarriesSectionsAndValuesOver() {
    const QString ini = m_dir->filePath("Quillet.INI");
    WriteFile(ini,
              "Orphan=before any section\n"
              "  [ Search ]  \n"
              "Limit=0\n"
              "Name = /data/ms \n"
              "no equals sign here\n"
              "[Settings]x\n"
              "Drive=/mnt\n"
              "[Screen]\n"
              "cx=640\n" +
                  QByteArray("Pad=") + QByteArray(515, 'a') + "Tail=7\n");
    CRegistryProfile p;
    QVERIFY(p.OpenRoot(m_file));
    QVERIFY(p.ImportIniFile(ini));
    QCOMPARE(p.GetInt("Search", "Limit", 1), 0);
    // The line is trimmed as a whole; name and value are not trimmed further.
    QCOMPARE(p.GetString("Search", "Name ", ""), QString(" /data/ms"));
    QCOMPARE(p.GetString("Search", "Orphan", "none"), QString("none"));
    // "[Settings]x" is no section line: Drive still goes into Search.
    QCOMPARE(p.GetString("Search", "Drive", ""), QString("/mnt"));
    QCOMPARE(p.GetInt("Screen", "cx", 0), 640);
    // A line longer than 519 characters is read in pieces of 519.
    QCOMPARE(p.GetInt("Screen", "Tail", 0), 7);
    QCOMPARE(p.GetString("Screen", "Pad", "long"), QString("long"));
    QVERIFY(!p.ImportIniFile(m_dir->filePath("missing.INI")));
  }

 private:
  std::unique_ptr<QTemporaryDir> m_dir;
  QString m_file;
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
