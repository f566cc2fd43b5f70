// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's side of night mode: the style, palette and style sheet the whole application
// gets, so that menus, dialogs, tool tips, buttons and edits are dim red on black like the
// colours the windows choose themselves (state/night_mode.h).
#pragma once

#include "state/night_mode.h"

#include <QColor>

class QImage;

namespace tevra {

// Applies Night to the application: by day the style and palette it started with.
void ApplyNightLook();

// A colour through ShownColour.
QColor ShownQColor(Rgb day, Paint paint);

// A picture as the night view shows it: each pixel's lightness as red at the night brightness.
QImage NightImage(const QImage& day);

}  // namespace tevra
