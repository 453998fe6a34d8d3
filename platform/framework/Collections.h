#pragma once
// Persistent objects and collections. TPersistent is an object whose state can be copied
// from another (Assign). A TCollection owns a list of items of one class, created by the
// collection itself (Add), so that code which only knows the collection (settings storage,
// property walks) can rebuild it; an item always belongs to at most one collection and
// leaves it when destroyed. TOwnedCollection remembers the object it belongs to.
#include "platform/framework/Classes.h"

#include <functional>
#include <string>
#include <vector>

class TPersistent : public TObject {
    VX_CLASS(TPersistent, TObject)
public:
    // Copies source into this object; raises EConvertError "Cannot assign a <source class>
    // to a <class>" unless the class knows that source.
    virtual void Assign(const TPersistent& source);

protected:
    [[noreturn]] void AssignError(const TObject& source) const;
};

class TCollection;

class TCollectionItem : public TPersistent {
    VX_CLASS(TCollectionItem, TPersistent)
public:
    // Joins collection (at its end) when one is given.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    // Moves the item to another collection (or none, which leaves it to its owner's care).
    void SetCollection(TCollection* collection);
    // Position in the collection, -1 without one.
    int Index() const;
    void SetIndex(int index);
    // The name shown for the item; the class name unless a class has a better one.
    virtual std::string DisplayName() const;
    virtual void SetDisplayName(const std::string& name);

protected:
    // Tells the collection that this item changed.
    void Changed();

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
    VX_CLASS(TCollection, TPersistent)
public:
    // Makes a new item that joins the collection passed to it.
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;

    TCollection(std::string itemClassName, ItemFactory factory);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // The class of the items this collection makes.
    const std::string& ItemClassName() const { return itemClassName_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Makes this collection hold copies of source's items (each assigned in turn).
    void Assign(const TPersistent& source) override;

    // Changes between BeginUpdate and the matching EndUpdate are reported once, at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // The object the collection belongs to (nullptr for a free-standing one).
    virtual TObject* Owner() const { return nullptr; }

    // Runs after the items changed (item is the one that changed, or nullptr for many).
    std::function<void(TCollection* Sender, TCollectionItem* Item)> OnUpdate;

protected:
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void insertItem(TCollectionItem* item, int index);
    void removeItem(TCollectionItem* item);
    void changed(TCollectionItem* item);

    std::string itemClassName_;
    ItemFactory factory_;
    std::vector<TCollectionItem*> items_; // owned
    int updateCount_ = 0;
    bool clearing_ = false;
};

// A factory for a collection of Item, each made with Item(TCollection*).
template <class Item> TCollection::ItemFactory CollectionItemsOf() {
    return [](TCollection* collection) -> TCollectionItem* { return new Item(collection); };
}

class TOwnedCollection : public TCollection {
    VX_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TObject* owner, std::string itemClassName, ItemFactory factory)
        : TCollection(std::move(itemClassName), std::move(factory)), owner_(owner) {}
    TObject* Owner() const override { return owner_; }

private:
    TObject* owner_;
};
