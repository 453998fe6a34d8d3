#pragma once
// The dialogs' form descriptions place each control the same way: created owned by the
// form, put on its parent and given its bounds.
#include "platform/framework/Controls.h"

template <class T>
T* place(TComponent* owner, TWinControl* parent, int left, int top, int width, int height) {
    T* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}
