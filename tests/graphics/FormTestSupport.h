#pragma once
// A small DirectDraw form for tests: windowed or full screen, with surfaces placed by the
// test, frames run by hand and shown in memory.
#include "GraphicsTestSupport.h"
#include "graphics/DDForm.h"
#include "graphics/DDSurface.h"
#include "platform/ddraw/Presenter.h"
#include "platform/framework/Application.h"
#include "platform/kernel/Clock.h"

#include <memory>
#include <string>
#include <vector>

class DemoForm : public TDDForm {
    VX_CLASS(DemoForm, TDDForm)
public:
    explicit DemoForm(TComponent* owner) : TDDForm(owner) {
        DDWindowed = true;
        RunFrameThread = false;
        auto memory = std::make_unique<MemoryPresenter>();
        presenter = memory.get();
        SetPresenter(std::move(memory));
    }
    // A blank surface component of the given size, recording its events in log.
    TDDSurface* AddBlank(const std::string& name, int width, int height) {
        auto* surface = new TDDSurface(this);
        surface->SetName(name);
        surface->Width = width;
        surface->Height = height;
        surface->AutoColorKey = false;
        surface->OnInit = [this, name](TObject*) { log.push_back("init " + name); };
        surface->OnUpdate = [this, name](TObject*) { log.push_back("update " + name); };
        return surface;
    }
    MemoryPresenter* presenter = nullptr;
    std::vector<std::string> log;
};

class FormTest : public ::testing::Test {
protected:
    // Every surface gets padded rows, so code that ignores the pitch shows up here.
    FormTest() { DDrawTest::SetPitchPadding(20); }
    ~FormTest() override { delete form; }
    // Creates the form; prepare runs before its second phase of creation (Loaded).
    void Create(const std::function<void(DemoForm&)>& prepare = {}) {
        form = new DemoForm(nullptr);
        form->SetDDWidth(320);
        form->SetDDHeight(240);
        form->SetDDBPP(16);
        if (prepare) prepare(*form);
        form->LoadTree();
    }
    void Activate() { form->SetDDActive(true); }

    ScopedDDrawTest hooks;
    ScopedTestClock clock{10000};
    ScopedMessageRecorder messages;
    DemoForm* form = nullptr;
};
