// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes of the program: one OK button and a caption. Also routes the timing core's
// fatal data message to a message box while a GUI is running.
#pragma once

#include <string>

namespace tevra {

// A modal message box with only an OK button; carriage returns in the text break lines.
void ShowMessageBox(const std::string& caption, const std::string& text);

// Installs the message-box presenter for AbortOnDataError; call once the QApplication exists.
void InstallGuiAbortPresenter();

}  // namespace tevra
