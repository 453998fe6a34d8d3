#include "game/Options.h"
#include "game/FormLayout.h"
#include "graphics/DDModesCombo.h"

#include <algorithm>
#include <cstdio>

TOptionsForm* OptionsForm = nullptr;

namespace {

struct CounterSpec {
    TBonusKind kind;
    const char* caption;
    int max, position;
    int column, row;
};

// The bonus counters as the dialog shows them, in two columns.
constexpr CounterSpec Counters[] = {
    {bkBombs, "Bombs", 50, 15, 0, 0},      {bkPower, "Power", 50, 15, 0, 1},
    {bkSkull, "Skull", 30, 5, 0, 2},       {bkSpeed, "Speed", 10, 1, 0, 3},
    {bkFreeze, "Freeze", 10, 1, 0, 4},     {bkMultiBomb, "MultiBomb", 10, 1, 0, 5},
    {bkBombLive, "BombLive", 10, 1, 1, 0}, {bkBombClip, "BombClip", 10, 1, 1, 1},
    {bkWoodClip, "WoodClip", 10, 1, 1, 2}, {bkShowSecrets, "ShowMap", 10, 1, 1, 3},
    {bkTrigger, "Trigger", 10, 1, 1, 4},   {bkMonster, "Monster", 10, 1, 1, 5},
    {bkGodMode, "GodMode", 10, 1, 1, 6},
};

} // namespace

