#pragma once
// Sprites need a direct subclass of TDDForm as owner; the tests of motion and animation need
// nothing else of the form, so a component that carries the names stands in for one.
#include "graphics/DDSprite.h"

namespace sprite_test {

class TDDForm : public TComponent {
public:
    static constexpr const char* StaticClassName = "TDDForm";
    using TComponent::TComponent;
    std::string ClassName() const override { return "TDDForm"; }
    std::string ClassParentName() const override { return "TForm"; }
};

class TSpriteHostForm : public TDDForm {
    VX_CLASS(TSpriteHostForm, TDDForm)
public:
    TSpriteHostForm() : TDDForm(nullptr) {}
};

} // namespace sprite_test
