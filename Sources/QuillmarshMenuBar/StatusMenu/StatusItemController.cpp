#include "StatusMenu/StatusItemController.h"

#include "Platform/SystemLocale.h"
#include "StatusMenu/AgentInfoRowView.h"
#include "StatusMenu/JobRowView.h"
#include "StatusMenu/MenuLookup.h"
#include "StatusMenu/MenuMetrics.h"
#include "StatusMenu/MenuPlan.h"
#include "StatusMenu/MenuRowMatch.h"
#include "StatusMenu/MenuRowView.h"
#include "StatusMenu/MessageBoxAlert.h"
#include "StatusMenu/PlainText.h"
#include "StatusMenu/QuitDecision.h"
#include "StatusMenu/StatusIcon.h"
#include "Words/MenuModel.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace quillmarsh {

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

std::function<bool()> keyboardAlt() {
    return [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); };
}

} // namespace

StatusItemController::StatusItemController(AppModel& model, bool inStatusBar, OpenFirstRun openFirstRun,
                                           OpenSettings openSettings, Environment environment)
    : model_(model),
      openFirstRun_(std::move(openFirstRun)),
      openSettings_(std::move(openSettings)),
      environment_(std::move(environment)),
      locale_(environment_.locale ? *environment_.locale : SystemLocale::current()) {
    if (!environment_.altHeld) environment_.altHeld = keyboardAlt();
    if (!environment_.ask) environment_.ask = &MessageBoxAlert::run;
    if (!environment_.terminate) environment_.terminate = [] { QCoreApplication::quit(); };
    if (!environment_.print)
        environment_.print = [](const std::string& line) { std::fprintf(stdout, "%s\n", line.c_str()); };
    menuMetrics_ = environment_.menuMetrics ? *environment_.menuMetrics
                                            : QCoreApplication::arguments().contains(QStringLiteral("--menu-metrics"));

    // 1. The status item, showing the not-set-up icon until the first render.
    if (inStatusBar) {
        item_ = environment_.item ? std::move(environment_.item) : StatusItem::create();
        applyIcon();
        connect(item_.get(), &StatusItem::clicked, this, &StatusItemController::popUp);
        // The mark's colour follows the tray.
        connect(item_.get(), &StatusItem::trayChanged, this, &StatusItemController::applyIcon);
    }

    // 2. The menu and the information row it keeps across rebuilds.
    infoAction_ = std::make_unique<QWidgetAction>(nullptr);
    infoView_ = new AgentInfoRowView;
    infoAction_->setDefaultWidget(infoView_);
    infoAction_->setObjectName(QString::fromLatin1(MenuPlan::infoId));
    infoAction_->setText(QStringLiteral("Agent"));
    menu_ = std::make_unique<QMenu>();
    menu_->setMinimumWidth(300);
    menu_->setToolTipsVisible(true);
    menu_->installEventFilter(this);
    MenuRowView::followCurrentRow(*menu_);
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItemController::menuWillOpen);
    connect(menu_.get(), &QMenu::aboutToHide, this, &StatusItemController::menuDidClose);

    // 3. Every change of the model queues one render; the first render builds the menu.
    connect(&model_, &AppModel::objectWillChange, this, &StatusItemController::scheduleRender);
    render();
}

StatusItemController::~StatusItemController() {
    menu_->removeEventFilter(this);
    disconnect(menu_.get(), nullptr, this, nullptr);
}

void StatusItemController::forceOptionLayer() {
    layer_.force();
    applyLayers();
}

void StatusItemController::scheduleRender() {
    if (renderQueued_) return;
    renderQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { render(); }, Qt::QueuedConnection);
}

MenuInputs StatusItemController::inputs() const {
    MenuInputs in;
    in.agentAvailable = model_.agentAvailable();
    in.awaitingPoolConsent = model_.status() && model_.status()->awaitingPoolConsent;
    in.running = model_.jobs().running;
    in.pauseInForce = model_.pauseInForce();
    in.update = model_.update();
    in.now = model_.clock().now();
    in.calendar = model_.clock().calendar();
    return in;
}

