#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace quillmarsh {

// Carries out a page description with the kit's widgets: the pane's title bar, its hairline, and
// a scrolling body of sections, cards and rows. apply() with a new description updates the
// widgets in place: a block or row whose key stays keeps its widget (so hover, focus, an open
// menu and the scroll position survive), one that goes is removed, a new one is made. A
// description equal to the one applied last changes nothing. Controls run their commands
// through `perform`; no widget changes a shown value by itself.
class PageView final : public QWidget {
    Q_OBJECT

public:
    using Perform = std::function<void(const PaneCommands&)>;

    explicit PageView(Perform perform, QWidget* parent = nullptr);
    ~PageView() override;

    void apply(const PageDescription& page);
    // The description applied last.
    const PageDescription& page() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace quillmarsh
