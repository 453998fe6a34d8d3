#pragma once
// TDDModesCombo: a drop-down list of the display modes that the DirectDraw object of a
// linked TDDForm offers, filtered by depth, width and aspect; each item carries its mode
// packed by DisplayModeCode.
#include "platform/framework/StdCtrls.h"
#include "platform/kernel/Types.h"

class TDDForm;

// width | height << 12 | bits per pixel << 24 (width and height below 4096).
constexpr DWORD DisplayModeCode(DWORD width, DWORD height, DWORD bpp) {
    return width | height << 12 | bpp << 24;
}

class TDDModesCombo : public TComboBox {
    VX_CLASS(TDDModesCombo, TComboBox)
public:
    explicit TDDModesCombo(TComponent* Owner);

    TDDForm* DDForm() const { return ddForm_; }
    void SetDDForm(TDDForm* form);
    // Lists the form's modes that pass the filters, in the order DirectDraw reports them.
    void Init();
    // Selects the form's current mode (nothing when it is not listed).
    void FixIndex();
    // The DisplayModeCode an item carries.
    DWORD ItemModeCode(int index) const;
    bool ShowsMode(DWORD width, DWORD height, DWORD bpp) const;

    bool Show8bit = false;
    bool Show15bit = false;
    bool Show16bit = true;
    bool Show24bit = false;
    bool Show32bit = true;
    // Only modes whose width * 3 / 4 equals the height.
    bool ShowRatio4x3 = true;
    unsigned long ShowMaxWidth = 1024;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDDForm* ddForm_ = nullptr;
};
