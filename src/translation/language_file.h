#pragma once
// A language file ("Lang_" + name + ".ini") read for one translation pass.
//
// The file is parsed once: only the first section whose name is the
// language name (letter case ignored) is kept, and in it the first line of
// each key. Lines end in CR LF, LF or CR alone; lines without "=" are
// skipped. Blanks at both ends of names and values are dropped; a value
// enclosed in double quotes loses them and keeps its inner blanks; a value
// is cut to 2,047 characters. A missing, unreadable or empty file, a folder
// or a file without the section gives no values at all, so every read
// returns its default. Nothing here writes language files.
//
// Values are 8-bit text in the Windows code page that the file's "Charset"
// names (see codePageOfCharset), or UTF-8 when the file starts with a UTF-8
// byte-order mark.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QAnyStringView>

#include <optional>

namespace Translation {

class LanguageFile {
public:
    LanguageFile() = default;
    // Reads `path` and keeps the section `section`.
    LanguageFile(const QString& path, const QString& section);

    // The same from the file's bytes.
    void parse(const QByteArray& bytes, const QString& section);

    // True when the section was found (with at least its header).
    bool hasSection() const { return hasSection_; }
    // Number of keys kept from the section.
    qsizetype keyCount() const { return values_.size(); }

    // The code page that decodes the values (1252 until set).
    void setCodePage(int codePage) { codePage_ = codePage; }
    int codePage() const { return codePage_; }
    bool isUtf8() const { return utf8_; }

    // The key's value, decoded; none when the key is missing.
    std::optional<QString> value(QAnyStringView key) const;
    // The key's value, or `defaultValue` when the key is missing. A key
    // present with an empty value gives the empty text.
    QString read(QAnyStringView key, const QString& defaultValue) const;

    // The longest value a read gives, in characters.
    static constexpr qsizetype MaxValueLength = 2047;

private:
    QHash<QByteArray, QByteArray> values_;  // folded key -> raw value (quotes removed)
    int codePage_ = 1252;
    bool utf8_ = false;
    bool hasSection_ = false;
};

// The font character-set number of a "Charset" value: the text before the
// first ";" outside double quotes, read as an integer (leading blanks, an
// optional sign, decimal digits, or hex digits after "$", "x" or "0x");
// anything else, trailing blanks included, or an empty field gives 1.
int parseCharset(const QString& value);

// The Windows code page that decodes texts of a font character set (its low
// 8 bits): 238 Central European 1250, 204 Cyrillic 1251, 161 Greek 1253,
// 162 Turkish 1254, 177 Hebrew 1255, 178 Arabic 1256, 186 Baltic 1257,
// 163 Vietnamese 1258, 222 Thai 874, 128 Japanese 932, 134 simplified
// Chinese 936, 129 Korean 949, 136 traditional Chinese 950; any other 1252.
int codePageOfCharset(int charset);

} // namespace Translation
