// Language files: a "Charset" value of a number and a comment gives that
// number, written in decimal or in "$" hex; any bytes read under any section name give values of at
// most 2,047 characters; a key written as the first line of the first
// section of its name reads back as written, trimmed of blanks, without its
// enclosing quotes and cut to 2,047 characters, whatever follows it.

#include "fuzz_check.h"
#include "platform/codepage.h"
#include "translation/language_file.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(QByteArray v)
{
    while (!v.isEmpty() && blank(v.front()))
        v.remove(0, 1);
    while (!v.isEmpty() && blank(v.back()))
        v.chop(1);
    return v;
}

// A name or value of one line (no line ends), from the fuzzer's bytes.
QByteArray oneLine(FuzzedDataProvider& in, std::size_t maxLength)
{
    QByteArray out = QByteArray::fromStdString(in.ConsumeRandomLengthString(maxLength));
    out.replace('\r', ' ').replace('\n', ' ');
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    QByteArray section = oneLine(in, 16);
    for (char& c : section)
        c = static_cast<unsigned char>(c) < 0x80 ? c : 'x';  // section names as ASCII
    const QByteArray key = oneLine(in, 16);
    QByteArray value = oneLine(in, 3000);
    const int codePage = in.PickValueInArray({1252, 1251, 1250, 932});
    const auto charset = in.ConsumeIntegral<std::int32_t>();
    const QString comment = QString::fromLatin1(oneLine(in, 12));
    const std::vector<std::uint8_t> restBytes = in.ConsumeRemainingBytes<std::uint8_t>();
    const QByteArray rest(reinterpret_cast<const char*>(restBytes.data()), qsizetype(restBytes.size()));
    const QString sectionName = platform::fromCp1252(trimmed(section));

    const QString decimal = QString::number(charset) + u';' + comment;
    NJ_FUZZ_CHECK(Translation::parseCharset(decimal) == charset, decimal);
    const QString hex = u'$' + QString::number(static_cast<std::uint32_t>(charset), 16) + u';' + comment;
    NJ_FUZZ_CHECK(Translation::parseCharset(hex) == charset, hex);
    Translation::parseCharset(comment);

    // Any bytes: bounded values.
    Translation::LanguageFile any;
    any.parse(rest, sectionName);
    any.setCodePage(codePage);
    for (const QByteArray& line : rest.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            const auto v = any.value(QString::fromLatin1(trimmed(line.left(eq))));
            NJ_FUZZ_CHECK(!v || v->size() <= Translation::LanguageFile::MaxValueLength, QStringLiteral("value too long"));
        }
    }

    // One key at the top of the file reads back.
    const QByteArray k = trimmed(key);
    if (section.contains(']') || k.isEmpty() || k.contains('=') || k.startsWith('['))
        return 0;
    Translation::LanguageFile one;
    one.parse("[" + section + "]\r\n" + key + "=" + value + "\r\n" + rest, sectionName);
    one.setCodePage(codePage);
    QByteArray expected = trimmed(value);
    if (expected.size() >= 2 && expected.front() == '"' && expected.back() == '"')
        expected = expected.mid(1, expected.size() - 2);
    QString want = platform::decodeCodePage(codePage, expected);
    want.truncate(Translation::LanguageFile::MaxValueLength);
    const auto got = one.value(QString::fromLatin1(k));
    NJ_FUZZ_CHECK(got && *got == want, QStringLiteral("[%1] %2 reads \"%3\"").arg(sectionName, QString::fromLatin1(k), got.value_or(QStringLiteral("<none>"))));
    return 0;
}