TOptionsForm::TOptionsForm(TComponent* Owner) : TForm(Owner) {
    SetName("OptionsForm");
    SetCaption("Game options");
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetClientWidth(455);
    SetClientHeight(250);
    SetPosition(poScreenCenter);

    Panel2 = place<TPanel>(this, this, 0, 216, 455, 34);
    Panel2->SetAlign(alBottom);
    Button1 = place<TButton>(this, Panel2, 190, 4, 75, 25);
    Button1->SetCaption("&Ok");
    Button1->SetDefault(true);
    Button1->SetCancel(true);
    Button1->SetModalResult(mrOk);

    Panel1 = place<TPanel>(this, this, 0, 0, 189, 216);
    Panel1->SetAlign(alLeft);
    Panel1->SetBevelOuter(bvNone);
    GroupBox1 = place<TGroupBox>(this, Panel1, 4, 0, 181, 66);
    GroupBox1->SetCaption("Players");
    // Players 1 and 2 on the left, 4 and 3 on the right.
    static constexpr int columns[4] = {0, 0, 1, 1};
    static constexpr int rows[4] = {0, 1, 1, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        int left = 8 + columns[i] * 88, top = 16 + rows[i] * 22;
        PlayerBoxes[i] = place<TCheckBox>(this, GroupBox1, left, top + 2, 16, 17);
        NameEdits[i] = place<TEdit>(this, GroupBox1, left + 18, top, 62, 21);
        NameEdits[i]->SetText("Player" + std::to_string(i + 1));
    }
    PlayerBoxes[0]->SetChecked(true);
    PlayerBoxes[2]->SetChecked(true);

    GroupBox2 = place<TGroupBox>(this, Panel1, 4, 68, 181, 58);
    GroupBox2->SetCaption("Joystick control");
    for (std::size_t i = 0; i < 4; ++i) {
        JPlayerBoxes[i] = place<TCheckBox>(this, GroupBox2, 8 + static_cast<int>(i % 2) * 88,
                                           16 + static_cast<int>(i / 2) * 20, 84, 17);
        JPlayerBoxes[i]->SetCaption("Player " + std::to_string(i + 1));
        JPlayerBoxes[i]->SetEnabled(false);
    }
    // The display modes take the whole width ("1152x864 32bpp" must show whole); the theme
    // names share the last row with the monster count.
    GroupBox5 = place<TGroupBox>(this, Panel1, 4, 128, 181, 44);
    GroupBox5->SetCaption("Screen");
    DDModesCombo = place<TDDModesCombo>(this, GroupBox5, 8, 16, 165, 21);
    DDModesCombo->SetStyle(csDropDownList);
    DDModesCombo->Show8bit = true;
    DDModesCombo->Show16bit = true;
    DDModesCombo->Show32bit = true;
    DDModesCombo->ShowMaxWidth = 1920;
    GroupBox6 = place<TGroupBox>(this, Panel1, 4, 172, 120, 44);
    GroupBox6->SetCaption("Theme");
    ThemeCombo = place<TComboBox>(this, GroupBox6, 8, 16, 104, 21);
    ThemeCombo->SetStyle(csDropDownList);
    ThemeCombo->SetDropDownCount(16);
    GroupBox3 = place<TGroupBox>(this, Panel1, 126, 172, 59, 44);
    GroupBox3->SetCaption("Monsters");
    Edit5 = place<TEdit>(this, GroupBox3, 6, 16, 32, 21);
    CMonsters = place<TUpDown>(this, GroupBox3, 38, 16, 15, 21);
    CMonsters->SetMax(500);
    CMonsters->SetPosition(10);
    CMonsters->SetAssociate(Edit5);

    GroupBox4 = place<TGroupBox>(this, this, 192, 0, 263, 216);
    GroupBox4->SetCaption("Bonus");
    for (const CounterSpec& c : Counters) {
        int left = 8 + c.column * 126, top = 18 + c.row * 24;
        auto* label = place<TLabel>(this, GroupBox4, left, top + 3, 60, 13);
        label->SetCaption(c.caption);
        auto* edit = place<TEdit>(this, GroupBox4, left + 62, top, 34, 21);
        auto* upDown = place<TUpDown>(this, GroupBox4, left + 96, top, 15, 21);
        upDown->SetMax(c.max);
        upDown->SetPosition(c.position);
        upDown->SetAssociate(edit);
        edit->OnChange = [this](TObject* s) { ItemsChange(s); };
        BonusCounters[static_cast<std::size_t>(c.kind)] = upDown;
    }
    InfoLabel = place<TLabel>(this, GroupBox4, 8, 194, 240, 13);
    InfoLabel->SetCaption("Count");

    for (std::size_t i = 0; i < 4; ++i) {
        int player = static_cast<int>(i) + 1;
        NameEdits[i]->OnChange = [this, player](TObject*) { EditChange(player); };
        JPlayerBoxes[i]->OnClick = [this, player](TObject*) { JPlayerClick(player); };
    }
    DDModesCombo->OnChange = [this](TObject* s) { DDModesComboChange(s); };
    SetActiveControl(Button1);
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TOptionsForm::FormCreate(TObject*) {
    DDModesCombo->ShowRatio4x3 = false;
    DDModesCombo->ShowMaxWidth = 1920;
    bool joystick = Game && Game->JoystickPresent;
    for (TCheckBox* box : JPlayerBoxes)
        box->SetEnabled(joystick);
}

void TOptionsForm::FormShow(TObject*) {
    SetLeft((Screen->Width() - Width()) / 2);
    SetTop((Screen->Height() - Height()) / 2);
    ItemsChange(nullptr);
    for (std::size_t i = 0; i < 4; ++i)
        JPlayerBoxes[i]->SetCaption(NameEdits[i]->Text());
}

void TOptionsForm::EditChange(int player) {
    std::size_t i = static_cast<std::size_t>(player - 1);
    JPlayerBoxes[i]->SetCaption(NameEdits[i]->Text());
}

void TOptionsForm::ItemsChange(TObject*) {
    int w = Game ? Game->GridWidth : 0, h = Game ? Game->GridHeight : 0;
    int pillars = (w / 2) * (h / 2);
    int woods = (w * h - pillars) / 2 - 12;
    int items = 0;
    for (TUpDown* counter : BonusCounters)
        items += counter->Position();
    items = std::min(items, woods);
    char text[64];
    std::snprintf(text, sizeof text, "Woods: %d, Items: %d", woods, items);
    InfoLabel->SetCaption(text);
}

void TOptionsForm::JPlayerClick(int player) {
    if (unchecking_) return;
    std::size_t index = static_cast<std::size_t>(player - 1);
    if (JPlayerBoxes[index]->Checked()) {
        // An exclusive choice: the others go off without moving the joystick.
        unchecking_ = true;
        for (std::size_t i = 0; i < 4; ++i)
            if (i != index) JPlayerBoxes[i]->SetChecked(false);
        unchecking_ = false;
        SetJoystickPlayer(player, true);
    } else {
        SetJoystickPlayer(player, false);
    }
}

void TOptionsForm::SetJoystickPlayer(int player, bool enable) {
    if (!Game) return;
    std::lock_guard lock(Game->GameLock());
    int index = enable ? player - 1 : 0;
    Game->JoystickSprite = index < Game->PlayerList.Count() ? Game->PlayerList[index] : nullptr;
}

void TOptionsForm::DDModesComboChange(TObject*) {
    int index = DDModesCombo->ItemIndex();
    if (index < 0 || !OnModeChosen) return;
    DWORD code = DDModesCombo->ItemModeCode(index);
    bool windowed = OnModeChosen(static_cast<int>(code & 0xFFF), static_cast<int>((code >> 12) & 0xFFF),
                                 static_cast<int>(code >> 24));
    if (!windowed) Close();
}

void TOptionsForm::CopyTo(TGameOptions& options) const {
    for (std::size_t i = 0; i < 4; ++i) {
        options.Playing[i] = PlayerBoxes[i]->Checked();
        options.Names[i] = NameEdits[i]->Text();
    }
    options.Monsters = CMonsters->Position();
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        options.BonusCount[k] = BonusCounters[k]->Position();
    options.ThemeIndex = ThemeCombo->ItemIndex();
    options.ThemeItems = ThemeCombo->Items()->Count();
}

void TOptionsForm::LoadSettings(const TGameSettings& s) {
    if (JPlayerBoxes[0]->Enabled()) {
        for (std::size_t i = 0; i < 4; ++i)
            JPlayerBoxes[i]->SetChecked(s.JoystickPlayer[i]);
    }
    for (std::size_t i = 0; i < 4; ++i)
        PlayerBoxes[i]->SetChecked(s.Playing[i]);
    CMonsters->SetPosition(s.Monsters);
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        BonusCounters[k]->SetPosition(s.BonusCount[k]);
    for (std::size_t i = 0; i < 4; ++i)
        NameEdits[i]->SetText(s.Names[i]);
}

void TOptionsForm::SetThemes(const std::vector<std::string>& names, int index) {
    ThemeCombo->Items()->Clear();
    for (const std::string& name : names)
        ThemeCombo->Items()->Add(name);
    ThemeCombo->SetItemIndex(index < ThemeCombo->Items()->Count() ? index : -1);
}

void TOptionsForm::SaveSettings(TGameSettings& s) const {
    for (std::size_t i = 0; i < 4; ++i) {
        s.JoystickPlayer[i] = JPlayerBoxes[i]->Checked();
        s.Playing[i] = PlayerBoxes[i]->Checked();
        s.Names[i] = NameEdits[i]->Text();
    }
    s.Monsters = CMonsters->Position();
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        s.BonusCount[k] = BonusCounters[k]->Position();
    s.Theme = ThemeCombo->ItemIndex();
}
