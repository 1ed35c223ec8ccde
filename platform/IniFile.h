#pragma once
#include <QString>

// An INI profile file of "[section]" headers and "key=value" lines. Section
// and key names are matched without regard to letter case; blanks around
// names and values are ignored; lines starting with ';' are comments.
//
// Every call reads the file afresh, so the object holds nothing but the path.
// A write changes only the line of its entry; every other line, including its
// line end, stays byte for byte as it was.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    // The value of the first entry key in section; defaultValue when the file,
    // the section or the key is missing.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;

    // Replaces the value of an existing entry (in whatever letter case), or
    // adds the entry to its section, creating the section and the file when
    // missing. The file is replaced atomically through a new file beside it:
    // on failure AppError "Unable to write to <path>: <reason>" is raised and
    // the old file stays as it was.
    void writeString(const QString &section, const QString &key, const QString &value);

private:
    QString m_path;
};
