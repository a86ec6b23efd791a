#pragma once

#include "platform/Foundation/JSONWriter.h"
#include "platform/core/Ref.h"

namespace qv {

class QVLayoutMaker;
class UIApplication;
class UIApplicationDelegate;

// The application's start: the delegate, then the main interface (the
// window and the tab bar controller with the editor, the saved layouts and
// the layout server), driven from outside.
int QuiltVaneMain(int argc, char** argv);
void loadQuiltVaneMainInterface(UIApplication& application, UIApplicationDelegate& delegate);

// The editor of the running application, or null before it is made.
RefPtr<QVLayoutMaker> runningLayoutMaker();

// The driver commands of the application:
//   writelayout NAME [both|portrait|landscape]
//       writes the editor's layout to the user layouts folder as NAME
//   openlayout NAME
//       hands the user layout NAME to the editor, as "View / Modify" does
void registerQuiltVaneCommands();
// The "editor" section of the dump: the orientation, the grid, every icon
// (number, frame, slot, selection), the buttons and the open panels.
void writeEditorState(JSONWriter& writer);

} // namespace qv
