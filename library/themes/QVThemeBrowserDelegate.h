#pragma once

#include "platform/core/Object.h"

#include <cstdint>

namespace qv {

class QVThemeBrowser;

// What the theme browser tells the editor that opened it: the user left
// without choosing, or the current image of the browse type changed (the
// browser has stored it in the settings).
class QVThemeBrowserDelegate : public virtual Object {
public:
    virtual void themeBrowserDidCancel(QVThemeBrowser* browser) = 0;
    virtual void themeBrowserDidFinishWithBrowseType(QVThemeBrowser* browser, int32_t browseType) = 0;

protected:
    ~QVThemeBrowserDelegate() override = default;
};

} // namespace qv
