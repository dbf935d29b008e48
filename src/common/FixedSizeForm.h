// The window flags of the program's fixed-size dialogs and message boxes, for the Qt forms.
#pragma once

#include <Qt>

namespace tagmora {

// A dialog of fixed size: a title bar with a close button only. The window manager is asked for
// no minimise, maximise or help button (a dialog without CustomizeWindowHint gets what the window
// manager gives a normal window).
inline constexpr Qt::WindowFlags kFixedSizeDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                         Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace tagmora
