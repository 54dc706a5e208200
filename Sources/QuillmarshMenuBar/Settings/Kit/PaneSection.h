#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace quillmarsh {

class Card;
class PaneButton;
class ToneLabel;

// A section of a page: a header line (semibold, secondary, with an optional note at its end), a
// card of rows and an optional footer (a quiet text with 2 px at its sides, and optionally a
// link-style button beside it), 8 px apart. A note without a header is never shown.
class PaneSection final : public QWidget {
    Q_OBJECT

public:
    explicit PaneSection(QWidget* parent = nullptr);

    // An empty header hides the header line with its note; an empty note hides the note.
    void setHeader(const QString& header, const QString& note);
    // An empty text with no button hides the footer.
    void setFooterText(const QString& text);
    // The footer's button; made on first use, hidden by showFooterButton(false).
    PaneButton* footerButton();
    void showFooterButton(bool shown);

    Card* card() const { return card_; }
    ToneLabel* headerLabel() const { return header_; }
    ToneLabel* noteLabel() const { return note_; }
    ToneLabel* footerLabel() const { return footerText_; }
    QWidget* footer() const { return footer_; }

private:
    void updateFooter();

    QWidget* headerLine_ = nullptr;
    ToneLabel* header_ = nullptr;
    ToneLabel* note_ = nullptr;
    Card* card_ = nullptr;
    QWidget* footer_ = nullptr;
    ToneLabel* footerText_ = nullptr;
    PaneButton* footerButton_ = nullptr;
};

} // namespace quillmarsh
