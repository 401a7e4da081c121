#include "app/systeme.h"

#include "app/frm_message.h"
#include "platform/port_access.h"

#include <QStringList>

bool PortDriverOpen = false;

namespace Systeme {

bool OpenPortDriver()
{
    QStringList problems;
    PortDriverOpen = platform::portAccess().open(problems);
    if (!problems.isEmpty())
        Msg::ShowMessageText(false, problems.join(QStringLiteral("\r\n")));
    return PortDriverOpen;
}

void ClosePortDriver()
{
    platform::portAccess().close();
    PortDriverOpen = false;
}

} // namespace Systeme
