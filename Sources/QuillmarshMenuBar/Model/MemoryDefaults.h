#pragma once

#include "Model/Defaults.h"

namespace quillmarsh {

// Defaults that live only in memory, for tests and the screenshot mode. It counts the writes
// of each key, so callers can check that an assignment wrote its key.
class MemoryDefaults final : public Defaults {
public:
    MemoryDefaults() = default;
    explicit MemoryDefaults(QVariantMap stored) : stored_(std::move(stored)) {}

    void registerDefaults(const QVariantMap& values) override {
        for (auto it = values.begin(); it != values.end(); ++it) registered_.insert(it.key(), it.value());
    }
    QVariant value(const QString& key) const override {
        auto it = stored_.find(key);
        return it != stored_.end() ? it.value() : registered_.value(key);
    }
    void setValue(const QString& key, const QVariant& value) override {
        stored_.insert(key, value);
        writes_[key] = writes_.value(key) + 1;
    }
    void remove(const QString& key) override { stored_.remove(key); }

    const QVariantMap& stored() const { return stored_; }
    int writes(const QString& key) const { return writes_.value(key); }

private:
    QVariantMap stored_;
    QVariantMap registered_;
    QMap<QString, int> writes_;
};

} // namespace quillmarsh