void StatusItemController::render() {
    renderQueued_ = false;
    const MenuInputs in = inputs();
    static const std::optional<AgentStatus> noStatus;
    const std::optional<AgentStatus>& status = in.agentAvailable ? model_.status() : noStatus;

    const MenuIcon next = !in.agentAvailable && !model_.isRegistered()
                              ? MenuIcon::notSetUp()
                              : MenuModel::icon(status, in.now, in.calendar, locale_);
    if (next != icon_) {
        icon_ = next;
        applyIcon();
    }
    followShowInMenuBar();

    MenuSignature signature = MenuSignature::of(in);
    if (!builtFor_ || signature != *builtFor_) {
        builtFor_ = std::move(signature);
        sync(in);
    }

    // In place, whether or not the menu was rebuilt.
    infoView_->apply(MenuModel::optionLines(status, in.now));
    for (std::size_t i = 0; i < jobViews_.size() && i < in.running.size(); ++i) jobViews_[i]->apply(in.running[i]);
    refreshUpdateRow(in.update);
    if (in.agentAvailable) refreshPause(in.now, in.calendar);
}

void StatusItemController::rebuild() {
    const MenuInputs in = inputs();
    builtFor_ = MenuSignature::of(in);
    std::vector<BuiltRow> old = std::move(rows_);
    rows_.clear();
    for (BuiltRow& row : old) retire(std::move(row));
    sync(in);
}

void StatusItemController::applyIcon() {
    if (item_) StatusIcon::apply(icon_, *item_);
}

// The item follows "Show in menu bar" whenever it changes, not only at launch.
void StatusItemController::followShowInMenuBar() {
    if (item_ && item_->isVisible() != model_.showInMenuBar()) item_->setVisible(model_.showInMenuBar());
}

void StatusItemController::sync(const MenuInputs& in) {
    const std::vector<MenuEntry> plan = MenuPlan::rows(in);
    const std::vector<std::string> keys = MenuPlan::keys(plan, in.running);
    std::vector<std::string> builtKeys;
    builtKeys.reserve(rows_.size());
    for (const BuiltRow& row : rows_) builtKeys.push_back(row.key);
    const MenuRowMatch match = MenuRowMatch::of(builtKeys, keys);

    // Rows nobody takes over go; rows taken over out of their order come off, to go back in place.
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!match.taken[i])
            retire(std::move(rows_[i]));
        else if (!match.stays[i])
            menu_->removeAction(rows_[i].action);
    }
    std::vector<BuiltRow> next(plan.size());
    for (std::size_t j = 0; j < plan.size(); ++j) {
        const std::size_t from = match.source[j];
        if (from == MenuRowMatch::none) {
            next[j] = make(plan[j], in);
        } else {
            next[j] = std::move(rows_[from]);
            refit(next[j], plan[j]);
        }
        next[j].key = keys[j];
    }
    // From the last row up, each row not already in its place goes in before the one after it.
    QAction* before = nullptr;
    for (std::size_t j = next.size(); j-- > 0;) {
        const std::size_t from = match.source[j];
        if (from == MenuRowMatch::none || !match.stays[from]) menu_->insertAction(before, next[j].action);
        before = next[j].action;
    }
    rows_ = std::move(next);

    jobViews_.clear();
    layered_.clear();
    shortcutRows_.clear();
    for (const BuiltRow& row : rows_) {
        if (row.view != nullptr) jobViews_.push_back(row.view);
        if (row.entry.layer != MenuEntry::Layer::always) layered_.emplace_back(row.action, row.entry.layer);
        if (!row.entry.shortcut.empty()) shortcutRows_.emplace_back(row.action);
    }
    applyLayers();
}

