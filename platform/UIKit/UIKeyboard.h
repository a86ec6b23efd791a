#pragma once

#include "platform/core/Geometry.h"

#include <string>

namespace qv {

extern const std::string UIKeyboardWillShowNotification;
extern const std::string UIKeyboardDidShowNotification;
extern const std::string UIKeyboardWillHideNotification;
extern const std::string UIKeyboardDidHideNotification;
// Keys of the notifications' user information: the keyboard's frames in
// screen coordinates (rectangles in values) and the animation's duration.
extern const std::string UIKeyboardFrameBeginUserInfoKey;
extern const std::string UIKeyboardFrameEndUserInfoKey;
extern const std::string UIKeyboardAnimationDurationUserInfoKey;

// The on-screen keyboard: up while the first responder is one that takes
// typing (a text field), down otherwise. It comes up and goes down with the
// will and did notifications on the process's notification center; moving
// from one text field to another keeps it up and posts nothing. Its height
// follows the device and the orientation (216 or 162 points on a phone, 264
// or 352 on the iPad), along the bottom of the screen. Main thread only.
class UIKeyboard {
public:
    static bool isVisible();
    static CGRect frame();

    // Called by the responders whenever the first responder changed.
    static void firstResponderDidChange();

    // While one is alive, changes of the first responder are not looked at;
    // the last one to go looks once. A responder handing its place to
    // another holds one, so the keyboard does not go down in between.
    class Deferral {
    public:
        Deferral();
        ~Deferral();
        Deferral(const Deferral&) = delete;
        Deferral& operator=(const Deferral&) = delete;
    };
};

} // namespace qv
