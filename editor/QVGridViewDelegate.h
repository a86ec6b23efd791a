#pragma once

#include "platform/UIKit/UIResponder.h"
#include "platform/core/Geometry.h"
#include "platform/core/Object.h"
#include "platform/core/Ref.h"

#include <cstdint>
#include <vector>

namespace qv {

class QVGridView;
class QVIcon;
class UIEvent;

// What the grid view asks of the editor and tells it.
class QVGridViewDelegate : public virtual Object {
public:
    virtual std::vector<Ref<QVIcon>> currentIconsForGridView(QVGridView* gridView) = 0;
    // Fill Grid's removal of the existing icons; `addOne` asks for one fresh
    // icon afterwards.
    virtual void gridViewDeleteAllIcons(QVGridView* gridView, bool addOne) = 0;
    virtual void gridViewUpdateCurrentIconPositions(QVGridView* gridView, const std::vector<CGPoint>& positions) = 0;
    virtual void gridViewAddIconAtCenter(QVGridView* gridView, CGPoint center, int32_t lockedIndex) = 0;
    virtual CGSize defaultIconSizeForGridView(QVGridView* gridView) = 0;
    // While the editor selects icons, the grid hands every touch on.
    virtual bool isSelectingInGridView(QVGridView* gridView) = 0;
    virtual void gridViewTouchesBegan(QVGridView* gridView, const UITouchSet& touches, UIEvent* event) = 0;
    virtual void gridViewTouchesMoved(QVGridView* gridView, const UITouchSet& touches, UIEvent* event) = 0;
    virtual void gridViewTouchesEnded(QVGridView* gridView, const UITouchSet& touches, UIEvent* event) = 0;
    virtual void gridViewTouchesCancelled(QVGridView* gridView, const UITouchSet& touches, UIEvent* event) = 0;
    // A finger rested on the grid for half a second.
    virtual void gridHeldInGridView(QVGridView* gridView) = 0;

protected:
    ~QVGridViewDelegate() override = default;
};

} // namespace qv
