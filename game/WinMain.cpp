// Program entry: the application creates the main form and the four dialogs in order and
// runs until the main form closes. A fatal error ends the program with status 1.
#include "game/About.h"
#include "game/Main.h"
#include "game/Options.h"
#include "game/SndSet.h"
#include "game/Title.h"
#include "platform/framework/Application.h"

int main() {
    try {
        Application->Initialize();
        Application->SetTitle("Vortamix");
        Application->CreateForm(MainForm);
        Application->CreateForm(TitleForm);
        Application->CreateForm(SndSetForm);
        Application->CreateForm(AboutForm);
        Application->CreateForm(OptionsForm);
        Application->Run();
    } catch (const Exception& error) {
        Application->ShowException(error);
        Application->SetExitCode(1);
    } catch (const std::exception& error) {
        Application->ShowException(Exception(error.what()));
        Application->SetExitCode(1);
    }
    return Application->ExitCode();
}
