#include "platform/framework/Collections.h"

#include <algorithm>

void TPersistent::Assign(const TPersistent& source) {
    AssignError(source);
}

void TPersistent::AssignError(const TObject& source) const {
    throw EConvertError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}

TCollectionItem::TCollectionItem(TCollection* collection) {
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_) return;
    if (collection_) collection_->removeItem(this);
    if (collection) collection->insertItem(this, collection->Count());
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    const int current = Index();
    if (current < 0 || index < 0 || index == current) return;
    auto& items = collection_->items_;
    index = std::min(index, static_cast<int>(items.size()) - 1);
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    collection_->changed(nullptr);
}

std::string TCollectionItem::DisplayName() const {
    return ClassName();
}

void TCollectionItem::SetDisplayName(const std::string&) {
    Changed();
}

void TCollectionItem::Changed() {
    if (collection_) collection_->changed(this);
}

TCollection::TCollection(std::string itemClassName, ItemFactory factory)
    : itemClassName_(std::move(itemClassName)), factory_(std::move(factory)) {}

TCollection::~TCollection() {
    updateCount_ = 1; // nobody hears of the items going now
    Clear();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::Add() {
    return factory_(this);
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    delete Items(index);
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    clearing_ = true;
    while (!items_.empty())
        delete items_.back();
    clearing_ = false;
    EndUpdate();
}

void TCollection::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (const TCollectionItem* item : other->items_)
            Add()->Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate() {
    ++updateCount_;
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) changed(nullptr);
}

void TCollection::Update(TCollectionItem* item) {
    if (OnUpdate) OnUpdate(this, item);
}

void TCollection::insertItem(TCollectionItem* item, int index) {
    items_.insert(items_.begin() + index, item);
    item->collection_ = this;
    changed(nullptr);
}

void TCollection::removeItem(TCollectionItem* item) {
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->collection_ = nullptr;
    if (!clearing_) changed(nullptr);
}

void TCollection::changed(TCollectionItem* item) {
    if (updateCount_ == 0) Update(item);
}
