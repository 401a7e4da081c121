#include "telescope/sky/catalogues.h"

#include "translation/translated_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace Sky {

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isBlank(std::string_view s) { return trimmed(s).empty(); }

// Columns `from` to `to` (1-based, inclusive); columns past the line's end
// are missing, not blanks.
std::string_view cols(std::string_view line, int from, int to)
{
    const auto begin = std::size_t(from - 1);
    if (begin >= line.size())
        return {};
    return line.substr(begin, std::min(line.size(), std::size_t(to)) - begin);
}

// A number with "." as separator, surrounded by blanks at most; a leading
// "+" is accepted.
std::optional<double> parseNumber(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

template <std::size_t N>
void copyRaw(std::array<char, N>& to, std::string_view from)
{
    to.fill(' ');
    std::copy_n(from.begin(), std::min(N, from.size()), to.begin());
}

// Calls `onLine(lineNumber, text)` for every line of the file, the line end
// (CRLF or LF) removed and the text cut at kLineLength characters. A last
// line without line end counts; an empty file has no lines.
template <class F>
void forEachLine(const QByteArray& bytes, F onLine)
{
    const std::string_view all(bytes.constData(), std::size_t(bytes.size()));
    std::size_t pos = 0;
    int number = 0;
    while (pos < all.size()) {
        std::size_t end = all.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? all.size() : end + 1;
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > std::size_t(kLineLength))
            line = line.substr(0, kLineLength);
        if (!onLine(++number, line))
            return;
        pos = next;
    }
}

template <class Record, class Parse>
LoadReport readTable(const QByteArray& bytes, std::vector<Record>& table, int capacity, bool keepNumbering,
                     Parse parse)
{
    table.clear();
    LoadReport report;
    forEachLine(bytes, [&](int number, std::string_view line) {
        if (int(table.size()) >= capacity) {
            report.tooManyLines = true;
            return false;
        }
        if (auto record = parse(line)) {
            table.push_back(std::move(*record));
        } else {
            ++report.badLines;
            if (report.firstBadLine == 0)
                report.firstBadLine = number;
            if (keepNumbering)
                table.push_back(Record{});
        }
        return true;
    });
    report.records = int(table.size());
    return report;
}

} // namespace

QString LoadReport::message(const QString& fileName) const
{
    if (missing)
        return TranslatedTexts.MSG_Catalogue_Absent.arg(fileName);
    QString text;
    if (firstBadLine > 0)
        text = TranslatedTexts.MSG_Catalogue_Lignes_Illisibles
                   .arg(fileName)
                   .arg(badLines)
                   .arg(firstBadLine);
    if (tooManyLines) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += TranslatedTexts.MSG_Catalogue_Trop_De_Lignes.arg(fileName).arg(records);
    }
    return text;
}

std::array<double, 3> UnitVector(double ra_arcsec, double dec_arcsec)
{
    constexpr double k = std::numbers::pi / 648000.0;
    const double ra = ra_arcsec * k, dec = dec_arcsec * k;
    return {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
}

std::optional<double> HMSTextToArcsec(std::string_view h, std::string_view m, std::string_view s)
{
    const auto hours = parseInteger(h);
    const auto minutes = parseInteger(m);
    const auto seconds = parseNumber(s);
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    const double v = 15.0 * (3600.0 * double(std::llabs(*hours)) + 60.0 * double(*minutes) + *seconds);
    return *hours < 0 ? -v : v;
}

std::optional<double> DMSTextToArcsec(std::string_view d, std::string_view m, std::string_view s)
{
    const auto degrees = parseInteger(d);
    const auto minutes = parseInteger(m);
    const auto seconds = parseNumber(s);
    if (!degrees || !minutes || !seconds)
        return std::nullopt;
    const double v = 3600.0 * double(std::llabs(*degrees)) + 60.0 * double(*minutes) + *seconds;
    // The sign is the text's own, so "-00" (between 0 and -1 degree) is south.
    return !d.empty() && d.front() == '-' ? -v : v;
}

std::optional<SplitMinutes> SplitDecimalMinutes(std::string_view text)
{
    const auto v = parseNumber(text);
    if (!v || std::fabs(*v) > 1e9)
        return std::nullopt;
    SplitMinutes r;
    r.minutes = std::int32_t(std::trunc(*v));
    r.seconds = (*v - double(r.minutes)) * 60.0;
    return r;
}

std::string RemoveChar(std::string_view text, char c)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        if (ch != c)
            out.push_back(ch);
    return out;
}

std::optional<StarRecord> ParseStarLine(std::string_view line)
{
    StarRecord r;
    const std::string_view mag = cols(line, 103, 107);
    if (mag.size() == 5 && isBlank(mag))
        return r;   // no star on this line: the number is kept
    if (mag.empty() && line.size() < 103)
        return r;   // a short line of a star that is absent
    const auto m = parseNumber(mag);
    const auto ra = HMSTextToArcsec(cols(line, 76, 77), cols(line, 78, 79), cols(line, 80, 83));
    const auto dec = DMSTextToArcsec(cols(line, 84, 86), cols(line, 87, 88), cols(line, 89, 90));
    if (!m || !ra || !dec)
        return std::nullopt;
    copyRaw(r.name, cols(line, 5, 14));
    copyRaw(r.sao, cols(line, 32, 37));
    r.magnitude = *m;
    r.ra = *ra;
    r.dec = *dec;
    r.unit = UnitVector(r.ra, r.dec);
    r.filled = true;
    return r;
}