StatusItemController::BuiltRow StatusItemController::make(const MenuEntry& entry, const MenuInputs& in) {
    BuiltRow row;
    row.entry = entry;
    switch (entry.kind) {
    case MenuEntry::Kind::separator:
        row.action = new QAction(menu_.get());
        row.action->setSeparator(true);
        break;
    case MenuEntry::Kind::agentInfo:
        // The one information row may still wait, hidden, among the retired rows of the open menu.
        retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                      [&](const BuiltRow& old) { return old.action == infoAction_.get(); }),
                       retired_.end());
        row.action = infoAction_.get();
        row.action->setEnabled(entry.enabled);
        break;
    case MenuEntry::Kind::job: {
        auto* action = new QWidgetAction(menu_.get());
        auto* view = new JobRowView;
        view->setAction(action);
        view->apply(in.running.at(static_cast<std::size_t>(entry.tag)));
        action->setDefaultWidget(view);
        action->setText(PlainText::actionTitle(entry.title));
        row.view = view;
        row.action = action;
        break;
    }
    case MenuEntry::Kind::submenu:
        row.submenu = std::make_unique<QMenu>(PlainText::actionTitle(entry.title));
        row.submenu->setToolTipsVisible(true);
        for (const MenuEntry& choice : entry.submenu) addChoice(*row.submenu, choice);
        row.action = row.submenu->menuAction();
        break;
    case MenuEntry::Kind::item:
        row.action = new QAction(PlainText::actionTitle(entry.title), menu_.get());
        if (!entry.shortcut.empty()) {
            row.action->setShortcut(QKeySequence(qt(entry.shortcut), QKeySequence::PortableText));
            row.action->setShortcutVisibleInContextMenu(true);
        }
        row.action->setEnabled(entry.enabled);
        if (!entry.tooltip.empty()) row.action->setToolTip(PlainText::toolTip(entry.tooltip));
        break;
    }
    row.action->setObjectName(qt(entry.identifier));
    connectAction(*row.action, entry);
    return row;
}

// A row taken over by the next plan: only what differs is set, so an unchanged row costs nothing
// and an open menu is not laid out again for it.
void StatusItemController::refit(BuiltRow& row, const MenuEntry& entry) {
    if (row.entry == entry) return;
    QAction& action = *row.action;
    const MenuEntry& was = row.entry;
    if (entry.title != was.title) action.setText(PlainText::actionTitle(entry.title));
    if (entry.shortcut != was.shortcut) action.setShortcut(QKeySequence(qt(entry.shortcut), QKeySequence::PortableText));
    if (entry.enabled != was.enabled && entry.kind != MenuEntry::Kind::submenu) action.setEnabled(entry.enabled);
    if (entry.tooltip != was.tooltip) action.setToolTip(PlainText::toolTip(entry.tooltip));
    // A job row's tag is its place in the list, which the handler does not use.
    const bool tagCounts = entry.action == MenuAction::choosePause;
    if (entry.action != was.action || entry.argument != was.argument || (tagCounts && entry.tag != was.tag)) {
        disconnect(&action, &QAction::triggered, this, nullptr);
        connectAction(action, entry);
    }
    row.entry = entry;
}

// A row that goes. Taken out of an open menu, the menu's current row (under the pointer, or
// chosen with the keys) would close it, so that row is only hidden until the menu has closed.
void StatusItemController::retire(BuiltRow&& row) {
    if (row.action == nullptr) return;
    const bool held = menu_->isVisible() && (row.action == menu_->activeAction() ||
                                             (row.view != nullptr && row.view->underMouse()));
    if (held) {
        row.action->setVisible(false);
        retired_.push_back(std::move(row));
        return;
    }
    discard(row);
}

void StatusItemController::discard(BuiltRow& row) {
    menu_->removeAction(row.action);
    if (row.action->parent() == menu_.get()) delete row.action;  // with a job row's view
    row.submenu.reset();                                       // with its row
    row.action = nullptr;
    row.view = nullptr;
}

