#include "platform/framework/Menus.h"

#include "platform/framework/QtForms.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <cctype>

namespace {

// Where the item's children go: the bar of a root item, else the item's submenu.
QWidget* containerOf(const TMenuItem::Impl& impl) {
    return impl.bar ? static_cast<QWidget*>(impl.bar) : static_cast<QWidget*>(impl.menu);
}

struct KeyName {
    WORD key;
    const char* name;
};

constexpr KeyName keyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},   {VK_PAUSE, "Pause"},
};

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

WORD keyFromName(const std::string& name) {
    const std::string wanted = upper(name);
    for (const KeyName& entry : keyNames)
        if (upper(entry.name) == wanted) return entry.key;
    if (wanted == "RETURN") return VK_RETURN;
    if (wanted == "ESCAPE") return VK_ESCAPE;
    if (wanted == "BACKSPACE") return VK_BACK;
    if (wanted.size() == 1 && std::isalnum(static_cast<unsigned char>(wanted[0])))
        return static_cast<WORD>(wanted[0]);
    if (wanted.size() >= 2 && wanted[0] == 'F' && std::all_of(wanted.begin() + 1, wanted.end(), ::isdigit)) {
        const int number = std::stoi(wanted.substr(1));
        if (number >= 1 && number <= 24) return static_cast<WORD>(VK_F1 + number - 1);
    }
    return 0;
}

QKeySequence sequenceOf(TShortCut shortCut) {
    const int key = vx::QtKeyOf(static_cast<WORD>(shortCut & 0xFF));
    if (shortCut == scNone || key == 0) return {};
    int modifiers = 0;
    if (shortCut & scShift) modifiers |= Qt::SHIFT;
    if (shortCut & scCtrl) modifiers |= Qt::CTRL;
    if (shortCut & scAlt) modifiers |= Qt::ALT;
    return QKeySequence(key | modifiers);
}

vx::FormWindow* windowOf(TMainMenu* menu) {
    if (!menu || !menu->Form()) return nullptr;
    return dynamic_cast<vx::FormWindow*>(vx::FormWidget(menu->Form()));
}

} // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
    TShortCut result = key & 0xFF;
    if (shift & ssShift) result |= scShift;
    if (shift & ssCtrl) result |= scCtrl;
    if (shift & ssAlt) result |= scAlt;
    return result;
}

TShortCut TextToShortCut(const std::string& text) {
    TShortCut modifiers = 0;
    std::size_t start = 0;
    for (std::size_t plus = text.find('+'); plus != std::string::npos && plus > start;
         plus = text.find('+', start)) {
        const std::string head = upper(text.substr(start, plus - start));
        if (head == "CTRL")
            modifiers |= scCtrl;
        else if (head == "SHIFT")
            modifiers |= scShift;
        else if (head == "ALT")
            modifiers |= scAlt;
        else
            break;
        start = plus + 1;
    }
    const WORD key = keyFromName(text.substr(start));
    return key ? static_cast<TShortCut>(key | modifiers) : scNone;
}

std::string ShortCutToText(TShortCut shortCut) {
    const WORD key = shortCut & 0xFF;
    std::string name;
    for (const KeyName& entry : keyNames)
        if (entry.key == key) name.assign(entry.name);
    if (name.empty() && key >= VK_F1 && key <= VK_F1 + 23)
        name.append("F").append(std::to_string(key - VK_F1 + 1));
    if (name.empty() && std::isalnum(key)) name.push_back(static_cast<char>(key));
    if (name.empty()) return {};
    std::string result;
    if (shortCut & scShift) result.append("Shift+");
    if (shortCut & scCtrl) result.append("Ctrl+");
    if (shortCut & scAlt) result.append("Alt+");
    result.append(name);
    return result;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
    vx::EnsureQtApplication();
    impl_->action = new QAction();
    QObject::connect(impl_->action, &QAction::triggered, [this] {
        // The action may have toggled itself; the item's own state stays until OnClick says.
        impl_->action->setChecked(checked_);
        vx::Guarded([this] { Click(); });
        // An entry of the bar chosen by its short cut opens its menu.
        if (impl_->menu && parent_ && parent_->rootOf_)
            if (vx::FormWindow* window = windowOf(parent_->rootOf_)) window->openMenu(impl_->action);
    });
}

TMenuItem::~TMenuItem() {
    if (parent_) parent_->Remove(this);
    for (TMenuItem* child : items_)
        child->parent_ = nullptr;
    delete impl_->action;
    delete impl_->menu;
    delete impl_->bar;
}

TMainMenu* TMenuItem::mainMenu() const {
    const TMenuItem* item = this;
    while (item->parent_)
        item = item->parent_;
    return item->rootOf_;
}

void TMenuItem::SetCaption(const std::string& caption) {
    caption_ = caption;
    impl_->action->setSeparator(IsLine());
    // Some styles draw a separator's text as a section title: a line has none.
    impl_->action->setText(IsLine() ? QString() : vx::ToQString(caption));
    if (impl_->menu) impl_->menu->setTitle(vx::ToQString(caption));
}

void TMenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    impl_->action->setEnabled(enabled);
}

void TMenuItem::SetChecked(bool checked) {
    checked_ = checked;
    if (checked) impl_->action->setCheckable(true);
    impl_->action->setChecked(checked);
}

void TMenuItem::SetVisible(bool visible) {
    visible_ = visible;
    impl_->action->setVisible(visible);
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    shortCut_ = shortCut;
    impl_->action->setShortcut(sequenceOf(shortCut));
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    if (!containerOf(*impl_)) {
        impl_->menu = new QMenu();
        impl_->menu->setTitle(vx::ToQString(caption_));
        QObject::connect(impl_->menu, &QMenu::aboutToShow, [this] {
            if (vx::FormWindow* window = windowOf(mainMenu())) window->menuShown();
        });
        QObject::connect(impl_->menu, &QMenu::aboutToHide, [this] {
            if (vx::FormWindow* window = windowOf(mainMenu())) window->menuHidden();
        });
        impl_->action->setMenu(impl_->menu);
    }
    QAction* before = index < Count() ? items_[static_cast<std::size_t>(index)]->impl_->action : nullptr;
    containerOf(*impl_)->insertAction(before, item->impl_->action);
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    if (vx::FormWindow* window = windowOf(mainMenu())) window->addAction(item->impl_->action);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    if (containerOf(*impl_)) containerOf(*impl_)->removeAction(item->impl_->action);
    item->parent_ = nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Click() {
    if (OnClick) OnClick(this);
}

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), root_(std::make_unique<TMenuItem>(nullptr)) {
    root_->rootOf_ = this;
    root_->impl_->bar = new QMenuBar();
    root_->impl_->bar->setNativeMenuBar(false);
}

TMainMenu::~TMainMenu() = default;

namespace vx {

QMenuBar* MenuBarOf(TMainMenu* menu) {
    return menu ? menu->Items()->impl().bar : nullptr;
}

namespace {
void addActions(QWidget* window, const TMenuItem* item) {
    for (int i = 0; i < item->Count(); ++i) {
        window->addAction(item->Items(i)->impl().action);
        addActions(window, item->Items(i));
    }
}
} // namespace

void AttachMenuToForm(TMainMenu* menu, TForm* form) {
    menu->form_ = form;
    if (QWidget* window = FormWidget(form)) addActions(window, menu->Items());
}

} // namespace vx
