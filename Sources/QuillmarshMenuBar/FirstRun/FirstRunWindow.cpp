#include "FirstRun/FirstRunWindow.h"

#include "Settings/Kit/AppIconView.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/HeadingLabel.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/PaneSection.h"
#include "Settings/Kit/Row.h"
#include "Settings/Kit/SymbolView.h"
#include "Settings/Kit/TextField.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "StatusMenu/MarkIcon.h"
#include "Words/MenuModel.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace quillmarsh {

namespace {

// A wrapping, centred line of the header or the set-up block.
ToneLabel* centredLine(const QFont& font, std::string_view words, QWidget* parent) {
    auto* label = new ToneLabel(font, ToneLabel::Tone::secondary, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    label->setPlain(QString::fromUtf8(words));
    return label;
}

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

FirstRunWindow::FirstRunWindow(const std::vector<LocalChecks::Check>& checks, bool laptop, const QString& login,
                               SetUp setUp, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      checks_(checks),
      laptop_(laptop),
      setUp_(std::move(setUp)),
      page_(FirstRunPage::describe(checks_, laptop_, login.toStdString(), false)) {
    setWindowTitle(QString::fromUtf8(FirstRunPage::windowTitle));
    setWindowIcon(MarkIcon::windowIcon());

    auto* layout = column(this, 20);
    layout->setContentsMargins(28, 32, 28, 28);
    layout->addWidget(makeHeader());
    layout->addWidget(makeThisMac());
    layout->addWidget(makeSetUp());
    layout->addWidget(makeTerminal());

    login_->setText(login);
    connect(login_, &QLineEdit::textChanged, this, &FirstRunWindow::loginEdited);

    apply();
}

QWidget* FirstRunWindow::makeHeader() {
    auto* header = new QWidget(this);
    auto* layout = column(header, 8);
    layout->addWidget(new AppIconView(64, header), 0, Qt::AlignHCenter);
    auto* title = new HeadingLabel(TextStyle::system(22, QFont::Bold), header);
    title->setAlignment(Qt::AlignHCenter);
    title->setHeading(QString::fromUtf8(MenuModel::firstRunTitle));
    layout->addWidget(title);
    layout->addWidget(centredLine(TextStyle::body(), MenuModel::firstRunLine, header));
    return header;
}

QWidget* FirstRunWindow::makeThisMac() {
    thisMac_ = new PaneSection(this);
    thisMac_->setHeader(QString::fromUtf8(FirstRunPage::thisMacHeader), {});
    std::vector<QWidget*> rows;
    for (const FirstRunPage::CheckRow& check : page_.checks) {
        auto* row = new Row(thisMac_->card());
        row->setObjectName(QString::fromStdString(check.title));
        row->setTexts(QString::fromStdString(check.title), {}, {});
        auto* control = new QWidget(row);
        auto* line = new QHBoxLayout(control);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        auto* value = new ToneLabel(TextStyle::body(), ToneLabel::Tone::secondary, control);
        value->setPlain(QString::fromStdString(check.value));
        const Symbol symbol = check.ok ? Symbol::checkmarkCircleFill : Symbol::xmarkCircleFill;
        auto* mark = new SymbolView(symbol, 15, control);
        mark->setSymbol(symbol, check.ok ? SymbolView::Tint::good : SymbolView::Tint::red);
        mark->setObjectName(QStringLiteral("mark"));
        mark->setAccessibleName(QString::fromStdString(check.markName));
        line->addWidget(value, 0, Qt::AlignVCenter);
        line->addWidget(mark, 0, Qt::AlignVCenter);
        row->setControl(control);
        rows.push_back(row);
    }
    thisMac_->card()->setRows(rows);
    thisMac_->setFooterText(QString::fromStdString(page_.thisMacFooter));
    return thisMac_;
}

QWidget* FirstRunWindow::makeSetUp() {
    auto* block = new QWidget(this);
    auto* layout = column(block, 8);
    setUpButton_ = new PaneButton(block);
    setUpButton_->setLook(QString::fromUtf8(MenuModel::setUpItem), PaneButton::Style::prominent);
    setUpButton_->setLarge(true);
    setUpButton_->setMinimumWidth(200);
    setUpButton_->setAction([this] {
        if (setUp_) setUp_();
    });
    layout->addWidget(setUpButton_, 0, Qt::AlignHCenter);
    layout->addWidget(centredLine(TextStyle::subheadline(), MenuModel::firstRunSetupNote, block));
    return block;
}

QWidget* FirstRunWindow::makeTerminal() {
    auto* terminal = new PaneSection(this);
    terminal->setHeader(QString::fromUtf8(FirstRunPage::terminalHeader), {});

    auto* account = new Row(terminal->card());
    account->setTexts(QString::fromUtf8(FirstRunPage::loginTitle), QString::fromUtf8(FirstRunPage::loginDetail), {});
    login_ = new TextField(account);
    login_->setField(QString::fromUtf8(FirstRunPage::loginPlaceholder), 150, QString::fromUtf8(FirstRunPage::loginTitle));
    account->setControl(login_);

    auto* commandLine = new QWidget(terminal->card());
    auto* line = new QHBoxLayout(commandLine);
    line->setContentsMargins(14, 10, 14, 10);
    line->setSpacing(12);
    command_ = new ToneLabel(TextStyle::calloutMonospaced(), ToneLabel::Tone::tertiary, commandLine);
    command_->setWordWrap(true);
    command_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    command_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    copy_ = new PaneButton(commandLine);
    copy_->setAction([this] { copyCommand(); });
    line->addWidget(command_, 1, Qt::AlignVCenter | Qt::AlignLeft);
    line->addWidget(copy_, 0, Qt::AlignVCenter);

    terminal->card()->setRows({account, commandLine});
    terminal->setFooterText(QString::fromUtf8(MenuModel::firstRunTerminalNote));
    return terminal;
}

void FirstRunWindow::loginEdited() {
    copied_ = false;
    apply();
}

void FirstRunWindow::copyCommand() {
    // The page follows every edit of the field, so its command is the field's.
    if (!page_.commandReady) return;
    // A fresh MIME object with only the text: whatever the clipboard held before is gone.
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(page_.command));
    QGuiApplication::clipboard()->setMimeData(mime);
    copied_ = true;
    apply();
}

void FirstRunWindow::apply() {
    page_ = FirstRunPage::describe(checks_, laptop_, login_->text().toStdString(), copied_);
    command_->setPlain(QString::fromStdString(page_.command));
    command_->setTone(page_.commandReady ? ToneLabel::Tone::primary : ToneLabel::Tone::tertiary);
    copy_->setLook(QString::fromStdString(page_.copyTitle), PaneButton::Style::standard);
    if (copy_->isEnabled() != page_.copyEnabled) copy_->setEnabled(page_.copyEnabled);
    fitHeight();
}

// As high as the content is at the window's width, but never lower than the minimum; a longer
// command that wraps makes the window taller rather than cutting it.
void FirstRunWindow::fitHeight() {
    const int needed = layout()->totalHeightForWidth(windowWidth);
    const int height = std::max(minimumHeight, needed > 0 ? needed : layout()->totalSizeHint().height());
    if (size() != QSize(windowWidth, height)) setFixedSize(windowWidth, height);
}

void FirstRunWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

// Return and Enter run the window's main action. They reach the window when it has the keyboard
// itself and when the focused control leaves them unused (the login field and the buttons do).
void FirstRunWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        setUpButton_->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FirstRunWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::content(palette()));
}

// A press on the window's own ground (not on a control) moves the window, as its title bar would.
void FirstRunWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace quillmarsh
