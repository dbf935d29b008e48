// The window's shell port: detached starts that fail for a missing program, the help opened as a
// file URL with its anchor (caught by a URL handler: no viewer starts), a missing help file, and
// the clipboard text exactly.
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QTest>
#include <QUrl>

#include "FakePorts.h"
#include "TestFiles.h"
#include "mark/HandOffs.h"
#include "main/MainFormShell.h"

using namespace tagmora;

// Receives the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls.push_back(url); }
};

class MainFormShellTest : public QObject {
    Q_OBJECT

private slots:
    void aMissingProgramIsNotStarted() {
        QtShell shell;
        QVERIFY(!shell.StartDetached({"/nonexistent/tagmora-test-player", "-e", "/m/a.mp3"}));
        QVERIFY(!shell.StartDetached({}));
        // A program that exists starts and is not waited for.
        QVERIFY(shell.StartDetached({"/bin/true", "-e", "/m/a b.mp3"}));
    }

    void theHelpOpensAsAFileUrlWithItsAnchor() {
        test::TempDir dir;
        test::WriteFile(dir / "Tagmora.html", "<html></html>");
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        QtShell shell("/nonexistent/opener");  // no opener: the desktop services are asked
        QVERIFY(shell.OpenDocument(dir / "Tagmora.html", "", {}));
        QVERIFY(shell.OpenDocument(dir / "Tagmora.html", "keys", {}));
        QVERIFY(!shell.OpenDocument(dir / "Missing.html", "", {}));
        QVERIFY(!shell.OpenDocument(dir.Path(), "", {}));  // a folder is not the help
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.Urls.size(), 2);
        QCOMPARE(catcher.Urls[0], QUrl::fromLocalFile(QString::fromStdString(dir / "Tagmora.html")));
        QCOMPARE(catcher.Urls[1].fragment(), QStringLiteral("keys"));
        QCOMPARE(catcher.Urls[1].toLocalFile(), QString::fromStdString(dir / "Tagmora.html"));
        // An opener that ends with an error (no viewer for HTML): the box naming the help file.
        test::FakeHost host;
        QtShell failing("/bin/false");
        OpenHelpFile(host, failing, dir.Path());
        QTRY_COMPARE(host.Messages.size(), std::size_t{1});
        QCOMPARE(host.Messages[0].Text, "Не удалось открыть файл помощи:\n" + (dir / "Tagmora.html"));
    }

    void theClipboardGetsTheTextExactly() {
        QtShell shell;
        shell.SetClipboardText("Один\r\n\r\nC\r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Один\r\n\r\nC\r\n"));
    }
};

QTEST_MAIN(MainFormShellTest)
#include "MainFormShellTest.moc"
