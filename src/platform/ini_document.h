#pragma once
// Settings files in the Windows profile-file format: "[Section]" lines and
// "key=value" lines below them.
//
// - Section and key names compare without regard to letter case (ASCII and
//   Latin-1 letters). Names and values are trimmed of blanks on reading.
// - The first section of a name is the one read and written, and within it
//   the first line of a key; later duplicates are kept as they are.
// - An updated key keeps its place; a new key goes after the last key line
//   of its section; a new section goes to the end of the file.
// - Lines that are neither section nor key (comments, junk) are kept.
// - The text is CP1252 unless it starts with a byte-order mark (UTF-8,
//   UTF-16 LE or BE), and is written back in the same encoding, mark and
//   line ends (CR LF, LF or CR alone). A new file is CP1252 with CR LF.
//   Lines not changed are written back byte for byte. Writing a text CP1252
//   cannot hold turns the whole file into UTF-8 with a byte-order mark.
// - save() writes a temporary file beside the old one and renames it over
//   it, so a failed write leaves the old file as it was.
//
// Values are text kept exactly as written: no quoting and no escapes. Line
// breaks in written names and values become blanks so that a value can
// never add lines to the file. One document is used by one thread at a time.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

enum class TextEncoding { Cp1252, Utf8, Utf16Le, Utf16Be };

class IniDocument {
public:
    IniDocument() = default;
    // Loads `path` at once (see load()).
    explicit IniDocument(const QString& path);

    // Reads the file. A missing file gives an empty document bound to the
    // path (true). A file that exists but cannot be read, or holds NUL bytes
    // outside UTF-16, gives false, an error text and an empty document that
    // save() refuses to write over it.
    bool load(const QString& path);
    // Writes the document to fileName(). False (with errorString()) when the
    // file could not be written; the old file is then left untouched.
    bool save();
    // Writes to another path, which becomes fileName() on success.
    bool saveAs(const QString& path);
    QString fileName() const { return fileName_; }
    QString errorString() const { return error_; }
    bool isModified() const { return modified_; }

    // The document as bytes, and the document from bytes (no file).
    QByteArray toBytes() const;
    void setBytes(const QByteArray& bytes);

    TextEncoding encoding() const { return encoding_; }
    bool hasBom() const { return bom_; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal, "$"-hex or "0x"-hex (32 bits); anything else gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer other than 0 is true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    // A decimal number with "." whatever the locale; else the default.
    double readFloat(const QString& section, const QString& key, double defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Written as "1" or "0".
    void writeBool(const QString& section, const QString& key, bool value);
    // 15 significant digits with ".", exponent as "1E20" / "1E-5".
    void writeFloat(const QString& section, const QString& key, double value);

    // True when the section holds at least one key (as the toolkit's test).
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    // Key names of a section in file order, each once.
    QStringList readSection(const QString& section) const;
    // Section names in file order, each once.
    QStringList readSections() const;
    // Removes every section of that name with all its lines.
    void eraseSection(const QString& section);
    // Removes the key from the section (every line of it).
    void deleteKey(const QString& section, const QString& key);

private:
    enum class Kind : std::uint8_t { Other, Section, Key };
    struct Line {
        QByteArray raw;   // bytes as read, without the line end; used while !dirty
        QString text;     // decoded text
        QByteArray eol;   // the line end's bytes: none, LF, CR LF or CR
        Kind kind = Kind::Other;
        bool dirty = false;
        QString name;     // trimmed section or key name
        QString folded;   // name folded for comparison
        qsizetype valueStart = 0;  // keys: where the value begins in text
    };

    void clear();
    void parseLine(Line& line) const;
    QByteArray encode(const QString& text) const;
    QString decode(const QByteArray& raw) const;
    // Switches a CP1252 document to UTF-8 when text has no CP1252 byte.
    void makeEncodable(const QString& text);
    QString valueOf(const Line& line) const;
    // Index of the first header of the section, or -1.
    qsizetype findSection(const QString& folded) const;
    // One past the last line of the section whose header is at `header`.
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(const QString& section, const QString& key) const;
    void insertLine(qsizetype at, const QString& text);
    void eraseLines(qsizetype from, qsizetype to);
    QByteArray defaultEol() const;
    bool writeTo(const QString& path);

    std::vector<Line> lines_;
    TextEncoding encoding_ = TextEncoding::Cp1252;
    bool bom_ = false;
    QString fileName_;
    QString error_;
    bool modified_ = false;
    bool loadFailed_ = false;
    mutable std::optional<QHash<QString, qsizetype>> sectionIndex_;
};

// The old code's name for the settings-file object.
using TIniFile = IniDocument;

// The integer syntax of the old toolkit, blanks around it ignored: an
// optional sign, then decimal digits (64 bits), or "$" / "0x" and up to 32
// bits of hex digits read as a signed 32-bit value ("$FFFFFFFF" is -1).
// Anything else gives no value.
std::optional<std::int64_t> parseIniInteger(QStringView text);

// Section and key names as compared: ASCII and Latin-1 letters lowered.
QString foldIniName(const QString& name);

} // namespace platform
