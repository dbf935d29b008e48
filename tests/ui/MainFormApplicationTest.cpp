// The application around the main window: window titles without an appended application name,
// and Qt's own texts in Russian.
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>

#include "UiTestSupport.h"
#include "main/MainFormApplication.h"

using namespace tagmora;
using namespace tagmora::test;

class MainFormApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void windowsShowExactlyTheCaptionsTheProgramSets() {
        SetUpApplication();
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tagmora"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(TAGMORA_VERSION));
        // Qt appends a display name of the application's own to every window title on some
        // platforms ("Переименовать... — Tagmora"). Without one, the display name is just the
        // application name, whatever that is.
        QCoreApplication::setApplicationName(QStringLiteral("Probe"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Probe"));
        QCoreApplication::setApplicationName(QStringLiteral("Tagmora"));

        UiSandbox sandbox;
        UiFakeHost host;
        MainForm form({.HostPort = &host, .OpenSettingsDialog = NoSettingsDialog});
        host.SetCaption("Tagmora - /music/*.mp3");
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowHandle()->title(), QStringLiteral("Tagmora - /music/*.mp3"));
    }

    void qtTextsAreRussian() {
        const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");
        if (!QFile::exists(file))
            QSKIP(qPrintable(QStringLiteral("Qt's Russian translation is not installed: ") + file));
        QVERIFY(SetUpApplication());
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Close);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCOMPARE(buttons.button(QDialogButtonBox::Close)->text(), QStringLiteral("Закрыть"));
    }
};

QTEST_MAIN(MainFormApplicationTest)
#include "MainFormApplicationTest.moc"
