#pragma once

#include <QString>

namespace quillet {

// The settings store: one INI file, one group per section, every value a string
// (integers as decimal text). Nothing is cached: each call reads or writes the
// file. A missing file, section or key, a value of 260 characters or more, or an
// unparsable number reads as the default; a failed write returns false.
class CRegistryProfile {
 public:
  // The longest value a read returns; a longer one reads as the default.
  static constexpr int kMaxValueLength = 259;

  virtual ~CRegistryProfile() = default;

  // Where the store keeps its file. created tells whether this call made the file
  // (the first start of this user). False when the file can neither be opened nor
  // made; the path is kept all the same, so reads give defaults and writes fail.
  bool OpenRoot(const QString& filePath, bool* created = nullptr);
  const QString& filePath() const { return m_strRootPath; }

  int GetInt(const QString& section, const QString& key, int defaultValue) const;
  bool WriteInt(const QString& section, const QString& key, int value) const;
  QString GetString(const QString& section, const QString& key, const QString& defaultValue) const;
  bool WriteString(const QString& section, const QString& key, const QString& text) const;

  // Carries the sections and keys of an earlier installation's settings file over,
  // line by line ("[Section]" lines and "key=value" lines). False when the file
  // cannot be read or a section cannot be made (reading stops there).
  bool ImportIniFile(const QString& iniPath) const;

  // The text as a stored integer reads: leading white space and a sign, then
  // digits up to the first non-digit; false when no digit leads.
  static bool ParseInt(const QString& text, int* value);

 private:
  // Path of the settings file (the root of every section).
  QString m_strRootPath;
};

}  // namespace quillet
