// Settings files: the bytes of a file read and written back unchanged are kept
// exactly; after one value is written, saving and reading the file again gives
// that value and leaves every other value as it was.

#include "fuzz_check.h"
#include "platform/ini_document.h"

#include <QMap>
#include <QPair>

namespace {

using platform::IniDocument;
using Values = QMap<QPair<QString, QString>, QString>;

Values allValues(const IniDocument& doc)
{
    Values out;
    for (const QString& s : doc.readSections())
        for (const QString& k : doc.readSection(s))
            out.insert({platform::foldIniName(s), platform::foldIniName(k)}, doc.readString(s, k, {}));
    return out;
}

// What a value reads back as: line breaks become blanks, blanks around it go.
QString asRead(QString v)
{
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    auto blank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == QChar(0x1A);
    };
    qsizetype b = 0, e = v.size();
    while (b < e && blank(v[b]))
        ++b;
    while (e > b && blank(v[e - 1]))
        --e;
    return v.mid(b, e - b);
}

// Printable ASCII, line breaks, and letters of CP1252 and beyond it.
QString text(FuzzedDataProvider& in, std::size_t maxLength)
{
    static const char16_t special[] = {u'\n', u'\r', u'\t', 0xE9, 0x20AC, 0x81, 0x141, 0x65E5, 0xFEFF, 0x1A};
    QString out;
    for (const char c : in.ConsumeRandomLengthString(maxLength)) {
        const auto u = static_cast<unsigned char>(c);
        out += u >= 0xF0 ? QChar(special[(u - 0xF0) % std::size(special)]) : QChar(char16_t(u' ' + u % 95));
    }
    return out;
}

bool usableName(const QString& name, bool isKey)
{
    const QString t = asRead(name);
    if (t.isEmpty() && isKey)
        return false;
    // Key names hold no "=" and never look like a section or a comment.
    if (isKey && (t.contains(u'=') || t.startsWith(u'[') || t.startsWith(u';')))
        return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString section = text(in, 12);
    const QString key = text(in, 12);
    const QString value = text(in, 40);
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));

    IniDocument doc;
    doc.setBytes(file);
    NJ_FUZZ_CHECK(doc.toBytes() == file, QStringLiteral("bytes not kept"));

    if (!usableName(section, false) || !usableName(key, true))
        return 0;
    Values before = allValues(doc);
    doc.writeString(section, key, value);
    IniDocument again;
    again.setBytes(doc.toBytes());
    const QString sec = asRead(section), k = asRead(key);
    const QString read = again.readString(sec, k, QStringLiteral("<none>"));
    NJ_FUZZ_CHECK(read == asRead(value),
                  QStringLiteral("[%1] %2 reads \"%3\", written \"%4\"").arg(QString::fromLatin1(sec.toUtf8().toHex()), QString::fromLatin1(k.toUtf8().toHex()), read, value));
    Values after = allValues(again);
    after.remove({platform::foldIniName(sec), platform::foldIniName(k)});
    before.remove({platform::foldIniName(sec), platform::foldIniName(k)});
    NJ_FUZZ_CHECK(after == before, QStringLiteral("other values changed by writing [%1] %2").arg(section, key));
    return 0;
}
