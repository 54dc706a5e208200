#pragma once

#include <QLineEdit>
#include <QString>

namespace quillmarsh {

// The kit's one-line text field in the rounded-border style: a 22-px field on the field ground
// with a thin border, the focus ring while it has the keyboard, and its placeholder in the
// tertiary text colour. The text is plain text; the field never reads it as markup.
class TextField final : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int height = 22;

    explicit TextField(QWidget* parent = nullptr);

    // The placeholder, the fixed width and what assistive technology calls the field.
    void setField(const QString& placeholder, int width, const QString& accessibleName);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void recolour();

    int width_ = 150;
};

} // namespace quillmarsh
