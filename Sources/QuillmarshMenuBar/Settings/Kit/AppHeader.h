#pragma once

#include <QString>
#include <QWidget>

namespace quillmarsh {

class AppIconView;
class ToneLabel;

// The app's header, centred across the page: the 56-px app icon, the name in bold 6 px under it,
// and a quiet line under the name.
class AppHeader final : public QWidget {
    Q_OBJECT

public:
    explicit AppHeader(QWidget* parent = nullptr);

    void setTexts(const QString& name, const QString& subtitle);
    ToneLabel* nameLabel() const { return name_; }
    ToneLabel* subtitleLabel() const { return subtitle_; }

private:
    AppIconView* icon_ = nullptr;
    ToneLabel* name_ = nullptr;
    ToneLabel* subtitle_ = nullptr;
};

} // namespace quillmarsh
