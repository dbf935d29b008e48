// The application around the main window.
#include "main/MainFormApplication.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "common/Messages.h"

namespace tagmora {

bool SetUpApplication() {
    QCoreApplication* application = QCoreApplication::instance();
    QCoreApplication::setApplicationName(QString::fromUtf8(kProductName));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAGMORA_VERSION));
    // The program's texts are Russian whatever the user's locale, and so are Qt's.
    auto* translator = new QTranslator(application);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace tagmora