void StatusItemController::dropRetired() {
    if (menu_->isVisible()) return;
    std::vector<BuiltRow> retired = std::move(retired_);
    retired_.clear();
    for (BuiltRow& row : retired) discard(row);
}

void StatusItemController::addChoice(QMenu& into, const MenuEntry& entry) {
    QAction* action = into.addAction(PlainText::actionTitle(entry.title));
    action->setEnabled(entry.enabled);
    action->setObjectName(qt(entry.identifier));
    connectAction(*action, entry);
}

void StatusItemController::connectAction(QAction& action, const MenuEntry& entry) {
    if (entry.action == MenuAction::none) return;
    // Queued: the handler runs after the menu has closed and let go of the row, never inside it.
    connect(&action, &QAction::triggered, this, [this, what = entry.action, argument = entry.argument, tag = entry.tag] {
        QMetaObject::invokeMethod(this, [this, what, argument, tag] { perform(what, argument, tag); },
                                  Qt::QueuedConnection);
    });
}

void StatusItemController::perform(MenuAction action, const std::string& argument, int tag) {
    switch (action) {
    case MenuAction::none: return;
    case MenuAction::openJob: return openJob(argument);
    case MenuAction::openDashboard: return openDashboard();
    case MenuAction::openHowItWorks: return openHowItWorks();
    case MenuAction::showSettings: return showSettings();
    case MenuAction::openThisMac: return openThisMac();
    case MenuAction::openSetup: return openSetup();
    case MenuAction::showFirstRun: return showFirstRun();
    case MenuAction::copyDiagnostics: return copyDiagnostics();
    case MenuAction::stopRunningJobs: return stopRunningJobs();
    case MenuAction::quit: return quit();
    case MenuAction::installUpdate: return installUpdate();
    case MenuAction::choosePause: return choosePause(tag);
    case MenuAction::resumeJobs: return resumeJobs();
    }
}

void StatusItemController::applyLayers() {
    for (const auto& [action, layer] : layered_) {
        if (action) action->setVisible(MenuPlan::visible(layer, layer_.alternatesShown(), layer_.infoShown()));
    }
}

void StatusItemController::refreshUpdateRow(const UpdateState& update) {
    QAction* row = MenuLookup::item(*menu_, QString::fromLatin1(MenuPlan::updateId));
    const auto entry = MenuPlan::updateRow(update);
    if (row == nullptr || !entry) return;
    const QString tip = PlainText::toolTip(entry->tooltip);
    if (row->toolTip() != tip) row->setToolTip(tip);
}

void StatusItemController::refreshPause(Date now, const Calendar& calendar) {
    QAction* pause = MenuLookup::item(*menu_, QString::fromLatin1(MenuPlan::pauseId));
    if (pause == nullptr || pause->menu() == nullptr) return;
    for (const MenuEntry& row : MenuPlan::pauseRows(now, calendar)) {
        if (QAction* choice = MenuLookup::item(*pause->menu(), qt(row.identifier))) choice->setEnabled(row.enabled);
    }
}

void StatusItemController::popUp() {
    if (menu_->isVisible()) {
        menu_->hide();
        return;
    }
    const QSize size = menu_->sizeHint();
    menu_->popup(item_ ? item_->menuPosition(size) : QCursor::pos());
}

void StatusItemController::menuWillOpen() {
    isMenuOpen_ = true;
    if (layer_.menuWillOpen(environment_.altHeld())) applyLayers();
    optionTimer_ = model_.clock().repeat(0.1, [this] { pollAlt(); });
    model_.refresh();
    openTimer_ = model_.clock().repeat(2.0, [this] { model_.refresh(); });
    if (menuMetrics_) {
        QTimer::singleShot(700, Qt::PreciseTimer, this, [this] {
            dumpMenuMetrics();
            environment_.terminate();
        });
    }
}

