#pragma once

namespace qv {

class UIDriver;

// The SpringBoard host's driver commands, added to the driver's (touches, rotate,
// wait, dump, quit ...). Icons are named by their display names; an icon a
// command acts on must be on the screen (the page shown, the dock or the
// open folder's page), and nothing acts on icons while the device is
// locked.
//
//   hold NAME        a long press on an icon: edit mode begins, the icon is held
//   drag X Y         the held icon follows the finger to a point of the screen
//   release          the finger lets go: the held icon drops into its slot
//   launch NAME      a tap on an icon: an application launches, a folder opens
//   open NAME        opens a folder (or the newsstand)
//   close            closes the open folder
//   edit on|off      enters or leaves edit mode
//   page N           shows page N (of the open folder when one is open)
//   lock | unlock    locks the device, unlocks it
//
// A command that cannot act fails with the reason and changes nothing.
void registerSpringBoardCommands(UIDriver& driver);

} // namespace qv
