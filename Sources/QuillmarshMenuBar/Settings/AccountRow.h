#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

class QMenu;

namespace quillmarsh {

class AppModel;
class ElidedLabel;
class ToneLabel;

// The sidebar's account header: a 36 x 36 round avatar (the account's picture, else a grey person
// placeholder), the owner on one line ("Not connected" without an account) and the account's
// caption under it. A right-click anywhere on it offers "Open in Dashboard…", which opens this
// machine's dashboard page.
class AccountRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int avatarSize = 36;

    explicit AccountRow(AppModel& model, QWidget* parent = nullptr);

    // Reads the account, avatar and caption from the model again.
    void refresh();

    ElidedLabel* ownerLabel() const { return owner_; }
    ToneLabel* captionLabel() const { return caption_; }
    // True while the placeholder stands in for a picture.
    bool showsPlaceholder() const { return !avatar_.has_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    AppModel& model_;
    std::optional<QImage> avatar_;
    ElidedLabel* owner_ = nullptr;
    ToneLabel* caption_ = nullptr;
};

} // namespace quillmarsh
