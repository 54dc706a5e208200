#pragma once

#include "FirstRun/FirstRunPage.h"
#include "FirstRun/LocalChecks.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace quillmarsh {

class PaneButton;
class PaneSection;
class TextField;
class ToneLabel;

// The first-run window, 520 wide and as high as its content needs (at least 200), not
// resizable: the header with the app icon, the "This Mac" checks, "Set Up This Mac…" (Return
// runs it) with its note, and "Or in Terminal" with the login field, the set-up command (the
// text can be selected) and "Copy". The checks are the ones it was built with. Closing only hides
// it; the login text and the copied flag stay for the next showing. Dragging its background moves
// it.
class FirstRunWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int windowWidth = 520;
    static constexpr int minimumHeight = 200;

    using SetUp = std::function<void()>;

    FirstRunWindow(const std::vector<LocalChecks::Check>& checks, bool laptop, const QString& login, SetUp setUp,
                   QWidget* parent = nullptr);

    // What "Copy" does: when the field makes a command, the clipboard holds only it, as plain
    // text, and the button reads "Copied" until the login is edited.
    void copyCommand();
    bool copied() const { return copied_; }

    PaneSection& thisMac() const { return *thisMac_; }
    PaneButton& setUpButton() const { return *setUpButton_; }
    TextField& loginField() const { return *login_; }
    ToneLabel& commandLabel() const { return *command_; }
    PaneButton& copyButton() const { return *copy_; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeThisMac();
    QWidget* makeSetUp();
    QWidget* makeTerminal();
    void loginEdited();
    void apply();
    void fitHeight();

    std::vector<LocalChecks::Check> checks_;
    bool laptop_ = false;
    SetUp setUp_;
    bool copied_ = false;
    FirstRunPage page_;

    PaneSection* thisMac_ = nullptr;
    PaneButton* setUpButton_ = nullptr;
    TextField* login_ = nullptr;
    ToneLabel* command_ = nullptr;
    PaneButton* copy_ = nullptr;
};

} // namespace quillmarsh
