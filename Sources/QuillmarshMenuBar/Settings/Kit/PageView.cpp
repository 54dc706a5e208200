#include "Settings/Kit/PageView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillmarsh {

// A first stand-in: the title only.
struct PageView::Parts {
    Perform perform;
    PageDescription page;
    QLabel* title = nullptr;
};

PageView::PageView(Perform perform, QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
    parts_->perform = std::move(perform);
    auto* layout = new QVBoxLayout(this);
    parts_->title = new QLabel(this);
    parts_->title->setTextFormat(Qt::PlainText);
    layout->addWidget(parts_->title);
    layout->addStretch(1);
}

PageView::~PageView() = default;

void PageView::apply(const PageDescription& page) {
    if (page == parts_->page) return;
    parts_->page = page;
    parts_->title->setText(QString::fromStdString(page.title));
}

const PageDescription& PageView::page() const { return parts_->page; }

} // namespace quillmarsh
