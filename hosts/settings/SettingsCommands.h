#pragma once

namespace qv {

class JSONWriter;
class SettingsRootController;
class UIDriver;

// The Settings host's driver commands, added to UIKit's (touches, back,
// rowtitle, wait, dump, quit ...):
//
//   bundles          the preference bundles of the device root
//   open NAME        opens a bundle's page by its label or bundle name
//   select LABEL     taps the row of that label on the page shown
//   toggle LABEL     taps the switch of the row of that label
//   rows             the rows of the page shown, with their values
//   table            the title, header, rows (text, detail, checkmark,
//                    gray) and bar buttons of a page that shows a table
//
// A command that cannot act fails with the reason and changes nothing; a
// bundle that cannot be opened leaves the Settings app as it was.
void registerSettingsCommands(UIDriver& driver, SettingsRootController& root);

// The dump's "settings" section: the bundles, the navigation stack's page
// classes, and the rows of the page shown.
void writeSettingsState(JSONWriter& writer, SettingsRootController& root);

} // namespace qv
