// SPDX-License-Identifier: GPL-3.0-or-later
// Where a picture from the camera lands. The camera names the file, and anything answering at a
// camera's address can send any name: only its last path component is used, and a name that could
// point outside the folder, hide the file or upset a terminal is refused. The bytes go into a new
// temporary file first; a finished picture then takes its name without replacing any file, so an
// older picture of the same name (names repeat after a card is formatted) is never lost.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tevra {

// The name a picture is saved under: the camera's name without any folders before it. nullopt,
// with why set, when it is empty, ".", "..", begins with a dot or holds control characters.
std::optional<std::string> SafeDownloadName(std::string_view cameraName, std::string& why);

// Creates a new empty temporary file in folder for the picture name; its path, or "" with error set.
// Its name begins with a dot, which no picture's name does.
std::string CreateDownloadTemporary(const std::string& folder, const std::string& name, std::string& error);

// Gives the finished temporary file the name name in folder, or "NAME-1.EXT", "NAME-2.EXT" ... when
// that is taken; nothing is ever replaced. The final path, or "" with error set (the temporary
// file is then left for the caller to remove).
std::string PublishDownload(const std::string& temporary, const std::string& folder, const std::string& name,
                            std::string& error);

}  // namespace tevra
