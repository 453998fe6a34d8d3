#include "platform/framework/FolderDialog.h"

#include "platform/framework/QtBridge.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>
#include <cstdlib>

namespace {

constexpr int pathRole = Qt::UserRole + 1;
constexpr int loadedRole = Qt::UserRole + 2;

TFolderDialog* activeDialog = nullptr; // GUI thread only

QStandardItem* folderItem(const QString& label, const QString& path) {
    auto* item = new QStandardItem(label);
    item->setEditable(false);
    item->setData(path, pathRole);
    item->setData(false, loadedRole);
    item->setIcon(QIcon::fromTheme(QStringLiteral("folder")));
    // A placeholder child makes the item expandable until its folder is read.
    item->appendRow(new QStandardItem());
    return item;
}

// Reads the subfolders of item's folder once, the first time it opens.
void loadChildren(QStandardItem* item) {
    if (item->data(loadedRole).toBool()) return;
    item->setData(true, loadedRole);
    item->removeRows(0, item->rowCount());
    const QDir folder(item->data(pathRole).toString());
    const QFileInfoList entries = folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                       QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& entry : entries)
        item->appendRow(folderItem(entry.fileName(), entry.absoluteFilePath()));
}

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

struct TFolderDialog::Impl {
    TFolderDialogOptions options;
    QDialog* dialog = nullptr;
    QLabel* text = nullptr;
    QTreeView* tree = nullptr;
    QStandardItemModel* model = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* help = nullptr;
    std::string chosen;

    std::string selectedPath() const {
        const QModelIndex current = tree->currentIndex();
        return current.isValid() ? vx::FromQString(current.data(pathRole).toString()) : std::string();
    }

    void build() {
        dialog = new QDialog();
        dialog->setWindowTitle(vx::ToQString(options.Caption));
        dialog->setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(dialog);
        text = new QLabel(vx::ToQString(options.Text), dialog);
        text->setWordWrap(true);
        text->setVisible(!options.Text.empty());
        layout->addWidget(text);
        model = new QStandardItemModel(dialog);
        for (const TFolderRoot& root : options.Roots)
            model->appendRow(folderItem(vx::ToQString(root.Label), vx::ToQString(root.Path)));
        tree = new QTreeView(dialog);
        tree->setModel(model);
        tree->setHeaderHidden(true);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        layout->addWidget(tree, 1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
        ok = buttons->button(QDialogButtonBox::Ok);
        ok->setEnabled(false);
        // The Help button stands apart at the left, as large as OK, level with it.
        auto* row = new QHBoxLayout();
        if (options.HelpButton) {
            help = new QPushButton(QStringLiteral("&Help"), dialog);
            help->setAutoDefault(false);
            help->setMinimumSize(ok->sizeHint());
            row->addWidget(help);
        }
        row->addWidget(buttons, 1);
        layout->addLayout(row);
        dialog->resize(360, 420);

        QObject::connect(tree, &QTreeView::expanded,
                         [this](const QModelIndex& index) { loadChildren(model->itemFromIndex(index)); });
        QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged,
                         [this](const QModelIndex&, const QModelIndex&) { selectionChanged(); });
        QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        if (help) QObject::connect(help, &QPushButton::clicked, [this] { clickHelp(); });
    }

    void selectionChanged() {
        const std::string path = selectedPath();
        ok->setEnabled(!path.empty());
        if (options.OnSelectionChanged) vx::Guarded([&] { options.OnSelectionChanged(path); });
    }

    void clickHelp() {
        if (options.OnHelp) vx::Guarded([&] { options.OnHelp(); });
    }

