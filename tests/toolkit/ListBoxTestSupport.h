#pragma once
// Shared by the list box tests: a form to place list boxes on, and mouse clicks and keys
// sent the way the desktop sends them.
#include "platform/framework/Application.h"
#include "platform/framework/QtBridge.h"
#include "tests/platform/framework/GuiTestSupport.h"
#include "tests/platform/framework/ListBoxInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace listbox_test {

inline void key(TControl* control, int qtKey, const QString& text = {},
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, qtKey, modifiers, text);
    QKeyEvent up(QEvent::KeyRelease, qtKey, modifiers, text);
    QApplication::sendEvent(vx::ControlWidget(control), &down);
    QApplication::sendEvent(vx::ControlWidget(control), &up);
}

// A form of 320 x 240 pixels, freed with the fixture.
class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
        form->SetClientWidth(320);
        form->SetClientHeight(240);
    }
    void TearDown() override { form->Free(); }
    template <class T> T* place(int left, int top, int width, int height) {
        auto* control = new T(form);
        control->SetParent(form);
        control->SetBounds(left, top, width, height);
        return control;
    }
    TForm* form = nullptr;
};

} // namespace listbox_test
