#include "UIImagePickerController.h"

#include "platform/Foundation/NSString.h"
#include "platform/core/Log.h"

#include <mutex>
#include <set>

namespace qv {

const std::string UIImagePickerControllerOriginalImage = "UIImagePickerControllerOriginalImage";
const std::string UIImagePickerControllerMediaType = "UIImagePickerControllerMediaType";

namespace {

struct Sources {
    std::mutex lock;
    std::set<int64_t> available { UIImagePickerControllerSourceTypePhotoLibrary, UIImagePickerControllerSourceTypeSavedPhotosAlbum };
};

Sources& sources()
{
    static auto* shared = new Sources; // lives as long as the process
    return *shared;
}

} // namespace

void UIImagePickerControllerDelegate::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker, const UIImagePickerInfo&)
{
    if (picker)
        picker->dismissViewControllerAnimated(true);
}

void UIImagePickerControllerDelegate::imagePickerControllerDidCancel(UIImagePickerController* picker)
{
    if (picker)
        picker->dismissViewControllerAnimated(true);
}

UIImagePickerController::UIImagePickerController()
{
    setTitle("Photos");
}

bool UIImagePickerController::isSourceTypeAvailable(UIImagePickerControllerSourceType type)
{
    std::lock_guard guard(sources().lock);
    return sources().available.count(type);
}

void UIImagePickerController::setSourceTypeAvailable(UIImagePickerControllerSourceType type, bool available)
{
    std::lock_guard guard(sources().lock);
    if (available)
        sources().available.insert(type);
    else
        sources().available.erase(type);
}

void UIImagePickerController::setSourceType(UIImagePickerControllerSourceType type)
{
    if (!isSourceTypeAvailable(type)) {
        logLine("UIImagePickerController: source type " + std::to_string(type) + " not available");
        return;
    }
    m_sourceType = type;
}

void UIImagePickerController::setDelegate(const WeakPtr<UIImagePickerControllerDelegate>& delegate)
{
    m_pickerDelegate = delegate;
    RefPtr<UIImagePickerControllerDelegate> strong = delegate.lock();
    UINavigationController::setDelegate(WeakPtr<UINavigationControllerDelegate>(strong.get()));
}

bool UIImagePickerController::isShown() const
{
    if (presentingViewController())
        return true;
    logLine("UIImagePickerController: the picker is not on screen");
    return false;
}

bool UIImagePickerController::pickImage(const RefPtr<UIImage>& image)
{
    if (!image) {
        logLine("UIImagePickerController: no image to pick");
        return false;
    }
    if (!isShown())
        return false;
    Ref<UIImagePickerController> protect(*this);
    UIImagePickerInfo info;
    info.emplace(UIImagePickerControllerOriginalImage, image.toRef());
    info.emplace(UIImagePickerControllerMediaType, NSString::create("public.image"));
    if (RefPtr<UIImagePickerControllerDelegate> delegate = m_pickerDelegate.lock())
        delegate->imagePickerControllerDidFinishPickingMediaWithInfo(this, info);
    else
        dismissViewControllerAnimated(true);
    return true;
}

bool UIImagePickerController::cancel()
{
    if (!isShown())
        return false;
    Ref<UIImagePickerController> protect(*this);
    if (RefPtr<UIImagePickerControllerDelegate> delegate = m_pickerDelegate.lock())
        delegate->imagePickerControllerDidCancel(this);
    else
        dismissViewControllerAnimated(true);
    return true;
}

} // namespace qv
