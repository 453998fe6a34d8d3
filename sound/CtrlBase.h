#pragma once
// TSndControlBase: the base of the effect editing panels. A panel is attached to one effect;
// it shows the effect's values, writes every change of its controls into the effect at once,
// and is refreshed whenever the effect runs Init. It also supplies the effect's OnChange,
// without which the effect does not process.
//
// The panel lives on the GUI thread. An Init on another thread (an engine switched from
// the frame thread) refreshes the panel later on the GUI thread, and only while the panel
// still exists. A panel detaches from its effect when it goes, and forgets an effect that
// goes first. With several panels on one effect, the one attached last is refreshed; one
// that goes takes only its own handler, so the effect stays with the others.
#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/StdCtrls.h"
#include "sound/Eff_Base.h"

#include <memory>
#include <string>

class TSndControlBase : public TCustomControl {
    VX_CLASS(TSndControlBase, TCustomControl)
public:
    static constexpr int PanelWidth = 400;
    static constexpr int PanelHeight = 220;

    explicit TSndControlBase(TComponent* owner);
    ~TSndControlBase() override;

    // Writes the controls' values into the attached effect; nothing while none is attached
    // or while Updating.
    virtual void EffectUpdate(TObject* Sender) = 0;
    // Copies the attached effect's values into the controls, Updating meanwhile.
    virtual void ControlUpdate(TObject* Sender) = 0;

    TSndEffectBase* SndEffect() const { return sndEffect_; }
    void SetSndEffect(TSndEffectBase* effect);

    // Fired after the "Enabled" box was clicked.
    TNotifyEvent OnEnabledChange;
    TCheckBox* EnabledBox;
    // True while ControlUpdate runs, so the controls' events do not write back.
    bool Updating = false;

protected:
    void EnabledClick(TObject* Sender);
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;

    // The first part of every EffectUpdate: false when there is nothing to write; else the
    // effect's Enabled follows the box.
    bool BeginEffectUpdate();
    // Holds Updating for ControlUpdate; false (and no hold) without an effect.
    class UpdateScope {
    public:
        explicit UpdateScope(TSndControlBase& panel);
        ~UpdateScope();
        UpdateScope(const UpdateScope&) = delete;
        UpdateScope& operator=(const UpdateScope&) = delete;
        explicit operator bool() const { return active_; }

    private:
        TSndControlBase& panel_;
        bool active_;
        bool was_;
    };

    // Creates a child control of the panel at Left, Top, Width, Height.
    template <class T> T* Place(int left, int top, int width, int height) {
        T* control = new T(this);
        control->SetParent(this);
        control->SetBounds(left, top, width, height);
        return control;
    }
    TLabel* PlaceLabel(int left, int top, const std::string& caption);
    // A horizontal track bar with ticks below.
    TTrackBar* PlaceTrackBar(int left, int top, int width, int height, int min, int max, int position,
                             int line, int page, int tick);

private:
    TSndEffectBase* sndEffect_ = nullptr;
    // Queued refreshes run only while this lives.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// The number with at most one decimal, rounded, without a trailing zero ("2.5", "11"),
// then the suffix: the panels' frequency labels.
std::string FormatOneDecimal(double value, const std::string& suffix);