void StatusItemController::menuDidClose() {
    isMenuOpen_ = false;
    optionTimer_.reset();
    openTimer_.reset();
    if (layer_.menuDidClose()) applyLayers();
    // The menu is still closing; the rows it let go of go once it has.
    if (!retired_.empty()) QMetaObject::invokeMethod(this, [this] { dropRetired(); }, Qt::QueuedConnection);
}

void StatusItemController::pollAlt() {
    if (layer_.altChanged(environment_.altHeld())) applyLayers();
}

// Alt swaps the alternates in while the menu stays open. Qt's menus close on a lone Alt press
// (it would move the focus to a menu bar), so the press and the release are consumed here. A key
// that makes one of the shortcuts the rows show runs that row.
bool StatusItemController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != menu_.get() || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Alt) {
        if (event->type() == QEvent::KeyPress && runShortcut(*key)) return true;
        return QObject::eventFilter(watched, event);
    }
    if (layer_.altChanged(event->type() == QEvent::KeyPress)) applyLayers();
    return true;
}

// As the click does: the menu closes and the row's action runs (queued, after it has closed).
// Rows hidden behind their alternate count too: their shortcut differs from the alternate's.
bool StatusItemController::runShortcut(const QKeyEvent& key) {
    if (key.modifiers() == Qt::NoModifier || key.isAutoRepeat()) return false;
    const QKeySequence pressed(key.keyCombination());
    for (const QPointer<QAction>& row : shortcutRows_) {
        if (!row || !row->isEnabled() || row->shortcut() != pressed) continue;
        menu_->hide();
        row->trigger();
        return true;
    }
    return false;
}

void StatusItemController::dumpMenuMetrics() {
    for (const std::string& line : MenuMetrics::lines(*menu_)) environment_.print(line);
    std::fflush(stdout);
    menu_->hide();
}

// --- Actions --------------------------------------------------------------------------------

void StatusItemController::openJob(const std::string& repository) { model_.open(model_.jobURL(repository)); }

void StatusItemController::openDashboard() { model_.open(model_.machineURL()); }

void StatusItemController::openHowItWorks() { model_.open(QUrl(QString::fromUtf8(MenuModel::howItWorksURL))); }

void StatusItemController::showSettings() {
    if (openSettings_) openSettings_(std::nullopt);
}

void StatusItemController::openThisMac() {
    if (openSettings_) openSettings_(std::string("this mac"));
}

void StatusItemController::openSetup() { model_.open(QUrl(QString::fromUtf8(MenuModel::setupURL))); }

void StatusItemController::showFirstRun() {
    if (openFirstRun_) openFirstRun_();
}

void StatusItemController::copyDiagnostics() {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(MenuModel::diagnosticsCommand));
}

void StatusItemController::stopRunningJobs() {
    AlertRequest request =
        AlertRequest::confirming(MenuModel::stopJobsAlert(static_cast<std::int64_t>(model_.jobs().running.size())));
    request.style = AlertRequest::Style::warning;
    if (environment_.ask(request).confirmed) model_.stopRunningJobs();
}

void StatusItemController::quit() {
    const QString key = QString::fromLatin1(quitSuppressedKey);
    if (!QuitDecision::asks(model_.agentAvailable(), model_.defaults().boolValue(key))) {
        environment_.terminate();
        return;
    }
    AlertRequest request = AlertRequest::confirming(MenuModel::quitAlert());
    request.suppression = "Don't Show Again";
    const AlertRequest::Answer answer = environment_.ask(request);
    const QuitDecision::Outcome outcome = QuitDecision::after(answer.confirmed, answer.suppress);
    if (outcome.storeSuppressed) model_.defaults().setBool(key, true);
    if (outcome.terminate) environment_.terminate();
}

void StatusItemController::installUpdate() { model_.installUpdate(); }

void StatusItemController::choosePause(int index) {
    if (const auto option = pauseOption(index)) model_.pause(*option);
}

void StatusItemController::resumeJobs() { model_.setPolicy({{"paused", false}}); }

} // namespace quillmarsh
