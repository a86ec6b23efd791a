#pragma once

#include <cstdint>

namespace qv {

// The orientations of the interface, numbered as on the device: the two
// landscape values are the device orientations' the other way round,
// because turning the device left turns the interface right.
enum UIInterfaceOrientation : int64_t {
    UIInterfaceOrientationUnknown = 0,
    UIInterfaceOrientationPortrait = 1,
    UIInterfaceOrientationPortraitUpsideDown = 2,
    UIInterfaceOrientationLandscapeRight = 3,
    UIInterfaceOrientationLandscapeLeft = 4,
};

enum UIInterfaceOrientationMask : uint64_t {
    UIInterfaceOrientationMaskPortrait = 1 << UIInterfaceOrientationPortrait,
    UIInterfaceOrientationMaskPortraitUpsideDown = 1 << UIInterfaceOrientationPortraitUpsideDown,
    UIInterfaceOrientationMaskLandscapeRight = 1 << UIInterfaceOrientationLandscapeRight,
    UIInterfaceOrientationMaskLandscapeLeft = 1 << UIInterfaceOrientationLandscapeLeft,
    UIInterfaceOrientationMaskLandscape = UIInterfaceOrientationMaskLandscapeLeft | UIInterfaceOrientationMaskLandscapeRight,
    // 30: every orientation.
    UIInterfaceOrientationMaskAll = UIInterfaceOrientationMaskPortrait | UIInterfaceOrientationMaskPortraitUpsideDown | UIInterfaceOrientationMaskLandscape,
    UIInterfaceOrientationMaskAllButUpsideDown = UIInterfaceOrientationMaskPortrait | UIInterfaceOrientationMaskLandscape,
};

enum UIDeviceOrientation : int64_t {
    UIDeviceOrientationUnknown = 0,
    UIDeviceOrientationPortrait = 1,
    UIDeviceOrientationPortraitUpsideDown = 2,
    UIDeviceOrientationLandscapeLeft = 3,
    UIDeviceOrientationLandscapeRight = 4,
    UIDeviceOrientationFaceUp = 5,
    UIDeviceOrientationFaceDown = 6,
};

inline bool UIInterfaceOrientationIsPortrait(int64_t orientation)
{
    return orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown;
}

inline bool UIInterfaceOrientationIsLandscape(int64_t orientation)
{
    return orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight;
}

inline bool UIInterfaceOrientationIsValid(int64_t orientation)
{
    return UIInterfaceOrientationIsPortrait(orientation) || UIInterfaceOrientationIsLandscape(orientation);
}

// The mask bit of one orientation; 0 for a value that is none.
inline uint64_t UIInterfaceOrientationMaskFor(int64_t orientation)
{
    return UIInterfaceOrientationIsValid(orientation) ? (uint64_t { 1 } << orientation) : 0;
}

// The device held so that the interface takes the orientation.
inline UIDeviceOrientation UIDeviceOrientationForInterface(UIInterfaceOrientation orientation)
{
    switch (orientation) {
    case UIInterfaceOrientationLandscapeLeft:
        return UIDeviceOrientationLandscapeRight;
    case UIInterfaceOrientationLandscapeRight:
        return UIDeviceOrientationLandscapeLeft;
    default:
        return static_cast<UIDeviceOrientation>(orientation);
    }
}

} // namespace qv
