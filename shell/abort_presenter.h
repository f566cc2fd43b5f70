// Routes the timing core's fatal data message to a message box while a GUI is running.
#pragma once

namespace tevra {

// Installs the message-box presenter for AbortOnDataError; call once the QApplication exists.
void InstallGuiAbortPresenter();

}  // namespace tevra
