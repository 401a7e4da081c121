// Script-button collections: the twenty entries read from any file are
// written into a new file unchanged, and a new file has the collection's
// layout (one section, sixty keys in button order). Writing into an
// existing file is the settings document's own (fuzz_ini_document).

#include "app/settings/script_collection_file.h"
#include "fuzz_check.h"
#include "platform/codepage.h"

namespace {

TScriptButtons reread(const QByteArray& bytes)
{
    platform::IniDocument doc;
    doc.setBytes(bytes);
    return ScriptBar::ReadCollection(doc);
}

bool fitsCp1252(const TScriptButtons& buttons)
{
    for (const TScriptButton& b : buttons)
        for (const QString& v : {b.Script, b.Hint, b.Icon})
            if (platform::fromCp1252(platform::toCp1252(v)) != v)
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    platform::IniDocument doc;
    doc.setBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const TScriptButtons read = ScriptBar::ReadCollection(doc);

    platform::IniDocument fresh;
    ScriptBar::WriteCollection(fresh, read);
    const QByteArray bytes = fresh.toBytes();
    NJ_FUZZ_CHECK(bytes.startsWith("[PFonctions]\r\nBTN_Script_1="), QString::fromLatin1(bytes.left(40)));
    NJ_FUZZ_CHECK(bytes.count("\r\n") == 61 && bytes.endsWith("\r\n"), QStringLiteral("lines of a new file"));
    if (fitsCp1252(read))
        NJ_FUZZ_CHECK(reread(bytes) == read, QStringLiteral("written into a new file"));
    return 0;
}
