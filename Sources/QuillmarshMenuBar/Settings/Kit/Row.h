#pragma once

#include <QString>
#include <QWidget>

class QHBoxLayout;

namespace quillmarsh {

class SymbolView;
class ToneLabel;

// One settings row: a text column (title, with an info mark when there is an info text, and a
// quiet detail line under it) at most 420 wide whose text wraps instead of being cut, and a
// control at the trailing edge at its ideal size. Padded 10/14/10/14; 28 between text and control.
// A row that is a title alone (a note or a message: no detail, no info, no control) has nothing
// to keep its text near, so the text runs the row's whole width before it wraps.
class Row final : public QWidget {
    Q_OBJECT

public:
    static constexpr int textWidth = 420;

    explicit Row(QWidget* parent = nullptr);

    // An empty detail or info shows nothing.
    void setTexts(const QString& title, const QString& detail, const QString& info);
    // Takes the control (none for a text-only row); the one it replaces is deleted.
    void setControl(QWidget* control);
    QWidget* control() const { return control_; }

    ToneLabel* titleLabel() const { return title_; }
    ToneLabel* detailLabel() const { return detail_; }
    SymbolView* infoMark() const { return info_; }

private:
    void fitColumn();

    QHBoxLayout* layout_ = nullptr;
    QWidget* column_ = nullptr;
    ToneLabel* title_ = nullptr;
    ToneLabel* detail_ = nullptr;
    SymbolView* info_ = nullptr;
    QWidget* control_ = nullptr;
};

} // namespace quillmarsh
