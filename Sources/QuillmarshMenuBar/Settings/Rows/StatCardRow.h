#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

#include <vector>

class QHBoxLayout;

namespace quillmarsh {

class StatCard;

// Summary cards side by side, 12 px apart, top-aligned, sharing the width equally.
class StatCardRow final : public QWidget {
    Q_OBJECT

public:
    explicit StatCardRow(QWidget* parent = nullptr);

    void setCards(const std::vector<PageDescription::StatCard>& cards);
    const std::vector<StatCard*>& cards() const { return cards_; }

private:
    QHBoxLayout* layout_ = nullptr;
    std::vector<StatCard*> cards_;
};

} // namespace quillmarsh
