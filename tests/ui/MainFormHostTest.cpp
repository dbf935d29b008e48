// The host port's pacing of event processing in long loops: the first call processes, a call
// within the interval does not, and one after Reset does again.
#include <QCoreApplication>
#include <QTest>

#include <chrono>

#include "main/MainFormHost.h"

using namespace tagmora;

class MainFormHostTest : public QObject {
    Q_OBJECT

private slots:
    void eventsAreProcessedAtMostOncePerIntervalAndAtOnceAfterAReset() {
        EventPacer pacer(std::chrono::hours(1));
        int ran = 0;
        const auto post = [&] {
            QMetaObject::invokeMethod(
                this, [&] { ++ran; }, Qt::QueuedConnection);
        };
        post();
        pacer.ProcessEvents();
        QCOMPARE(ran, 1);
        post();
        pacer.ProcessEvents();
        QCOMPARE(ran, 1);
        pacer.Reset();
        pacer.ProcessEvents();
        QCOMPARE(ran, 2);
    }
};

QTEST_MAIN(MainFormHostTest)
#include "MainFormHostTest.moc"
