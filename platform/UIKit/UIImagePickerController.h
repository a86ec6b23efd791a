#pragma once

#include "UIImage.h"
#include "UINavigationController.h"

#include <map>
#include <string>

namespace qv {

class UIImagePickerController;

enum UIImagePickerControllerSourceType : int64_t {
    UIImagePickerControllerSourceTypePhotoLibrary = 0,
    UIImagePickerControllerSourceTypeCamera = 1,
    UIImagePickerControllerSourceTypeSavedPhotosAlbum = 2,
};

// The info of a picked image: the image under
// UIImagePickerControllerOriginalImage, its kind ("public.image") under
// UIImagePickerControllerMediaType.
using UIImagePickerInfo = std::map<std::string, Ref<Object>>;
extern const std::string UIImagePickerControllerOriginalImage;
extern const std::string UIImagePickerControllerMediaType;

// What the picker tells its delegate. A delegate that does not answer lets
// the picker dismiss itself, as on the device.
class UIImagePickerControllerDelegate : public UINavigationControllerDelegate {
public:
    virtual void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker, const UIImagePickerInfo& info);
    virtual void imagePickerControllerDidCancel(UIImagePickerController* picker);

protected:
    ~UIImagePickerControllerDelegate() override = default;
};

// The system's screen for taking a photo or choosing one from the library.
// Which sources this device has is set per test (the photo library and
// the saved photos are there, the camera is not, unless set); choosing a
// source that is not there is refused with a log line. The drivers stand
// for the user: picking an image or cancelling, while the picker is
// presented. The delegate is not retained.
class UIImagePickerController : public UINavigationController {
public:
    std::string className() const override { return "UIImagePickerController"; }
    UIImagePickerController();

    static bool isSourceTypeAvailable(UIImagePickerControllerSourceType type);
    static void setSourceTypeAvailable(UIImagePickerControllerSourceType type, bool available);

    UIImagePickerControllerSourceType sourceType() const { return m_sourceType; }
    void setSourceType(UIImagePickerControllerSourceType type);

    RefPtr<UIImagePickerControllerDelegate> delegate() const { return m_pickerDelegate.lock(); }
    void setDelegate(const WeakPtr<UIImagePickerControllerDelegate>& delegate);

    bool pickImage(const RefPtr<UIImage>& image);
    bool cancel();

protected:
    ~UIImagePickerController() override = default;

private:
    bool isShown() const;

    UIImagePickerControllerSourceType m_sourceType = UIImagePickerControllerSourceTypePhotoLibrary;
    WeakPtr<UIImagePickerControllerDelegate> m_pickerDelegate;
};

} // namespace qv
