#pragma once

namespace qv {

class JSONWriter;

// SpringBoard as a person would see it, as one JSON object:
//
//   finishedLaunching, locked, orientation, editing, currentPage,
//   grabbedIcon (a name or null), lastLaunchedApplication (a name or null),
//   capacity: maxIcons of each kind of list, asked of its class,
//   rows: of each kind of list, its rows and visible rows in the current
//       orientation, asked of its class,
//   pages: the home screen's pages, dock: the dock,
//   folders: each folder (and the newsstand) with its pages,
//   openFolder: the open folder (name, currentPage, the background's frame
//       and corner radius) or null.
//
// A list has its class, frame, orientation, whether it is hidden and in
// edit mode, its icons in slot order (name, kind, the view's frame in the
// list and alpha; a folder icon also the names its miniature grid shows) and
// the other views it holds (class, frame, alpha, and the texts of the
// labels among their subviews). Frames are [x, y, width,
// height].
void writeSpringBoardState(JSONWriter& writer);

} // namespace qv
