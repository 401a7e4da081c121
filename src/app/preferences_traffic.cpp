#include "app/preferences_traffic.h"

#include "telescope/frm_com_trafic.h"

#include <QTextBlock>
#include <QTextCursor>

namespace Preferences {

void AddTrafficLine(bool textForm, bool hexData, const QString& label, const QString& data)
{
    if (!FRM_ComTrafic)
        return;
    QPlainTextEdit* memo = FRM_ComTrafic->Memo_Historique_Comm;
    // Beyond 100 lines the first goes before the next is added: the memo
    // keeps the last 101.
    const int lines = memo->document()->isEmpty() ? 0 : memo->document()->blockCount();
    if (lines > 100) {
        QTextCursor c(memo->document()->firstBlock());
        c.select(QTextCursor::BlockUnderCursor);
        c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    QString line = label + QStringLiteral(" : ");
    if (textForm) {
        line += data;
    } else {
        if (hexData)
            line += QString::fromLatin1(data.toLatin1().toHex().toUpper());
        line += QStringLiteral(" \"") + data + QLatin1Char('"');
    }
    memo->appendPlainText(line);
}

} // namespace Preferences
