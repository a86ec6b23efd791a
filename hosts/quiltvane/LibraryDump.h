#pragma once

#include "platform/Foundation/JSONWriter.h"

namespace qv {

// The "library" section of the application's dump: the saved layouts tab
// (its rows, edit mode and options sheet), an apply screen on the screen
// (its mode, slots and Save), the theme browser or detail screen in front,
// and the icon and background images the settings hold and the editor
// shows.
void writeLibraryState(JSONWriter& writer);

} // namespace qv
