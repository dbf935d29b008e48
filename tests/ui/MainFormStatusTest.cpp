// The status bar of the main window: panels, the brief status with its timer, the row total and
// the progress bar drawn over the bar.
#include <QImage>
#include <QLabel>
#include <QTest>

#include "UiTestSupport.h"

using namespace tagmora;
using namespace tagmora::test;

namespace {

void AddRows(MainForm& form, int count) {
    form.RunListCommand([&] {
        for (int i = 0; i < count; ++i) form.List().Rows().push_back(FileRow{});
        return true;
    });
}

}  // namespace

class MainFormStatusTest : public QObject {
    Q_OBJECT

private slots:
    void statusBarHasTwoPanelsAndNoGrip() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        QCOMPARE(form.Status().height(), kStatusBarHeight);
        QVERIFY(!form.Status().isSizeGripEnabled());
        QCOMPARE(form.Status().EndProgressTimer().interval(), 4000);
        form.Status().ShowFolderPanel("/music/A/*.mp3");
        QCOMPARE(form.Status().PanelText(1), QStringLiteral("/music/A/*.mp3"));
        form.Status().ShowStatus(" Готово.");
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Готово."));
        QCOMPARE(form.Status().PanelText(1), QString());
        AddRows(form, 3);
        form.Status().ShowTotal();
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Всего файлов - 3"));
    }

    void theSecondPanelShowsTheWholeFolderBeingEntered() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString folder = QStringLiteral("/home/user/Музыка/Collected Works/Disc 1/*.mp3");
        form.Status().ShowFolderPanel(folder.toStdString());
        const auto* panel = form.Status().findChild<QLabel*>(QStringLiteral("StatusPanel1"));
        QVERIFY(panel != nullptr);
        QCOMPARE(panel->text(), folder);
        QVERIFY(panel->fontMetrics().horizontalAdvance(folder) > kStatusPanel1Width);
        QVERIFY(panel->width() >= panel->fontMetrics().horizontalAdvance(folder));
        // The long text does not widen the window.
        QCOMPARE(form.width(), kClientWidth);
    }

    void progressBarIsDrawnOverTheStatusBar() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        form.resize(623, form.height());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        MainStatusBar& status = form.Status();
        QCOMPARE(status.width(), 623);
        const QColor bar = status.palette().color(QPalette::Active, QPalette::Highlight);
        const QColor face = status.palette().color(QPalette::Active, QPalette::Button);
        QVERIFY(bar != face);

        status.ShowProgress("", 50.0);
        QImage image = status.grab().toImage();
        QCOMPARE(image.pixelColor(223, 10), bar);
        QCOMPARE(image.pixelColor(422, 10), bar);
        QCOMPARE(image.pixelColor(423, 10), face);
        QCOMPARE(image.pixelColor(622, 10), face);
        QVERIFY(image.pixelColor(200, 10) != bar);  // the first panel stays uncovered

        // A text crossing the edge is drawn on both sides of it.
        status.ShowProgress(std::string(60, 'M'), 25.0);
        image = status.grab().toImage();
        const int right = 223 + 100;
        bool inkOnBar = false;
        bool inkOnFace = false;
        for (int y = 5; y < 18; ++y) {
            for (int x = 227; x < right; ++x) inkOnBar |= image.pixelColor(x, y) != bar;
            for (int x = right; x < 600; ++x) inkOnFace |= image.pixelColor(x, y) != face;
        }
        QVERIFY(inkOnBar);
        QVERIFY(inkOnFace);

        // The next status text replaces the drawing.
        status.ShowStatus(" Готово.");
        QVERIFY(!status.Overlay().Active());
        image = status.grab().toImage();
        QVERIFY(image.pixelColor(300, 10) != bar);
    }

    void progressProcessesPendingEvents() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        bool ran = false;
        QMetaObject::invokeMethod(
            &form, [&] { ran = true; }, Qt::QueuedConnection);
        form.Status().ShowProgress("x", 10.0);
        QVERIFY(ran);
    }

    void briefStatusBringsTheTotalBackOnceAfterTheFirstCall() {
        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .BriefStatusMilliseconds = 300, .OpenSettingsDialog = NoSettingsDialog});
        AddRows(form, 2);
        QTimer& timer = form.Status().EndProgressTimer();
        QVERIFY(!timer.isActive());
        form.Status().ShowStatusBriefly(" Первый");
        QVERIFY(timer.isActive());
        const int firstRun = timer.timerId();
        form.Status().ShowStatusBriefly(" Второй");
        // Not restarted: the same run of the timer brings the total back (a restart would give
        // the timer a new id).
        QCOMPARE(timer.timerId(), firstRun);
        QCOMPARE(form.Status().PanelText(0), QStringLiteral(" Второй"));
        QTRY_COMPARE(form.Status().PanelText(0), QStringLiteral(" Всего файлов - 2"));
        QVERIFY(!timer.isActive());
        // A later call starts it again.
        form.Status().ShowStatusBriefly(" Третий");
        QVERIFY(timer.isActive());
        QTRY_COMPARE(form.Status().PanelText(0), QStringLiteral(" Всего файлов - 2"));
    }
};

QTEST_MAIN(MainFormStatusTest)
#include "MainFormStatusTest.moc"
