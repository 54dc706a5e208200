#include "Settings/Rows/StatCardRow.h"

#include "Settings/Rows/StatCard.h"

#include <QHBoxLayout>

namespace quillmarsh {

StatCardRow::StatCardRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(12);
}

void StatCardRow::setCards(const std::vector<PageDescription::StatCard>& cards) {
    // The cards there are keep their widgets; only the difference is made or removed.
    while (cards_.size() > cards.size()) {
        StatCard* card = cards_.back();
        cards_.pop_back();
        layout_->removeWidget(card);
        delete card;
    }
    while (cards_.size() < cards.size()) {
        auto* card = new StatCard(this);
        layout_->addWidget(card, 1, Qt::AlignTop);
        card->show();
        cards_.push_back(card);
    }
    for (std::size_t i = 0; i < cards.size(); ++i) cards_[i]->setCard(cards[i]);
}

} // namespace quillmarsh
