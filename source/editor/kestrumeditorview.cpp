#include "editor/kestrumeditorview.h"

#include "controller/kestrumcontroller.h"
#include "module/kestrumparamids.h"
#include "processor/filtermode.h"

#include "gui/canimknob.h"
#include "gui/cbitmap.h"
#include "gui/cframe.h"
#include "gui/cmoviebutton.h"
#include "gui/csplashscreen.h"

namespace Kestrum
{

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace VSTGUI;

namespace
{

constexpr CColor kFrameBackground{127, 127, 127, 255};
const CRect kSplashArea(10, 10, 130, 160);
const CRect kBypassArea(175, 12, 225, 41);
const CPoint kKnobTopLeft(180, 90);
constexpr int kKnobSubPictures = 4;
// Vertical drag per mode when the host set no knob mode: each of the three
// modes is an easy stop, and the whole range fits above and below the knob.
constexpr CCoord kKnobDragPerMode = 40;

constexpr int kMinWidth = 270;
constexpr int kMaxWidth = 320;
constexpr int kMinHeight = 170;
constexpr int kMaxHeight = 220;

// The knob shows the mode the value selects, with the same single-precision
// bounds the processor uses, so picture and sound never disagree; the top
// value keeps the last (identical) picture.
int modeSubPicture(float value, int subPictures)
{
    if (value >= 1.f)
        return subPictures - 1;
    FilterMode mode = kModeBassDrop;
    if (!modeForValue(value, mode))
        return 0;
    return static_cast<int>(mode);
}

bool paramForTag(std::int32_t tag, ParamID& id)
{
    if (tag == KestrumEditorView::kBypassTag)
        id = kBypassId;
    else if (tag == KestrumEditorView::kModeTag)
        id = kModeId;
    else
        return false;
    return true;
}

} // namespace

KestrumEditorView::KestrumEditorView(EditController* editController) : VSTGUIEditor(editController)
{
    setIdleRate(kIdleRateMs);
    setLogicalSize(kWidth, kHeight);
}

// A host may release the view without removing it; nothing is left behind.
KestrumEditorView::~KestrumEditorView()
{
    close();
}

bool KestrumEditorView::open(void* parent)
{
    if (frame)
        return false;
    frame = new CFrame(CRect(0, 0, kWidth, kHeight), parent, this);
    frame->setBackgroundColor(kFrameBackground);

    backgroundBitmap = new CBitmap("background11.png");
    frame->setBackground(backgroundBitmap);

    splashBitmap = new CBitmap("splash.png");
    frame->addView(new CSplashScreen(kSplashArea, this, kSplashTag, splashBitmap,
                                     CRect(0, 0, kWidth, kHeight), CPoint(0, 0)));
    splashBitmap->forget();

    auto* bypassPicture = new CBitmap("BypassButton.png");
    bypassButton = new CMovieButton(kBypassArea, this, kBypassTag, bypassPicture, CPoint(0, 0));
    frame->addView(bypassButton);
    bypassPicture->forget();

    auto* knobPicture = new CBitmap("knobImg1.png");
    const CCoord subPictureHeight = static_cast<int>(knobPicture->getHeight()) / kKnobSubPictures;
    CRect knobArea(0, 0, knobPicture->getWidth(), subPictureHeight);
    knobArea.offset(kKnobTopLeft.x, kKnobTopLeft.y);
    modeKnob = new CAnimKnob(knobArea, this, kModeTag, kKnobSubPictures, subPictureHeight,
                             knobPicture, CPoint(0, 0));
    modeKnob->setSubPictureRule(modeSubPicture);
    modeKnob->setDragRange(kKnobDragPerMode * kNumFilterModes);
    frame->addView(modeKnob);
    knobPicture->forget();

    if (controller)
    {
        modeKnob->setValue(static_cast<float>(controller->getParamNormalized(kModeId)));
        bypassButton->setValue(static_cast<float>(controller->getParamNormalized(kBypassId)));
    }
    return true;
}

void KestrumEditorView::close()
{
    if (frame)
    {
        frame->forget();
        frame = nullptr;
    }
    if (backgroundBitmap)
    {
        backgroundBitmap->forget();
        backgroundBitmap = nullptr;
    }
    splashBitmap = nullptr;
    modeKnob = nullptr;
    bypassButton = nullptr;
}

void KestrumEditorView::update(ParamID id, ParamValue value)
{
    if (id == kBypassId && bypassButton)
        bypassButton->setValue(static_cast<float>(value));
    else if (id == kModeId && modeKnob)
        modeKnob->setValue(static_cast<float>(value));
}

void KestrumEditorView::valueChanged(CControl* control)
{
    ParamID id = 0;
    if (!control || !controller || !paramForTag(control->getTag(), id))
        return;
    const ParamValue value = control->getValue();
    controller->setParamNormalized(id, value);
    controller->performEdit(id, value);
}

void KestrumEditorView::controlBeginEdit(CControl* control)
{
    ParamID id = 0;
    if (control && controller && paramForTag(control->getTag(), id))
        controller->beginEdit(id);
}

void KestrumEditorView::controlEndEdit(CControl* control)
{
    ParamID id = 0;
    if (control && controller && paramForTag(control->getTag(), id))
        controller->endEdit(id);
}

tresult PLUGIN_API KestrumEditorView::findParameter(int32 /*xPos*/, int32 /*yPos*/,
                                                    ParamID& /*resultTag*/)
{
    return kResultFalse;
}

tresult PLUGIN_API KestrumEditorView::executeMenuItem(int32 tag)
{
    if (tag == kResetBypassItemTag)
        return resetToDefault(kBypassId);
    if (tag == kResetModeItemTag)
        return resetToDefault(kModeId);
    return kResultFalse;
}

// The parameter's index in the controller equals its ID.
tresult KestrumEditorView::resetToDefault(ParamID id)
{
    ParameterInfo info{};
    if (!controller || controller->getParameterInfo(static_cast<int32>(id), info) != kResultOk)
        return kResultFalse;
    const ParamValue defaultValue = info.defaultNormalizedValue;
    controller->beginEdit(id);
    controller->setParamNormalized(id, defaultValue);
    controller->performEdit(id, defaultValue);
    controller->endEdit(id);
    return kResultOk;
}

int32 KestrumEditorView::getKnobMode() const
{
    KnobMode mode = Vst::kCircularMode;
    const auto* kestrum = dynamic_cast<const KestrumController*>(controller);
    if (kestrum && kestrum->knobModeFromHost(mode))
        return mode;
    return VSTGUI::kNoHostKnobMode;
}

tresult PLUGIN_API KestrumEditorView::checkSizeConstraint(ViewRect* rect)
{
    if (!rect)
        return kInvalidArgument;
    // In device pixels, like every size a host sees.
    const int32 width = rect->right - rect->left;
    if (width < toDevicePixels(kMinWidth))
        rect->right = rect->left + toDevicePixels(kMinWidth);
    else if (width > toDevicePixels(kMaxWidth))
        rect->right = rect->left + toDevicePixels(kMaxWidth);
    const int32 height = rect->bottom - rect->top;
    if (height < toDevicePixels(kMinHeight))
        rect->bottom = rect->top + toDevicePixels(kMinHeight);
    else if (height > toDevicePixels(kMaxHeight))
        rect->bottom = rect->top + toDevicePixels(kMaxHeight);
    return kResultTrue;
}

} // namespace Kestrum
