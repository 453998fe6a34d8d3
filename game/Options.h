#pragma once
// The match settings: who plays and under which name, who has the joystick, the theme, the
// display mode, the number of monsters and how many bonuses of each kind a round hides.
#include "game/GameRules.h"
#include "game/Settings.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"

#include <array>
#include <functional>

class TDDModesCombo;

class TOptionsForm : public TForm {
    VX_CLASS(TOptionsForm, TForm)
public:
    explicit TOptionsForm(TComponent* Owner);

    TPanel* Panel1;
    TGroupBox* GroupBox1;
    // Player1 .. Player4 and Edit1 .. Edit4.
    std::array<TCheckBox*, 4> PlayerBoxes{};
    std::array<TEdit*, 4> NameEdits{};
    TGroupBox* GroupBox2;
    // JPlayer1 .. JPlayer4.
    std::array<TCheckBox*, 4> JPlayerBoxes{};
    TGroupBox* GroupBox6;
    TComboBox* ThemeCombo;
    TGroupBox* GroupBox5;
    TDDModesCombo* DDModesCombo;
    TGroupBox* GroupBox3;
    TEdit* Edit5;
    TUpDown* CMonsters;
    TGroupBox* GroupBox4;
    TLabel* InfoLabel;
    // The thirteen bonus counters in bonus kind order (CPower, CBombs, CTrig, ...).
    std::array<TUpDown*, BonusKindCount> BonusCounters{};
    TPanel* Panel2;
    TButton* Button1;

    // The game the dialog sets up, handed over by the main form.
    TGameRules* Game = nullptr;
    // A display mode was chosen (width, height, bits per pixel): the main form changes to
    // it; answers whether the form now runs in a window.
    std::function<bool(int width, int height, int bpp)> OnModeChosen;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void EditChange(int player);
    void ItemsChange(TObject* Sender);
    void JPlayerClick(int player);
    // Gives the joystick to the player (1..4), or back to player 1.
    void SetJoystickPlayer(int player, bool enable);
    void DDModesComboChange(TObject* Sender);

    // The values the round generation and the start of a match read.
    void CopyTo(TGameOptions& options) const;
    // Takes the settings file's values, in the file's order, with the click handlers they
    // cause; the joystick keys only while the joystick boxes are enabled.
    void LoadSettings(const TGameSettings& s);
    // The theme chooser's items and choice.
    void SetThemes(const std::vector<std::string>& names, int index);
    void SaveSettings(TGameSettings& s) const;

private:
    bool unchecking_ = false;
};

extern TOptionsForm* OptionsForm;
