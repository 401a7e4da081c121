#include "driver_choice.h"

#include "capture/frm_pilote.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace testsupport {

QPointer<QTimer> AnswerDriverChoice(int line, std::function<void(TFRM_Pilote&)> seen)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, line, seen = std::move(seen)] {
        auto* d = qobject_cast<TFRM_Pilote*>(QApplication::activeModalWidget());
        if (!d)
            return;
        poll->stop();
        poll->deleteLater();
        if (seen)
            seen(*d);
        if (line < 0) {
            QTest::mouseClick(d->BTN_Annuler, Qt::LeftButton);
            return;
        }
        d->ComboBox1->setCurrentIndex(line);
        QTest::mouseClick(d->BTN_Ok, Qt::LeftButton);
    });
    poll->start(5);
    return poll;
}

} // namespace testsupport
