#pragma once

#include "Settings/Kit/PageDescription.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmarsh::test {

// Finding parts of a page description by key, for the pane tests. A missing part throws, so a
// test that expects it fails with the key in the message.

inline const PageDescription::Section* findSection(const PageDescription& page, const std::string& key) {
    for (const auto& block : page.blocks) {
        if (const auto* s = std::get_if<PageDescription::Section>(&block); s && s->key == key) return s;
    }
    return nullptr;
}

inline const PageDescription::Section& section(const PageDescription& page, const std::string& key) {
    if (const auto* s = findSection(page, key)) return *s;
    throw std::runtime_error("no section " + key);
}

inline const PageDescription::Row* findRow(const PageDescription& page, const std::string& sectionKey,
                                           const std::string& rowKey) {
    for (const auto& cardRow : section(page, sectionKey).rows) {
        if (const auto* r = std::get_if<PageDescription::Row>(&cardRow); r && r->key == rowKey) return r;
    }
    return nullptr;
}

inline const PageDescription::Row& row(const PageDescription& page, const std::string& sectionKey,
                                       const std::string& rowKey) {
    if (const auto* r = findRow(page, sectionKey, rowKey)) return *r;
    throw std::runtime_error("no row " + rowKey + " in " + sectionKey);
}

// The row's control of kind T; throws when it has another kind.
template <class T>
const T& control(const PageDescription::Row& row) {
    if (const auto* c = std::get_if<T>(&row.control)) return *c;
    throw std::runtime_error("row " + row.key + " has another control");
}

// The keys of a section's rows, in order.
inline std::vector<std::string> rowKeys(const PageDescription& page, const std::string& sectionKey) {
    std::vector<std::string> keys;
    for (const auto& cardRow : section(page, sectionKey).rows) {
        std::visit([&](const auto& r) { keys.push_back(r.key); }, cardRow);
    }
    return keys;
}

// The keys of the page's blocks, in order.
inline std::vector<std::string> blockKeys(const PageDescription& page) {
    std::vector<std::string> keys;
    for (const auto& block : page.blocks) std::visit([&](const auto& b) { keys.push_back(b.key); }, block);
    return keys;
}

// The titles of a choice's options, and the one selected.
inline std::vector<std::string> optionTitles(const PageDescription::Choice& choice) {
    std::vector<std::string> titles;
    for (const auto& option : choice.options) titles.push_back(option.title);
    return titles;
}

inline const PageDescription::Option& option(const PageDescription::Choice& choice, const std::string& title) {
    for (const auto& o : choice.options) {
        if (o.title == title) return o;
    }
    throw std::runtime_error("no option " + title);
}

// The page's block of kind T with that key (a section, note, summary, stat cards or log).
template <class T>
const T& block(const PageDescription& page, const std::string& key) {
    for (const auto& b : page.blocks) {
        if (const auto* t = std::get_if<T>(&b); t && t->key == key) return *t;
    }
    throw std::runtime_error("no block " + key + " of that kind");
}

// The texts of the page's notes, in order.
inline std::vector<std::string> noteTexts(const PageDescription& page) {
    std::vector<std::string> texts;
    for (const auto& b : page.blocks) {
        if (const auto* note = std::get_if<PageDescription::Note>(&b)) texts.push_back(note->text);
    }
    return texts;
}

// A section's rows of kind T (job, step, machine or cache lines), in order.
template <class T>
std::vector<T> lines(const PageDescription& page, const std::string& sectionKey) {
    std::vector<T> out;
    for (const auto& cardRow : section(page, sectionKey).rows) {
        if (const auto* t = std::get_if<T>(&cardRow)) out.push_back(*t);
    }
    return out;
}

// The titles of a section's text rows, in order.
inline std::vector<std::string> rowTitles(const PageDescription& page, const std::string& sectionKey) {
    std::vector<std::string> titles;
    for (const auto& cardRow : section(page, sectionKey).rows) {
        if (const auto* r = std::get_if<PageDescription::Row>(&cardRow)) titles.push_back(r->title);
    }
    return titles;
}

// The accessory's item of kind T at that index; throws when there is none of that kind.
template <class T>
const T& accessoryItem(const PageDescription& page, std::size_t index) {
    if (!page.accessory || index >= page.accessory->items.size()) throw std::runtime_error("no accessory item");
    if (const auto* t = std::get_if<T>(&page.accessory->items[index])) return *t;
    throw std::runtime_error("the accessory item has another kind");
}

} // namespace quillmarsh::test