std::optional<DeepSkyRecord> ParseDeepSkyLine(std::string_view line)
{
    DeepSkyRecord r;
    r.name = RemoveChar(cols(line, 2, 17), ' ').substr(0, 16);
    r.otherName = RemoveChar(cols(line, 21, 38), ' ').substr(0, 8);
    std::string type(trimmed(cols(line, 42, 46)));
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    r.type = type.substr(0, 5);

    const auto split = SplitDecimalMinutes(cols(line, 59, 62));
    if (!split)
        return std::nullopt;
    // Whole minutes and seconds go on as numbers (no text in between, whose
    // decimal separator would follow the user's locale).
    const auto hours = parseInteger(cols(line, 56, 57));
    if (!hours)
        return std::nullopt;
    const double raValue = 15.0 * (3600.0 * double(std::llabs(*hours)) + 60.0 * split->minutes + split->seconds);
    const std::optional<double> ra = *hours < 0 ? -raValue : raValue;
    const auto dec = DMSTextToArcsec(cols(line, 66, 68), cols(line, 70, 71), "0");
    if (!ra || !dec)
        return std::nullopt;
    r.ra = *ra;
    r.dec = *dec;

    const std::string_view mag = cols(line, 75, 78);
    if (isBlank(mag)) {
        r.magnitude = 99;
    } else if (auto m = parseNumber(mag)) {
        r.magnitude = *m;
    } else {
        return std::nullopt;
    }

    auto size = [&](int from, int unitColumn) -> std::optional<double> {
        const std::string_view text = cols(line, from, from + 5);
        if (isBlank(text))
            return std::nullopt;
        auto v = parseNumber(text);
        if (!v)
            return std::numeric_limits<double>::quiet_NaN();
        const std::string_view unit = cols(line, unitColumn, unitColumn);
        return unit == "s" ? *v / 60.0 : *v;
    };
    const auto s1 = size(102, 108);
    const auto s2 = size(113, 119);
    if ((s1 && std::isnan(*s1)) || (s2 && std::isnan(*s2)))
        return std::nullopt;
    r.size1 = s1.value_or(6.0);
    r.size2 = s2.value_or(r.size1);

    const auto pa = parseInteger(cols(line, 123, 125));
    r.positionAngle = pa && *pa >= 0 && *pa <= 65535 ? std::uint16_t(*pa) : 0;
    r.classText = std::string(cols(line, 129, 139));
    r.unit = UnitVector(r.ra, r.dec);
    return r;
}

std::optional<ConstellationSegment> ParseConstellationLine(std::string_view line)
{
    std::array<std::string_view, 5> field;
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos)
            return std::nullopt;
        field[std::size_t(i)] = line.substr(pos, comma - pos);
        pos = comma + 1;
    }
    field[4] = line.substr(pos);
    std::array<double, 4> v{};
    for (int i = 0; i < 4; ++i) {
        const auto n = parseNumber(field[std::size_t(i + 1)]);
        if (!n)
            return std::nullopt;
        v[std::size_t(i)] = *n;
    }
    constexpr double deg = std::numbers::pi / 180.0;
    return ConstellationSegment{v[0] / 1000.0 * 15.0 * deg, v[1] / 100.0 * deg, v[2] / 1000.0 * 15.0 * deg,
                                v[3] / 100.0 * deg};
}

LoadReport ReadStars(const QByteArray& bytes, std::vector<StarRecord>& table)
{
    return readTable(bytes, table, kStarCapacity, true, ParseStarLine);
}

LoadReport ReadDeepSky(const QByteArray& bytes, std::vector<DeepSkyRecord>& table)
{
    return readTable(bytes, table, kDeepSkyCapacity, false, ParseDeepSkyLine);
}

LoadReport ReadConstellationLines(const QByteArray& bytes, std::vector<ConstellationSegment>& table)
{
    return readTable(bytes, table, kConstellationCapacity, false, ParseConstellationLine);
}

namespace {

// `query` occurs in `name` as one whole "/"-separated part.
bool wholePart(const QString& name, const QString& query)
{
    for (qsizetype from = name.indexOf(query); from >= 0; from = name.indexOf(query, from + 1)) {
        const qsizetype end = from + query.size();
        if ((from == 0 || name[from - 1] == QLatin1Char('/')) && (end == name.size() || name[end] == QLatin1Char('/')))
            return true;
    }
    return false;
}

} // namespace

const DeepSkyRecord* FindDeepSkyByName(const std::vector<DeepSkyRecord>& table, const QString& name)
{
    const QString query = name.toLower();
    if (query.isEmpty())
        return nullptr;
    for (const DeepSkyRecord& d : table)
        if (wholePart(QString::fromStdString(d.name).toLower(), query)
            || wholePart(QString::fromStdString(d.otherName).toLower(), query))
            return &d;
    return nullptr;
}

} // namespace Sky
