#pragma once

#include "QVThemeDelegate.h"
#include "QVThemeDetailView.h"
#include "QVThemeDetailViewDelegate.h"

#include "model/QVReader.h"
#include "model/QVSettings.h"
#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// One installed theme, a folder under the themes folder, as the theme
// browser lists it: whether it has images for the browse type, and the
// link between its detail screen and the browser.
class QVTheme : public NSObject, public QVThemeDetailViewDelegate {
public:
    std::string className() const override { return "QVTheme"; }
    // The theme folder's name as the listing gave it.
    QVTheme(std::string name, int32_t browseType);

    // A new detail screen of this theme at every call.
    Ref<QVThemeDetailView> themeDetailView();
    void detailViewSelectedImage(QVThemeDetailView* detailView, RefPtr<UIImage> image, int32_t browseType) override;

    int32_t browseType() const { return m_browseType; }
    const std::string& name() const { return m_name; }
    const std::string& directory() const { return m_directory; }
    // Decided once, when the theme is made.
    bool isValid() const { return m_isValid; }
    RefPtr<QVThemeDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVThemeDelegate>& delegate) { m_delegate = delegate; }

protected:
    ~QVTheme() override = default;

private:
    Ref<QVSettings> m_settings;
    Ref<QVReader> m_reader;
    bool m_isValid = false;
    int32_t m_browseType;
    std::string m_name;
    std::string m_directory;
    WeakPtr<QVThemeDelegate> m_delegate;
};

} // namespace qv
