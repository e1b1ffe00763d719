// A view with a normalised value that reports user changes to a listener.
#pragma once

#include "gui/cview.h"

#include <cstdint>

namespace VSTGUI
{

class CBitmap;
class CControl;

class IControlListener
{
public:
    virtual ~IControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // Frame a gesture: every valueChanged of one drag lies between them.
    virtual void controlBeginEdit(CControl* /*control*/) {}
    virtual void controlEndEdit(CControl* /*control*/) {}
};

class CControl : public CView
{
public:
    CControl(const CRect& size, IControlListener* listener = nullptr, std::int32_t tag = 0,
             CBitmap* background = nullptr);
    CControl(const CControl& other);
    ~CControl() override;

    // Clamped to [0, 1]; NaN is ignored. A change marks the control dirty.
    virtual void setValue(float newValue);
    float getValue() const { return value; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }

    std::int32_t getTag() const { return tag; }
    void setTag(std::int32_t newTag) { tag = newTag; }
    IControlListener* getListener() const { return listener; }
    void setListener(IControlListener* l) { listener = l; }

    // Picture the control draws from (it keeps its own reference).
    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }
    void setBackOffset(const CPoint& offset) { backOffset = offset; }
    const CPoint& getBackOffset() const { return backOffset; }

    // Tell the listener about a gesture and its value changes.
    void beginEdit();
    void endEdit();
    bool isEditing() const { return editing; }
    virtual void valueChanged();

    bool isTypeOf(const char* className) const override;

protected:
    float value = 0.f;
    float defaultValue = 0.5f;
    std::int32_t tag;
    IControlListener* listener;
    CBitmap* background = nullptr;
    CPoint backOffset;
    bool editing = false;
};

} // namespace VSTGUI
