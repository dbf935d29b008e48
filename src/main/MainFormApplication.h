// The application around the main window: its name and version, and Qt's own texts in Russian.
#pragma once

namespace tagmora {

// Sets up the running QApplication: the application name "Tagmora" and the version. No display
// name is set: Qt would append it to every window title ("Переименовать... — Tagmora"), and the
// windows show exactly the captions the program gives them. Installs Qt's Russian translation
// (qtbase_ru from Qt's translations folder), so that the folder picker and the standard buttons
// speak Russian. False when that translation could not be loaded (Qt's texts stay English).
bool SetUpApplication();

}  // namespace tagmora
