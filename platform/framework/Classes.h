#pragma once
// The component model the program is written in: objects that know their own class name,
// exceptions with the program's messages, and components owned by other components.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class TObject;
using TNotifyEvent = std::function<void(TObject* Sender)>;

// The framework's base exception: carries the message the program defines.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class EListError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened for reading, or created for writing.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

// A stream that could not read or write all it was asked to.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// A text that is not the number or date it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A system call that failed; ErrorCode is its errno value.
class EOSError : public Exception {
public:
    EOSError(const std::string& message, int errorCode) : Exception(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

// A system resource ran out: a window refused another item, no timer was left.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// An operation the object's state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// The silent exception: it ends the operation in progress, and the application's exception
// handling lets it pass without a message.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

// Raises EAbort.
[[noreturn]] void Abort();

// Declares the program's own class name and its parent's, so that code which walks
// components by class ("exactly TDDSurface", "derives directly from TSndPlayPlug") sees
// the names the program uses, never C++ mangled ones.
#define VX_CLASS(Name, Parent)                                                                               \
public:                                                                                                      \
    static constexpr const char* StaticClassName = #Name;                                                    \
    std::string ClassName() const override {                                                                 \
        return #Name;                                                                                        \
    }                                                                                                        \
    std::string ClassParentName() const override {                                                           \
        return Parent::StaticClassName;                                                                      \
    }                                                                                                        \
    bool InheritsFrom(const std::string& name) const override {                                              \
        return name == #Name || Parent::InheritsFrom(name);                                                  \
    }                                                                                                        \
                                                                                                             \
private:

class TObject {
public:
    static constexpr const char* StaticClassName = "TObject";
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
    virtual std::string ClassParentName() const { return ""; }
    virtual bool InheritsFrom(const std::string& name) const { return name == "TObject"; }
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csDestroying = 1u << 2,
    csDesigning = 1u << 3,
};

class TComponent : public TObject {
    VX_CLASS(TComponent, TObject)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    TComponent* FindComponent(const std::string& name) const;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    long Tag() const { return tag_; }
    void SetTag(long tag) { tag_ = tag; }

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDesigning() const { return (state_ & csDesigning) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }

    // Asks to be told (Notification opRemove) when other is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Runs Loaded on every owned component in creation order, then on this one: the second
    // phase of creation, once the component and everything its description creates exist.
    void LoadTree();

    // Destroys the owned components now, the last created first.
    void DestroyComponents();
    // Runs once before destruction starts, while the whole object still exists (a form
    // fires OnDestroy here). Owners and Free call it; overrides call the inherited one.
    virtual void BeforeDestruction();
    // BeforeDestruction, then delete. The component must be on the heap.
    void Free();

protected:
    // Called once after the component's description has been applied; csLoading is set
    // while it runs. Overrides call the inherited Loaded first.
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);
    // Tells everyone who asked (FreeNotification) that this component goes away, at once
    // instead of in the base destructor: for a component that another thread may still be
    // calling, whose derived parts must not die before the callers have let go.
    void SendFreeNotifications();

private:
    void insertComponent(TComponent* child);
    void removeComponent(TComponent* child);
    static void destroy(TComponent* component);

    TComponent* owner_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    long tag_ = 0;
    unsigned state_ = 0;
    bool beforeDestructionDone_ = false;
};

// Creates a component and runs the second phase of its creation.
template <class T, class... Args> T* CreateComponent(Args&&... args) {
    T* component = new T(std::forward<Args>(args)...);
    component->LoadTree();
    return component;
}
