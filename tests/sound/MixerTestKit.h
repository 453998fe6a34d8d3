#pragma once
// A mixer control on a form with the fake mixer backend and recorded message boxes, and a
// subclass that lets the tests see the control's own fields.
#include "platform/framework/Application.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/PageControl.h"
#include "platform/framework/ProgressBar.h"
#include "platform/framework/StdCtrls.h"
#include "platform/mmsys/FakeMixer.h"
#include "sound/ThMixer.h"
#include "sound/WndMixer.h"
#include "tests/platform/mmsys/MixerFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Runs the event loop until done() holds, for at most limitMs of real time.
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        Application->ProcessMessages();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class MixerProbe : public TSndMixer {
public:
    using TSndMixer::Controls;
    using TSndMixer::DeviceList;
    using TSndMixer::DeviceListChange;
    using TSndMixer::LastResult;
    using TSndMixer::Mixer;
    using TSndMixer::MixerCombo;
    using TSndMixer::MixerComboChange;
    using TSndMixer::MixerUpdate;
    using TSndMixer::Opened;
    using TSndMixer::Pages;
    using TSndMixer::Thread;
    using TSndMixer::TSndMixer;
    using TSndMixer::Updating;

    const TSndMixerControl& Record(DWORD id) const {
        for (const TSndMixerControl& record : Controls)
            if (record.ID == id) return record;
        throw std::out_of_range("no record for control " + std::to_string(id));
    }
    template <class T> T* Item(DWORD id, std::size_t index) const {
        return static_cast<T*>(Record(id).Items.at(index));
    }
    std::vector<std::string> PageCaptions() const {
        std::vector<std::string> captions;
        for (int i = 0; i < Pages->PageCount(); ++i)
            captions.push_back(Pages->Pages(i)->Caption());
        return captions;
    }
    TTabSheet* Page(const std::string& caption) const {
        for (int i = 0; i < Pages->PageCount(); ++i)
            if (Pages->Pages(i)->Caption() == caption) return Pages->Pages(i);
        return nullptr;
    }
    // Chooses a device or a destination as the user does.
    void ChooseDevice(int index) {
        DeviceList->SetItemIndex(index);
        DeviceListChange(DeviceList);
    }
    void ChooseDestination(int index) {
        MixerCombo->SetItemIndex(index);
        MixerComboChange(MixerCombo);
    }
};

class MixerOnForm : public ::testing::Test {
protected:
    void TearDown() override {
        if (form) form->Free();
        EXPECT_EQ(OpenMixerCount(), 0u) << "the control closes its device";
    }
    // Places a mixer on a fresh form; its window (and so its device) comes up at once.
    MixerProbe* Make(TSndMixerDestination destination = mdPlay) {
        form = new TForm(nullptr);
        form->SetClientWidth(320);
        form->SetClientHeight(220);
        mixer = new MixerProbe(form);
        mixer->SetDefDest(destination);
        mixer->SetParent(form);
        mixer->HandleNeeded();
        return mixer;
    }
    UINT AddStudio() { return fake.backend().AddDevice("Studio Card", mixer_fixtures::StudioLayout()); }
    DWORD Id(const std::string& line, const std::string& name, UINT device = 0) {
        return fake.backend().ControlId(device, line, name);
    }
    // Lets queued notices and polls run.
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            Application->ProcessMessages();
    }

    ScopedFakeMixer fake;
    ScopedMessageRecorder boxes;
    TForm* form = nullptr;
    MixerProbe* mixer = nullptr;
};
