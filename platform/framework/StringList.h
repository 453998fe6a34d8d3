#pragma once
// TStrings, the list-of-strings interface (every string may carry an object), and
// TStringList, its stand-alone form with sorting and duplicate rules. Comparisons are
// case-insensitive unless CaseSensitive is set. Text joins lines with "\n" and reads
// "\n", "\r\n" and "\r" line ends.
#include "platform/framework/Classes.h"

#include <string>
#include <vector>

// Compares a and b without regard to ASCII case: negative, 0 or positive, the shorter of two
// texts that agree first. Sorted lists and sorted list boxes order their items by it.
int CompareText(const std::string& a, const std::string& b);

class TStrings : public TObject {
    VX_CLASS(TStrings, TObject)
public:
    virtual int Count() const = 0;
    std::string Strings(int index) const { return Get(index); }
    void SetStrings(int index, const std::string& text) { Put(index, text); }
    TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }

    virtual int Add(const std::string& text);
    virtual int AddObject(const std::string& text, TObject* object);
    virtual void Insert(int index, const std::string& text) = 0;
    void InsertObject(int index, const std::string& text, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int currentIndex, int newIndex);
    void Assign(const TStrings& source);
    void AddStrings(const TStrings& source);

    virtual int IndexOf(const std::string& text) const;
    int IndexOfObject(const TObject* object) const;
    // "name=value" lines.
    int IndexOfName(const std::string& name) const;
    std::string Names(int index) const;
    std::string Values(const std::string& name) const;
    // An empty value removes the line.
    void SetValue(const std::string& name, const std::string& value);

    std::string Text() const;
    void SetText(const std::string& text);
    // Items separated by commas; items with spaces, commas or quotes are quoted.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    void BeginUpdate();
    void EndUpdate();
    bool CaseSensitive() const { return caseSensitive_; }
    virtual void SetCaseSensitive(bool caseSensitive) { caseSensitive_ = caseSensitive; }

protected:
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& text);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* object);
    virtual void SetUpdateState(bool updating);
    int CompareStrings(const std::string& a, const std::string& b) const;
    // Raises EListError "List index out of bounds (%d)".
    [[noreturn]] static void IndexError(int index);

private:
    int updateCount_ = 0;
    bool caseSensitive_ = false;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
    VX_CLASS(TStringList, TStrings)
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    int Add(const std::string& text) override;
    int AddObject(const std::string& text, TObject* object) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(const std::string& text) const override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    void SetCaseSensitive(bool caseSensitive) override;
    // Binary search of a sorted list: true when found; index is where text is or would go.
    bool Find(const std::string& text, int& index) const;
    void Sort();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void SetUpdateState(bool updating) override;

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    void checkIndex(int index) const;
    void changing();
    void changed();
    void insertItem(int index, const std::string& text, TObject* object);

    std::vector<Item> items_;
    bool sorted_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool updating_ = false;
};
