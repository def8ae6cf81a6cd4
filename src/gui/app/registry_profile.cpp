#include "gui/app/registry_profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTextStream>
#include <limits>

namespace quillet {

namespace {

// Section and key names are matched without regard to letter case, as the
// registry matches them; a name already in the file keeps its own spelling.
QString KeyPath(QSettings& settings, const QString& section, const QString& key) {
  QString group = section;
  for (const QString& g : settings.childGroups()) {
    if (g.compare(section, Qt::CaseInsensitive) == 0) group = g;
  }
  QString name = key;
  settings.beginGroup(group);
  for (const QString& k : settings.childKeys()) {
    if (k.compare(key, Qt::CaseInsensitive) == 0) name = k;
  }
  settings.endGroup();
  return group + '/' + name;
}

// A value as stored text; QSettings reads an unquoted "a,b" as a list, which the
// store never writes but a hand-edited file may hold.
bool ReadValue(const QString& file, const QString& section, const QString& key, QString* out) {
  if (!QFileInfo::exists(file)) return false;
  QSettings settings(file, QSettings::IniFormat);
  const QVariant value = settings.value(KeyPath(settings, section, key));
  if (!value.isValid()) return false;
  const QString text =
      value.typeId() == QMetaType::QStringList ? value.toStringList().join(',') : value.toString();
  if (text.size() > CRegistryProfile::kMaxValueLength) return false;
  *out = text;
  return true;
}

// Makes the file when it is missing, as a write makes a missing key.
bool WriteValue(const QString& file, const QString& section, const QString& key,
                const QString& text) {
  if (file.isEmpty()) return false;
  QSettings settings(file, QSettings::IniFormat);
  if (!settings.isWritable()) return false;
  settings.setValue(KeyPath(settings, section, key), text);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace

bool CRegistryProfile::OpenRoot(const QString& filePath, bool* created) {
  m_strRootPath = filePath;
  if (created) *created = false;
  if (QFileInfo::exists(filePath)) return QFileInfo(filePath).isFile();
  if (!QDir().mkpath(QFileInfo(filePath).absolutePath())) return false;
  QFile file(filePath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
  file.close();
  if (created) *created = true;
  return true;
}

bool CRegistryProfile::ParseInt(const QString& text, int* value) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  // Saturates like the C library's conversion of a 32-bit long.
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i].unicode() - '0');
    if (n > std::numeric_limits<int>::max()) n = std::numeric_limits<int>::max() + 1LL;
  }
  if (negative) n = -n;
  n = std::clamp<long long>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  *value = static_cast<int>(n);
  return true;
}

int CRegistryProfile::GetInt(const QString& section, const QString& key, int defaultValue) const {
  QString text;
  int value = 0;
  if (!ReadValue(m_strRootPath, section, key, &text) || !ParseInt(text, &value)) {
    return defaultValue;
  }
  return value;
}

bool CRegistryProfile::WriteInt(const QString& section, const QString& key, int value) const {
  return WriteValue(m_strRootPath, section, key, QString::number(value));
}

QString CRegistryProfile::GetString(const QString& section, const QString& key,
                                    const QString& defaultValue) const {
  QString text;
  return ReadValue(m_strRootPath, section, key, &text) ? text : defaultValue;
}

bool CRegistryProfile::WriteString(const QString& section, const QString& key,
                                   const QString& text) const {
  return WriteValue(m_strRootPath, section, key, text);
}

bool CRegistryProfile::ImportIniFile(const QString& iniPath) const {
  QFile file(iniPath);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  if (m_strRootPath.isEmpty() || !QFileInfo::exists(m_strRootPath)) return false;
  QSettings settings(m_strRootPath, QSettings::IniFormat);
  QTextStream in(&file);
  // Lines are read in pieces of at most 519 characters, as the old reader did.
  constexpr qsizetype kPiece = 519;
  QString section;
  bool ok = true;
  while (ok && !in.atEnd()) {
    const QString whole = in.readLine();
    for (qsizetype at = 0; ok && (at < whole.size() || at == 0); at += kPiece) {
      const QString line = whole.mid(at, kPiece).trimmed();
      if (line.startsWith('[') && line.indexOf(']') == line.size() - 1) {
        section = line.mid(1, line.size() - 2).trimmed();
        // An empty name or one that would nest groups makes no section of its own.
        ok = !section.isEmpty() && !section.contains('/') && !section.contains('\\');
        if (!ok) section.clear();
      } else if (const qsizetype eq = line.indexOf('='); eq >= 0 && !section.isEmpty()) {
        const QString name = line.left(eq);
        if (!name.isEmpty() && !name.contains('/')) {
          settings.setValue(KeyPath(settings, section, name), line.mid(eq + 1));
        }
      }
      if (whole.size() <= kPiece) break;
    }
  }
  settings.sync();
  return ok && settings.status() == QSettings::NoError;
}

}  // namespace quillet
