// The controller's list of open editor views: creation by name, attach order,
// removal, and the values pushed to every open view.
#include "controller/kestrumcontroller.h"
#include "editor/kestrumeditorview.h"
#include "gui/canimknob.h"
#include "gui/cmoviebutton.h"
#include "module/kestrumparamids.h"
#include "support/teststreams.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::KestrumEditorView;

namespace
{

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(controller->initialize(&host), kResultOk); }
    void TearDown() override
    {
        for (auto& view : views)
            view->close();
        controller->terminate();
    }

    // An open (offscreen) view, not yet registered.
    KestrumEditorView* makeView()
    {
        views.push_back(owned(new KestrumEditorView(controller)));
        EXPECT_TRUE(views.back()->open(nullptr));
        return views.back();
    }

    static float knob(KestrumEditorView* view) { return view->getModeKnob()->getValue(); }
    std::vector<KestrumEditorView*> registered() const { return controller->getEditorViews(); }

    HostApplication host;
    IPtr<Kestrum::KestrumController> controller = owned(new Kestrum::KestrumController);
    std::vector<IPtr<KestrumEditorView>> views;
};

} // namespace

TEST_F(RegistryTest, CreateViewAnswersOnlyTheExactNameEditor)
{
    for (const char* name : {"Editor", "editor2", "edit", "", "EDITOR"})
        EXPECT_EQ(controller->createView(name), nullptr) << name;
    EXPECT_EQ(controller->createView(nullptr), nullptr);

    IPlugView* view = controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_TRUE(registered().empty()) << "a view enters the list only when attached";
    controller->setParamNormalized(Kestrum::kModeId, 0.9);
    EXPECT_EQ(view->release(), 0u);
}

TEST_F(RegistryTest, OpenViewsFollowEveryValueInAttachOrder)
{
    KestrumEditorView* a = makeView();
    KestrumEditorView* b = makeView();
    controller->editorAttached(a);
    controller->editorAttached(b);
    EXPECT_EQ(registered(), (std::vector<KestrumEditorView*>{a, b}));

    EXPECT_EQ(controller->setParamNormalized(Kestrum::kModeId, 0.9), kResultTrue);
    EXPECT_EQ(knob(a), 0.9f);
    EXPECT_EQ(knob(b), 0.9f);

    // Values beyond the range reach the views as received; the parameter clamps.
    EXPECT_EQ(controller->setParamNormalized(Kestrum::kModeId, 1.5), kResultTrue);
    EXPECT_EQ(controller->getParamNormalized(Kestrum::kModeId), 1.0);
    EXPECT_EQ(a->getModeKnob()->getSubPictureIndex(), 3);

    // An unknown ID is refused but still handed on (and ignored by the views).
    EXPECT_EQ(controller->setParamNormalized(7, 0.3), kResultFalse);
    EXPECT_EQ(knob(a), 1.0f);

    controller->editorRemoved(a);
    EXPECT_EQ(registered(), (std::vector<KestrumEditorView*>{b}));
    controller->setParamNormalized(Kestrum::kModeId, 0.1);
    EXPECT_EQ(knob(a), 1.0f) << "a removed view is no longer updated";
    EXPECT_EQ(knob(b), 0.1f);
}

TEST_F(RegistryTest, RemovalTakesTheFirstMatchAndIgnoresStrangers)
{
    KestrumEditorView* a = makeView();
    KestrumEditorView* b = makeView();
    KestrumEditorView* stranger = makeView();
    controller->editorAttached(a);
    controller->editorAttached(b);
    controller->editorAttached(a); // no duplicate check
    EXPECT_EQ(registered(), (std::vector<KestrumEditorView*>{a, b, a}));

    controller->editorRemoved(stranger);
    EXPECT_EQ(registered().size(), 3u);
    controller->editorRemoved(a);
    EXPECT_EQ(registered(), (std::vector<KestrumEditorView*>{b, a}));
    controller->editorRemoved(a);
    EXPECT_EQ(registered(), (std::vector<KestrumEditorView*>{b}));
}

TEST_F(RegistryTest, RestoredProcessorStateReachesOpenViews)
{
    KestrumEditorView* a = makeView();
    controller->editorAttached(a);
    KestrumTest::TestStream stream({1, 0, 0, 0, 0, 0, 0x80, 0x3F});
    ASSERT_EQ(controller->setComponentState(&stream), kResultOk);
    EXPECT_EQ(a->getBypassButton()->getValue(), 1.0f);
    EXPECT_EQ(knob(a), 1.0f);
}

TEST_F(RegistryTest, TerminateEmptiesTheList)
{
    KestrumEditorView* a = makeView();
    controller->editorAttached(a);
    controller->terminate();
    EXPECT_TRUE(registered().empty());
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    controller->setParamNormalized(Kestrum::kModeId, 0.1);
    EXPECT_EQ(knob(a), 0.5f);
}

TEST_F(RegistryTest, AViewDestroyedWhileRegisteredLeavesNoDanglingEntry)
{
    auto view = owned(new KestrumEditorView(controller));
    ASSERT_TRUE(view->open(nullptr));
    controller->editorAttached(view);
    controller->editorAttached(view);
    view->close();
    view = nullptr; // destroyed without editorRemoved
    EXPECT_TRUE(registered().empty());
    controller->setParamNormalized(Kestrum::kModeId, 0.2); // would touch freed memory
}
