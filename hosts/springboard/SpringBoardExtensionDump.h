#pragma once

namespace qv {

class JSONWriter;

// The Quiltvane extension as SpringBoard holds it, asked through the object
// runtime by class name (the host does not link the extension), as one JSON
// object, or null when the extension is not loaded:
//
//   switches: enabled, placeholdersEnabled, hiddenIconsEnabled,
//       folderLayoutsEnabled, reduceMotionEnabled;
//   references: the layout reference SpringBoard's process holds under each
//       applied-layout key ("CurrentLayout", the page and folder keys), or
//       null;
//   layouts: each loaded layout by key: folderLayout, and its origins for
//       the running device and orientation as [x, y] pairs as stored;
//   originsKey, maxIconsInAllLayouts;
//   hiddenIcons: the names of the icons whose views are faded out of the
//       way of an animation.
void writeExtensionState(JSONWriter& writer);

} // namespace qv
