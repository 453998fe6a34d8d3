// Program entry: starts the application with an empty main window until the game's own
// forms take its place.
#include "platform/framework/Application.h"

int main() {
    try {
        Application->Initialize();
        Application->SetTitle("Vortamix");
        TForm* mainWindow = nullptr;
        Application->CreateForm(mainWindow);
        mainWindow->SetCaption(Application->Title());
        mainWindow->SetPosition(poScreenCenter);
        mainWindow->SetClientWidth(640);
        mainWindow->SetClientHeight(480);
        Application->Run();
    } catch (const std::exception& error) {
        Application->ShowException(Exception(error.what()));
    }
    return 0;
}
