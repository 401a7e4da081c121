// Language files: any bytes give values of at most 2,047 characters in any
// code page; a key written after whatever a file holds reads back as written
// (blanks at the ends dropped, enclosing quotes removed) unless the file
// already had the section; and a charset number reads back as itself.

#include "fuzz_check.h"
#include "platform/codepage.h"
#include "translation/language_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using Translation::LanguageFile;
    FuzzedDataProvider in(data, size);
    static const int pages[] = {1252, 1250, 1251, 1253, 874, 932, 936, 949, 950, 12345};
    const int page = pages[in.ConsumeIntegralInRange<int>(0, int(std::size(pages)) - 1)];
    const int charset = in.ConsumeIntegral<int>();
    std::string value = in.ConsumeRandomLengthString(3000);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray bytes(rest.data(), qsizetype(rest.size()));

    NJ_FUZZ_CHECK(Translation::parseCharset(QString::number(charset)) == charset, QString::number(charset));

    LanguageFile file;
    file.setCodePage(page);
    file.parse(bytes, QStringLiteral("Langue"));
    for (const char* key : {"Charset", "MSG_1", "a", "TBS_General"})
        NJ_FUZZ_CHECK(file.read(QLatin1StringView(key), {}).size() <= LanguageFile::MaxValueLength, QString());
    if (file.hasSection())
        return 0;

    // One printable value, without line ends, after the file's text.
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = '_';
    const QByteArray written(value.data(), qsizetype(value.size()));
    LanguageFile more;
    more.parse(bytes + "\r\n[LANGUE]\r\n Mot_Cle = " + written + "\r\n", QStringLiteral("langue"));
    QByteArray expected = written;
    while (!expected.isEmpty() && (expected.back() == ' ' || expected.back() == '\t'))
        expected.chop(1);
    while (!expected.isEmpty() && (expected.front() == ' ' || expected.front() == '\t'))
        expected.remove(0, 1);
    if (expected.size() >= 2 && expected.front() == '"' && expected.back() == '"')
        expected = expected.mid(1, expected.size() - 2);
    more.setCodePage(page);
    const QString read = more.read(QLatin1StringView("mot_cle"), QStringLiteral("<none>"));
    const QString decoded = bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(expected)
                                                              : platform::decodeCodePage(page, expected);
    NJ_FUZZ_CHECK(read == decoded.left(LanguageFile::MaxValueLength),
                  QStringLiteral("%1 read as %2").arg(QString::fromLatin1(written.toHex()), read));
    return 0;
}
