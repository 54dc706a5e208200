#pragma once

#include <functional>
#include <utility>

namespace quillmarsh {

// One observable property of the model. Every assignment, also of a value equal to the current
// one, first announces the change (the owner's objectWillChange), then hands the new value to the
// property's own hook, if it has one, and only then stores it. Observers that connect with a
// queued connection therefore read the stored value, after the whole outcome has been applied.
template <class T>
class Published {
public:
    using WillChange = std::function<void()>;
    using Hook = std::function<void(const T&)>;

    explicit Published(WillChange willChange, T initial = T{}, Hook hook = {})
        : willChange_(std::move(willChange)), hook_(std::move(hook)), value_(std::move(initial)) {}

    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }
    const T& operator*() const { return value_; }
    const T* operator->() const { return &value_; }

    void set(T value) {
        if (willChange_) willChange_();
        if (hook_) hook_(value);
        value_ = std::move(value);
    }
    Published& operator=(T value) {
        set(std::move(value));
        return *this;
    }

    // A changed copy of the current value, assigned as one change.
    template <class Change>
    void modify(Change&& change) {
        T copy = value_;
        std::forward<Change>(change)(copy);
        set(std::move(copy));
    }

private:
    WillChange willChange_;
    Hook hook_;
    T value_;
};

} // namespace quillmarsh
