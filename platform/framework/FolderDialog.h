#pragma once
// The framework's folder dialog: the user picks a folder from a tree of the file system
// under a line of instructions. It is the program's own dialog (not the desktop's), so the
// program can watch and steer it while it runs: follow the selection, switch the OK button,
// offer a Help button. While it runs, the application's other windows take no input.
#include "platform/kernel/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TFolderRoot {
    std::string Label; // shown in the tree
    std::string Path;
};

struct TFolderDialogOptions {
    std::string Caption = "Browse for Folder";
    // The instructions above the tree; none when empty.
    std::string Text;
    // The top-level folders of the tree.
    std::vector<TFolderRoot> Roots;
    // Selected at the start when it lies under a root.
    std::string InitialFolder;
    bool HelpButton = false;
    bool CenterOnScreen = true;
    // The dialog is set up and about to show.
    std::function<void()> OnInitialized;
    // The selection moved to path (empty for an item with no folder).
    std::function<void(const std::string& path)> OnSelectionChanged;
    std::function<void()> OnHelp;
};

// The home folder and the whole file system: what a desktop offers first.
std::vector<TFolderRoot> DesktopFolderRoots();
// The file system and every mounted drive (removable media among them).
std::vector<TFolderRoot> DriveFolderRoots();

class TFolderDialog {
public:
    explicit TFolderDialog(TFolderDialogOptions options);
    ~TFolderDialog();
    TFolderDialog(const TFolderDialog&) = delete;
    TFolderDialog& operator=(const TFolderDialog&) = delete;

    // Shows the dialog and waits; true when the user chose a folder with OK.
    bool Execute();
    // The folder chosen (or selected, while the dialog runs).
    std::string Folder() const;

    // The dialog that is running now, nullptr when none.
    static TFolderDialog* Active();
    // Opens the tree down to path and selects it; false when no root holds it.
    bool Select(const std::string& path);
    void SetOkEnabled(bool enabled);
    bool OkEnabled() const;
    // What the buttons do.
    void Accept();
    void Cancel();
    void ClickHelp();
    bool HasHelpButton() const;
    std::string Text() const;
    std::string Caption() const;
    // Where the dialog stands on the screen, and the screen's size.
    RECT Bounds() const;
    // The labels of the top-level items of the tree.
    std::vector<std::string> RootLabels() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
