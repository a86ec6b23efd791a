#pragma once

namespace qv {

// SpringBoard's home screen, the description the SpringBoard host reads at
// launch: its default, with several pages, folders, the newsstand and the
// dock. A home screen that is there already (perhaps edited) is kept.
bool installHomeScreen();

} // namespace qv
