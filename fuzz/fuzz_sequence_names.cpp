// Play lists: the order of names is a strict weak order (irreflexive,
// asymmetric, transitive, with equivalence transitive too), and a sequence
// built from a first and a last name runs from the one to the other by steps
// of one, every name keeping the prefix and the extension.

#include "capture/file_sources.h"
#include "fuzz_check.h"

namespace {

QString name(FuzzedDataProvider& in)
{
    // Digits, a few letters of both cases, a dot and a separator.
    static const char alphabet[] = "0123456789aAbB.-/_xX";
    QString out;
    for (const char c : in.ConsumeRandomLengthString(24))
        out += QLatin1Char(alphabet[static_cast<unsigned char>(c) % (sizeof alphabet - 1)]);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString a = name(in), b = name(in), c = name(in);
    using FileSources::NaturalLess;
    NJ_FUZZ_CHECK(!NaturalLess(a, a), a);
    NJ_FUZZ_CHECK(!(NaturalLess(a, b) && NaturalLess(b, a)), a + QStringLiteral(" / ") + b);
    if (NaturalLess(a, b) && NaturalLess(b, c))
        NJ_FUZZ_CHECK(NaturalLess(a, c), a + QStringLiteral(" < ") + b + QStringLiteral(" < ") + c);
    auto same = [](const QString& x, const QString& y) { return !NaturalLess(x, y) && !NaturalLess(y, x); };
    if (same(a, b) && same(b, c))
        NJ_FUZZ_CHECK(same(a, c), a + QStringLiteral(" ~ ") + b + QStringLiteral(" ~ ") + c);

    QStringList list;
    const FileSources::Sequence r = FileSources::BuildSequence(a, b, list);
    if (r != FileSources::Sequence::Built)
        return 0;
    NJ_FUZZ_CHECK(list.size() <= FileSources::kMaxSequenceLength, QString::number(list.size()));
    if (list.isEmpty())
        return 0;
    NJ_FUZZ_CHECK(list.first() == a || list.first().size() < a.size(), a + QStringLiteral(" starts as ") + list.first());
    NJ_FUZZ_CHECK(list.last() == b || list.last().size() < b.size(), b + QStringLiteral(" ends as ") + list.last());
    for (qsizetype i = 1; i < list.size(); ++i)
        NJ_FUZZ_CHECK(NaturalLess(list[i - 1], list[i]), list[i - 1] + QStringLiteral(" before ") + list[i]);
    return 0;
}