    bool select(const std::string& wanted) {
        const QString path =
            withoutTrailingSlash(QDir::cleanPath(QDir(vx::ToQString(wanted)).absolutePath()));
        // The root that holds the path most closely.
        QStandardItem* best = nullptr;
        int bestLength = -1;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStandardItem* root = model->item(row);
            const QString rootPath = withoutTrailingSlash(root->data(pathRole).toString());
            const bool holds =
                path == rootPath || path.startsWith(rootPath == u"/" ? rootPath : rootPath + u'/');
            if (holds && rootPath.size() > bestLength) {
                best = root;
                bestLength = static_cast<int>(rootPath.size());
            }
        }
        if (!best) return false;
        QStandardItem* item = best;
        for (const QString& part : path.mid(bestLength).split(u'/', Qt::SkipEmptyParts)) {
            loadChildren(item);
            tree->expand(item->index());
            QStandardItem* next = nullptr;
            for (int row = 0; row < item->rowCount() && !next; ++row)
                if (item->child(row)->text() == part) next = item->child(row);
            if (!next) return false;
            item = next;
        }
        tree->setCurrentIndex(item->index());
        tree->scrollTo(item->index());
        return true;
    }

    void centre() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return;
        const QRect area = screen->availableGeometry();
        dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
};

std::vector<TFolderRoot> DesktopFolderRoots() {
    const char* home = std::getenv("HOME");
    std::vector<TFolderRoot> roots;
    if (home && *home) roots.push_back({"Home", home});
    roots.push_back({"File System", "/"});
    return roots;
}

std::vector<TFolderRoot> DriveFolderRoots() {
    std::vector<TFolderRoot> roots{{"File System", "/"}};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString path = volume.rootPath();
        const bool removable =
            path.startsWith(u"/media/") || path.startsWith(u"/mnt/") || path.startsWith(u"/run/media/");
        if (!volume.isValid() || !volume.isReady() || !removable) continue;
        const QString name = volume.displayName().isEmpty() ? path : volume.displayName();
        roots.push_back({vx::FromQString(name), vx::FromQString(path)});
    }
    return roots;
}

TFolderDialog::TFolderDialog(TFolderDialogOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
}

TFolderDialog::~TFolderDialog() {
    if (activeDialog == this) activeDialog = nullptr;
    delete impl_->dialog;
}

bool TFolderDialog::Execute() {
    vx::EnsureQtApplication();
    delete impl_->dialog;
    impl_->build();
    TFolderDialog* previous = activeDialog;
    activeDialog = this;
    if (impl_->options.CenterOnScreen) impl_->centre();
    // Set up once the dialog shows, inside its own loop: whatever OnInitialized does to the
    // dialog (even closing it) then acts on a running dialog.
    QMetaObject::invokeMethod(
        impl_->dialog,
        [this] {
            if (!impl_->options.InitialFolder.empty()) impl_->select(impl_->options.InitialFolder);
            if (impl_->options.OnInitialized) vx::Guarded([&] { impl_->options.OnInitialized(); });
        },
        Qt::QueuedConnection);
    const bool accepted = impl_->dialog->exec() == QDialog::Accepted;
    impl_->chosen = accepted ? impl_->selectedPath() : std::string();
    activeDialog = previous;
    return accepted && !impl_->chosen.empty();
}

std::string TFolderDialog::Folder() const {
    if (impl_->dialog && activeDialog == this) return impl_->selectedPath();
    return impl_->chosen;
}

TFolderDialog* TFolderDialog::Active() {
    return activeDialog;
}

bool TFolderDialog::Select(const std::string& path) {
    return impl_->dialog && impl_->select(path);
}

void TFolderDialog::SetOkEnabled(bool enabled) {
    if (impl_->ok) impl_->ok->setEnabled(enabled);
}

bool TFolderDialog::OkEnabled() const {
    return impl_->ok && impl_->ok->isEnabled();
}

void TFolderDialog::Accept() {
    if (impl_->ok && impl_->ok->isEnabled()) impl_->ok->click();
}

void TFolderDialog::Cancel() {
    if (impl_->dialog) impl_->dialog->reject();
}

void TFolderDialog::ClickHelp() {
    if (impl_->help) impl_->help->click();
}

bool TFolderDialog::HasHelpButton() const {
    return impl_->help != nullptr;
}

std::string TFolderDialog::Text() const {
    return impl_->options.Text;
}

std::string TFolderDialog::Caption() const {
    return impl_->options.Caption;
}

RECT TFolderDialog::Bounds() const {
    if (!impl_->dialog) return {};
    const QRect frame = impl_->dialog->frameGeometry();
    return RECT{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
}

std::vector<std::string> TFolderDialog::RootLabels() const {
    std::vector<std::string> labels;
    for (const TFolderRoot& root : impl_->options.Roots)
        labels.push_back(root.Label);
    return labels;
}
