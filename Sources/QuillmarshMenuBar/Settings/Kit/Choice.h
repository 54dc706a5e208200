#pragma once

#include <QPushButton>
#include <QString>

#include <functional>
#include <vector>

class QMenu;

namespace quillmarsh {

// A pop-up button over a list of options. Its label is the selected option's title (empty when
// none is selected), and its menu lists the options with a checkmark beside the selected one.
// Picking an item calls the callback with its index and changes nothing itself: the caller's next
// setOptions() shows what was chosen.
class Choice final : public QPushButton {
    Q_OBJECT

public:
    struct Option {
        QString title;
        bool selected = false;
        bool operator==(const Option&) const = default;
    };
    using Chosen = std::function<void(int index)>;

    explicit Choice(QWidget* parent = nullptr);

    void setOptions(const std::vector<Option>& options);
    void setChosen(Chosen chosen) { chosen_ = std::move(chosen); }
    // The title shown on the button.
    const QString& label() const { return label_; }
    QMenu* optionsMenu() const { return menu_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuildMenu();

    std::vector<Option> options_;
    QString label_;
    QMenu* menu_ = nullptr;
    Chosen chosen_;
};

} // namespace quillmarsh
