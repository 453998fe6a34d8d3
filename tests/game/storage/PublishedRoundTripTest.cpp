// Sound and graphics components on a DirectDraw form, their published properties saved by
// a form storage in one process and restored in another: the second process must see the
// values the first one saved.
#include "graphics/DDForm.h"
#include "graphics/DDSprite.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
#include "platform/framework/Published.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/Plug_MP3.h"
#include "toolkit/Placemnt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class TTripStage : public TDDForm {
    VX_CLASS(TTripStage, TDDForm)
public:
    explicit TTripStage(const std::string& folder) : TDDForm(nullptr) {
        DDWindowed = true;
        RunFrameThread = false;
        SetPresenter(std::make_unique<MemoryPresenter>());
        storage = new TFormStorage(this);
        storage->SetIniFileName(folder + "/trip.ini");
        storage->SetIniSection("Trip");
        for (TComponent* component : {add<TDSPlay>("DSPlay1"), add<TSndMP3>("MP31"), add<TDSWave>("Wave1"),
                                      add<TDDSurface>("Sheet1"), add<TDDSprite>("Sprite1")})
            for (const TPropInfo* prop : GetPropList(*component))
                storage->StoredProps()->Add(component->Name() + "." + prop->Name);
    }

    void change() {
        auto& play = *static_cast<TDSPlay*>(FindComponent("DSPlay1"));
        play.SetVolume(-1200);
        play.SetLoop(true);
        play.SetSamplesPerSec(22050);
        play.SetPriority(tpNormal);
        static_cast<TSndMP3*>(FindComponent("MP31"))->SetQuality(smqHalf);
        static_cast<TDSWave*>(FindComponent("Wave1"))->SetNumBuffers(3);
        auto* sheet = static_cast<TDDSurface*>(FindComponent("Sheet1"));
        sheet->FileType = ddsBmp;
        auto& sprite = *static_cast<TDDSprite*>(FindComponent("Sprite1"));
        sprite.Frames = sheet;
        sprite.StartTick = 3000000000u;
        sprite.SetVelocityX(12.5);
        sprite.SetVisible(false);
    }

    // Every published property of every component but the storage, one "name=text" a line.
    std::string dump() {
        std::ostringstream out;
        for (int i = 0; i < ComponentCount(); ++i)
            if (Components(i) != storage)
                for (const TPropInfo* prop : GetPropList(*Components(i)))
                    out << Components(i)->Name() << '.' << prop->Name << '='
                        << GetPropText(*Components(i), *prop) << '\n';
        return out.str();
    }

    TFormStorage* storage;

private:
    template <class T> TComponent* add(const char* name) {
        auto* component = new T(this);
        component->SetName(name);
        return component;
    }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool runStep(const std::string& step, const std::string& folder) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "VX_STAGE_STEP=" + step + " VX_STAGE_DIR=\"" + folder + "\" \"" + self +
                                "\" --gtest_also_run_disabled_tests "
                                "--gtest_filter=PublishedStageTrip.DISABLED_Step >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

// Run by the case below in processes of their own, never by ctest directly.
TEST(PublishedStageTrip, DISABLED_Step) {
    const char* step = std::getenv("VX_STAGE_STEP");
    const char* folder = std::getenv("VX_STAGE_DIR");
    ASSERT_TRUE(step && folder);
    ScopedDDrawTest hooks;
    TTripStage stage(folder);
    stage.LoadTree();
    stage.Show();
    if (std::string(step) == "save") stage.change();
    std::ofstream(std::string(folder) + "/" + step + ".txt") << stage.dump();
    stage.Close();
}

TEST(PublishedStageRoundTrip, ANewProcessRestoresTheSoundAndGraphicsPropertiesSaved) {
    const std::string folder = std::string(VX_TEST_TMP) + "/published-stage";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(runStep("save", folder));
    ASSERT_TRUE(runStep("restore", folder));
    const std::string saved = readFile(folder + "/save.txt");
    EXPECT_EQ(readFile(folder + "/restore.txt"), saved);
    for (const char* line :
         {"DSPlay1.Volume=-1200\n", "DSPlay1.SamplesPerSec=22050\n", "MP31.Quality=smqHalf\n",
          "Sheet1.FileType=ddsBmp\n", "Sprite1.Frames=Sheet1\n", "Sprite1.StartTick=3000000000\n",
          "Sprite1.VelocityX=12.5\n", "Sprite1.Visible=False\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
}
