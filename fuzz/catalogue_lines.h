#pragma once
// The lines of a catalogue file as its readers see them: split at LF, a CR
// before it dropped, cut at the line buffer's length.

#include "telescope/sky/catalogues.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <string>
#include <vector>

namespace fuzz {

inline std::vector<std::string> catalogueLines(const QByteArray& bytes)
{
    std::vector<std::string> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        std::string line(bytes.constData() + pos, std::size_t(end - pos));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > std::size_t(Sky::kLineLength))
            line.resize(std::size_t(Sky::kLineLength));
        lines.push_back(std::move(line));
        pos = next;
    }
    return lines;
}

// The rest of the input as a file's bytes.
inline QByteArray remainingBytes(FuzzedDataProvider& in)
{
    const std::string rest = in.ConsumeRemainingBytesAsString();
    return QByteArray(rest.data(), qsizetype(rest.size()));
}

} // namespace fuzz
